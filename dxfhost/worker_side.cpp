// worker_side.cpp: a worker process of a batch (see workers.h): dxfhost started with
// --batch-worker FD. It reads the batch's settings from its pipe, loads the module once, then
// imports each drawing the batch sends, writes its files and sends back its item, until the
// batch closes the pipe.
#include "dxfhost/workers.h"

#if !defined(_WIN32)
#include <csignal>
#include <cstdlib>
#include <iostream>

#include <unistd.h>

#include "dxfhost/imports.h"
#include "dxfhost/pipes.h"
#include "dxfhost/plugin.h"
#include "dxfhost/wire.h"
#endif

namespace workers {

#if defined(_WIN32)

int worker_main(const char*) {
    return 2;
}

#else

int worker_main(const char* fd_text) {
    char* end = nullptr;
    const long fd = std::strtol(fd_text != nullptr ? fd_text : "", &end, 10);
    std::string message;
    if (end == fd_text || *end != '\0' || fd < 0 || !pipes::read_message(int(fd), &message)) {
        std::cerr << "dxfhost: " << kWorkerFlag << " is for dxfhost's own batches\n";
        return 64;
    }
    session::Settings s;
    wire::Reader r(message);
    const std::string module_path = r.text();
    s.memory_limit = std::size_t(r.number());
    s.width = int(r.number());
    s.dump = r.number() != 0;
    s.json = r.number() != 0;
    s.quiet = r.number() != 0;
    if (!r.ok()) {
        std::cerr << "dxfhost: worker: the batch's settings cannot be read\n";
        return 2;
    }
    host::Plugin plugin;
    std::string err;
    if (!plugin.load(module_path, &err)) {
        std::cerr << "dxfhost: worker: " << err << "\n";
        return 2;
    }
    const char* kill_on = std::getenv(kTestKillVariable);
    while (pipes::read_message(int(fd), &message)) {
        wire::Reader job(message);
        job.number(); // the drawing's place in the batch: the batch keeps it
        const std::string drawing = job.text();
        const std::string path = job.text();
        outputs::FolderFiles files;
        files.object = job.text();
        files.svg = job.text();
        files.png = job.text();
        files.text = job.text();
        if (!job.ok()) {
            std::cerr << "dxfhost: worker: a drawing from the batch cannot be read\n";
            return 2;
        }
        if (kill_on != nullptr && drawing == kill_on) {
            ::kill(::getpid(), SIGKILL);
        }
        report::Drawing d = session::import_drawing(plugin, drawing, path, s);
        const bool to_folder = !files.object.empty();
        const batch::Item item = batch::make_item(d, s, to_folder ? &files : nullptr);
        if (!pipes::send_message(int(fd), batch::encode(item))) {
            return 2;
        }
    }
    return 0;
}

#endif

} // namespace workers
