// Fuzz entry point over the whole import: the bytes become a drawing file that the import
// command reads into a fresh frame, as a host would run it.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>
#include <vector>

#include "import/dxf.h"
#include "kernel/kernelctl.h"

namespace {

uint32_t u32(const std::vector<uint8_t>& b, std::size_t off) {
    return uint32_t(b[off]) | uint32_t(b[off + 1]) << 8 | uint32_t(b[off + 2]) << 16 |
           uint32_t(b[off + 3]) << 24;
}

// An imported object: its header, records whose nxtoff stay inside the block, the terminator
// as its last two bytes.
bool sound_object(const std::vector<uint8_t>& b) {
    std::size_t at = 24;
    while (at + 2 <= b.size()) {
        uint16_t type = uint16_t(b[at] | b[at + 1] << 8);
        if (type == 0x00FF)
            return at + 2 == b.size();
        if (type != 4 || at + 8 > b.size())
            return false;
        uint32_t next = u32(b, at + 4);
        if (next < 32 || next % 4 != 0 || next > b.size() - at)
            return false;
        at += next;
    }
    return false;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The drawing is written anew for every input: in memory where the system offers a folder
    // there, since a disk's journal would otherwise take most of the time.
    static const std::string path =
        std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/dxf_fuzz_" +
        std::to_string(getpid()) + ".dxf";
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return 0;
    std::fwrite(data, 1, size, f);
    std::fclose(f);

    hostk::reset();
    hostk::set_output_sink([](const std::string&) {});
    hostk::set_memory_limit(std::size_t(32) << 20); // nested blocks hit the limit quickly
    const hostk::Frame frame = hostk::create_frame();
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
    if (hostk::block_locked(frame.hfrh) || hostk::block_locked(frame.hdat))
        __builtin_trap(); // no access to the frame is left open
    const std::vector<uint8_t> object = hostk::block_bytes(frame.hdat);
    if (object.size() < 24 || (result == 0 && !sound_object(object)))
        __builtin_trap(); // an imported object is whole
    if (hostk::block_bytes(frame.hfrh).size() < 56)
        __builtin_trap(); // the frame header keeps its header
    return 0;
}
