// workers.h: a batch's imports spread over worker processes.
//
// Each worker is dxfhost itself, started again in its hidden worker mode: it loads the module
// once, then imports one drawing after another as the batch hands them out over a pipe, writes
// each drawing's files into the output folder and sends back the drawing's item (batch_item.h).
// A worker that stops while importing a drawing (it crashed, or was killed) makes that drawing
// failed; another worker takes its place and the batch goes on. Only where the system has
// fork, exec and pipes (not on Windows, where a batch runs in this process).
#ifndef DXFHOST_WORKERS_H
#define DXFHOST_WORKERS_H

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "dxfhost/batch_item.h"
#include "dxfhost/outputs.h"
#include "dxfhost/session.h"

namespace workers {

// The first argument that starts dxfhost as a worker; the second is the worker's end of its
// pipe, as a file descriptor number.
constexpr char kWorkerFlag[] = "--batch-worker";

// For the tests: a worker asked to import the drawing named by this variable (as named on the
// command line) is killed before it imports it.
constexpr char kTestKillVariable[] = "DXFHOST_TEST_KILL_WORKER_ON";

// Worker processes can be started here.
bool available();

// The processors of this machine (at least 1): the default number of workers.
unsigned processors();

struct Job {
    std::string drawing;        // as named on the command line
    std::string path;           // the file to read
    outputs::FolderFiles files; // its files in the output folder (all empty without one)
};

// Imports the jobs in at most count worker processes, each loading the module at module_path.
// done(i, item) receives the item of jobs[i] as it arrives, in any order; every job gets one.
// here(i) imports jobs[i] in this process, for the jobs left when no worker can be started.
void run(const session::Settings& s, const std::string& module_path, const std::vector<Job>& jobs,
         unsigned count, const std::function<void(std::size_t, batch::Item)>& done,
         const std::function<batch::Item(std::size_t)>& here);

// The worker's side: serves the batch on the pipe named by fd_text until the batch closes it.
int worker_main(const char* fd_text);

} // namespace workers

#endif
