// workers.cpp: worker processes of a batch, on both sides of their pipes (see workers.h).
//
// The batch talks to each worker over one stream socket pair (a pipe both ways): first the
// settings (module, memory limit, picture width, what is shown), then, one at a time, a drawing
// to import; the worker answers each drawing with its item. A worker gets its next drawing
// only once it has answered, so the drawing a worker was importing when it stopped is always
// known. Writes never raise SIGPIPE (send with MSG_NOSIGNAL): a worker that went away shows as
// the end of its pipe.
#include "dxfhost/workers.h"

#include <thread>

#if !defined(_WIN32)
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <iostream>

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include "dxfhost/pipes.h"
#include "dxfhost/wire.h"
#endif

namespace workers {

unsigned processors() {
    const unsigned n = std::thread::hardware_concurrency();
    return n > 0 ? n : 1;
}

#if defined(_WIN32)

bool available() {
    return false;
}

void run(const session::Settings&, const std::string&, const std::vector<Job>& jobs, unsigned,
         const std::function<void(std::size_t, batch::Item)>& done,
         const std::function<batch::Item(std::size_t)>& here) {
    for (std::size_t i = 0; i < jobs.size(); ++i) {
        done(i, here(i));
    }
}

#else

namespace {

constexpr int kWorkerFd = 3; // the worker's end of its pipe, in the worker

// ---- the batch's side ----

struct Worker {
    pid_t pid = -1;
    int fd = -1;
    long job = -1;         // the drawing it is importing, or -1
    bool answered = false; // it sent back a drawing's item
    std::string buffer;    // what it sent that is not a whole message yet
};

std::string settings_message(const session::Settings& s, const std::string& module_path) {
    std::string m;
    wire::put(&m, module_path);
    wire::put(&m, s.memory_limit);
    wire::put(&m, uint64_t(s.width));
    wire::put(&m, s.dump ? 1 : 0);
    wire::put(&m, s.json ? 1 : 0);
    wire::put(&m, s.quiet ? 1 : 0);
    return m;
}

std::string job_message(std::size_t i, const Job& job) {
    std::string m;
    wire::put(&m, i);
    wire::put(&m, job.drawing);
    wire::put(&m, job.path);
    wire::put(&m, job.files.object);
    wire::put(&m, job.files.svg);
    wire::put(&m, job.files.png);
    wire::put(&m, job.files.text);
    return m;
}

// Starts a worker and hands it the settings. False, with the reason in *err.
bool start(Worker* w, const std::string& program, const std::string& settings, std::string* err) {
    int ends[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        *err = std::string("cannot make a pipe: ") + std::strerror(errno);
        return false;
    }
    const int devnull = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
    char fd_text[] = "3";
    std::string path = program; // execv wants words it may keep, not constants
    char name[] = "dxfhost";
    char flag[sizeof kWorkerFlag];
    std::memcpy(flag, kWorkerFlag, sizeof kWorkerFlag);
    char* argv[] = {name, flag, fd_text, nullptr};
    std::cout.flush();
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        *err = std::string("cannot start a worker process: ") + std::strerror(errno);
        ::close(ends[0]);
        ::close(ends[1]);
        if (devnull >= 0) {
            ::close(devnull);
        }
        return false;
    }
    if (pid == 0) {
        // The worker: its pipe on descriptor 3, nothing to read on standard input, and
        // anything it prints by mistake on standard error rather than in the batch's output.
        if (ends[1] == kWorkerFd) {
            ::fcntl(kWorkerFd, F_SETFD, 0);
        } else if (::dup2(ends[1], kWorkerFd) < 0) {
            ::_exit(127);
        }
        if (devnull >= 0) {
            ::dup2(devnull, 0);
        }
        ::dup2(2, 1);
        ::execv(path.c_str(), argv);
        ::_exit(127);
    }
    ::close(ends[1]);
    if (devnull >= 0) {
        ::close(devnull);
    }
    w->pid = pid;
    w->fd = ends[0];
    w->job = -1;
    w->answered = false;
    w->buffer.clear();
    if (!pipes::send_message(w->fd, settings)) {
        *err = "the worker process took no settings";
        return false;
    }
    return true;
}

struct Ended {
    std::string how;     // in words
    bool killed = false; // by a signal
};

// Closes the batch's end of the pipe and waits for the worker; how it ended.
Ended reap(Worker* w) {
    if (w->fd >= 0) {
        ::close(w->fd);
        w->fd = -1;
    }
    Ended ended{"it ended"};
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(w->pid, &status, 0);
    } while (r < 0 && errno == EINTR);
    if (r == w->pid && WIFSIGNALED(status)) {
        const int sig = WTERMSIG(status);
        const char* name = ::strsignal(sig);
        ended.how = "killed by signal " + std::to_string(sig) +
                    (name ? std::string(" (") + name + ")" : "");
        ended.killed = true;
    } else if (r == w->pid && WIFEXITED(status)) {
        ended.how = "it exited with status " + std::to_string(WEXITSTATUS(status));
    }
    w->pid = -1;
    w->job = -1;
    return ended;
}

