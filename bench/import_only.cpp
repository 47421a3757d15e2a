// import_only: the module's own share of an import, without any host program around it. Runs
// the section driver over each drawing into a fresh frame of the stand-in kernel and prints
// one line per drawing: wall time of the import, the largest resident size of the process
// (what the import added to a process that did nothing before), the object's size and the
// bytes the kernel's blocks hold reserved at the end (the object's capacity).
//
// Usage: import_only DRAWING...
#include <sys/resource.h>

#include <chrono>
#include <cstdio>

#include "import/dxf.h"
#include "kernel/kernelctl.h"

namespace {

double peak_mb() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_maxrss) / 1024.0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: import_only DRAWING...\n");
        return 64;
    }
    int failed = 0;
    for (int i = 1; i < argc; ++i) {
        hostk::reset();
        hostk::set_output_sink([](const std::string&) {});
        hostk::Frame frame = hostk::create_frame();
        int32_t fh = 0;
        if (fim_fopen(argv[i], 0, &fh) < 0) {
            std::fprintf(stderr, "%s: cannot open\n", argv[i]);
            failed = 1;
            continue;
        }
        auto start = std::chrono::steady_clock::now();
        int32_t stat = parceFile(fh, frame.hdat);
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        fim_fclose(fh);
        uint32_t size = 0;
        emm_size(frame.hdat, &size);
        std::printf(
            "%s: status %d, %.3f s, peak %.1f MB, object %.1f MB, reserved %.1f MB at the end\n",
            argv[i], int(stat), seconds, peak_mb(), size / 1048576.0,
            hostk::memory_reserved() / 1048576.0);
        failed |= stat != 0;
    }
    return failed;
}
