// Fuzz entry point over the whole import: the bytes become a drawing file that the import
// command reads into a fresh frame, as a host would run it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

#include "import/dxf.h"
#include "kernel/kernelctl.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/dxf_fuzz_" + std::to_string(getpid()) + ".dxf";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    hostk::reset();
    hostk::set_output_sink([](const std::string&) {});
    hostk::set_memory_limit(std::size_t(32) << 20); // nested blocks hit the limit quickly
    hostk::create_frame();
    hostk::set_selection(path, "fuzz.dxf");
    XM_EDIS edis = {};
    edis.cvnum = 32;
    edis.dvnum = 0x0300;
    if (mod_init(&edis) != 0)
        __builtin_trap();
    int32_t result = mod_exec(0, &edis);
    if (result != 0 && result != -1)
        __builtin_trap(); // the command answers 0 or -1 once a file was chosen
    if (hostk::open_files() != 0 || hostk::live_blocks() > 2)
        __builtin_trap(); // the file is closed and nothing but the frame's two blocks is left
    return 0;
}