void remove_files(const outputs::FolderFiles& f) {
    std::error_code ec;
    for (const std::string& path : {f.object, f.svg, f.png, f.text}) {
        if (!path.empty()) {
            std::filesystem::remove(path, ec);
        }
    }
}

} // namespace

bool available() {
    return true;
}

void run(const session::Settings& s, const std::string& module_path, const std::vector<Job>& jobs,
         unsigned count, const std::function<void(std::size_t, batch::Item)>& done,
         const std::function<batch::Item(std::size_t)>& here) {
    const std::string settings = settings_message(s, module_path);
    // The program itself, by the name the system gives it (which a tool that runs dxfhost
    // under its own control answers with dxfhost's path, where /proc/self/exe would be the
    // tool's).
    std::error_code ec;
    std::string program = std::filesystem::read_symlink("/proc/self/exe", ec).string();
    if (ec || program.empty()) {
        program = "/proc/self/exe";
    }
    std::vector<Worker> pool(std::max(1u, std::min<unsigned>(count, unsigned(jobs.size()))));
    std::size_t next = 0;     // the next drawing to hand out
    std::size_t finished = 0; // drawings whose item was given to done
    std::string start_error;
    bool cannot_start = false;     // a worker ended before it could answer: start no more
    std::vector<std::size_t> back; // drawings given back by such a worker, to import here

    auto finish = [&](std::size_t i, batch::Item item) {
        ++finished;
        done(i, std::move(item));
    };
    // The worker stopped: the drawing it was importing failed, and its files are removed. A
    // worker that ended by itself before it answered anything could not start (its program or
    // module cannot be run): its drawing is not at fault and is imported here.
    auto lost_worker = [&](Worker* w, const std::string& what) {
        const long job = w->job;
        const bool answered = w->answered;
        const Ended ended = reap(w);
        if (job >= 0 && !answered && !ended.killed && what.empty()) {
            cannot_start = true;
            back.push_back(std::size_t(job));
        } else if (job >= 0) {
            const Job& j = jobs[std::size_t(job)];
            remove_files(j.files);
            finish(std::size_t(job),
                   batch::failed_item(j.drawing, j.path,
                                      "the worker process importing it stopped (" +
                                          (what.empty() ? ended.how : what) + ")",
                                      s));
        }
    };
    // Hands the next drawing to w, starting it first when it is not running. A worker that
    // went away between two drawings is started again once; false when none runs.
    auto hand_out = [&](Worker* w) {
        for (int attempt = 0; attempt < 2 && !cannot_start; ++attempt) {
            if (w->pid < 0 && !start(w, program, settings, &start_error)) {
                if (w->pid >= 0) {
                    reap(w);
                }
                return false;
            }
            if (pipes::send_message(w->fd, job_message(next, jobs[next]))) {
                w->job = long(next++);
                return true;
            }
            reap(w);
        }
        return false;
    };

    for (Worker& w : pool) {
        if (next < jobs.size()) {
            hand_out(&w);
        }
    }
    while (finished < jobs.size()) {
        std::vector<pollfd> fds;
        std::vector<Worker*> busy;
        for (Worker& w : pool) {
            if (w.job >= 0) {
                fds.push_back({w.fd, POLLIN, 0});
                busy.push_back(&w);
            }
        }
        if (busy.empty()) {
            // No worker could be started: what is left is imported here.
            for (std::size_t i : back) {
                finish(i, here(i));
            }
            back.clear();
            while (next < jobs.size()) {
                const std::size_t i = next++;
                finish(i, here(i));
            }
            break;
        }
        if (::poll(fds.data(), nfds_t(fds.size()), -1) < 0) {
            if (errno == EINTR) {
                continue;
            }
            for (Worker* w : busy) {
                ::kill(w->pid, SIGKILL);
                lost_worker(w,
                            std::string("the batch cannot wait for it: ") + std::strerror(errno));
            }
            continue;
        }
        for (std::size_t k = 0; k < fds.size(); ++k) {
            Worker* w = busy[k];
            if (fds[k].revents == 0) {
                continue;
            }
            char chunk[1 << 16];
            const ssize_t n = ::read(w->fd, chunk, sizeof chunk);
            if (n < 0 && (errno == EINTR || errno == EAGAIN)) {
                continue;
            }
            if (n <= 0) {
                lost_worker(w, "");
            } else {
                w->buffer.append(chunk, std::size_t(n));
                std::string message;
                if (!pipes::take_message(&w->buffer, &message)) {
                    continue;
                }
                batch::Item item;
                if (!batch::decode(message, &item) || !w->buffer.empty()) {
                    ::kill(w->pid, SIGKILL);
                    lost_worker(w, "it sent back what dxfhost cannot read");
                } else {
                    const std::size_t i = std::size_t(w->job);
                    w->job = -1;
                    w->answered = true;
                    item.entry.files = jobs[i].files;
                    finish(i, std::move(item));
                }
            }
            if (next < jobs.size()) {
                hand_out(w);
            } else if (w->pid >= 0 && w->job < 0) {
                reap(w); // nothing left to hand out: the worker ends at the end of its pipe
            }
        }
    }
    for (Worker& w : pool) {
        if (w.pid >= 0) {
            reap(&w);
        }
    }
}

#endif

} // namespace workers
