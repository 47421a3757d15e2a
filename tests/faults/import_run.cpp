// import_run.cpp: one import command run with or without a failing kernel service, and the
// checks of the frame's blocks that every run must pass.
#include "import_run.h"

#include <fstream>

#include <gtest/gtest.h>

namespace faults {

const std::vector<Service> kServices = {
    {"emm_alloc", {KST_NOMEMORY, KST_ARGUMENT}},
    {"emm_write", {KST_BADHANDLE, KST_ACCESS}},
    {"emm_ewrite", {KST_ACCESS, KST_BADHANDLE}},
    {"emm_read", {KST_BADHANDLE, KST_ACCESS}},
    {"emm_eread", {KST_ACCESS}},
    {"emm_size", {KST_BADHANDLE, KST_ARGUMENT}},
    {"emm_resz", {KST_NOMEMORY, KST_BADHANDLE}},
    {"emm_ins", {KST_NOMEMORY, KST_RANGE}},
    {"emm_indel", {KST_NOMEMORY, KST_RANGE}},
    {"emm_rel", {KST_ACCESS, KST_BADHANDLE}},
    {"fim_fopen", {KST_NOFILE, KST_OPEN}},
    {"fim_fread", {KST_READ, KST_EOF}}, // a read error; the file ending early
    {"fim_fseek", {KST_SEEK, KST_BADFILE}},
    {"fim_ftell", {KST_BADFILE}},
    {"fim_fclose", {KST_BADFILE}},
    {"fim_xfsel", {KST_NOSELECT, KST_ARGUMENT}},
    {"xmd_fframe", {1, KST_ARGUMENT}}, // 1: no target frame
    {"fre_change", {1, KST_NOFRAME}},  // 1: the frame may not be changed
    {"dsm_ocreate", {KST_OBJTYPE, KST_ARGUMENT}},
    {"dsm_odelete", {KST_NOOBJECT}},
    {"dom_mark", {KST_NOFRAME}},
    {"fom_alert", {KST_ARGUMENT}},
    {"fom_stat", {KST_ARGUMENT}},
};

namespace {

// What the host hands the module: its version numbers.
XM_EDIS edis = [] {
    XM_EDIS e{};
    e.cvnum = 32;
    e.dvnum = 0x0300;
    return e;
}();

} // namespace

ImportRun import_once(const std::string& path, const char* service, std::size_t nth, int32_t status,
                      bool every_after) {
    static const int32_t initialised = mod_init(&edis);
    EXPECT_EQ(initialised, 0);
    hostk::Frame frame = hostk::create_frame(kDataBytes);
    void* p = nullptr;
    emm_write(frame.hdat, &p, 0);
    for (std::size_t i = 0; i < kDataBytes; i++)
        static_cast<uint8_t*>(p)[i] = fill_byte(i);
    emm_ewrite(frame.hdat);
    hostk::set_selection(path, kFrameName);

    std::vector<std::size_t> before;
    for (const Service& s : kServices)
        before.push_back(hostk::call_count(s.name));
    const std::size_t alerts_before = hostk::alerts().size();
    const std::size_t shown_before = hostk::shown_statuses().size();
    if (service)
        hostk::fail_call(service, nth, status, every_after);

    ImportRun r;
    r.result = mod_exec(0, &edis);
    hostk::clear_faults();
    for (std::size_t i = 0; i < kServices.size(); i++)
        r.counts.push_back(hostk::call_count(kServices[i].name) - before[i]);
    auto count = [&](const char* name) {
        for (std::size_t i = 0; i < kServices.size(); i++)
            if (is(kServices[i].name, name))
                return r.counts[i];
        return std::size_t(0);
    };
    r.alert_calls = count("fom_alert");
    r.stat_calls = count("fom_stat");
    r.fopen_calls = count("fim_fopen");
    r.alerts.assign(hostk::alerts().begin() + std::ptrdiff_t(alerts_before), hostk::alerts().end());
    r.shown.assign(hostk::shown_statuses().begin() + std::ptrdiff_t(shown_before),
                   hostk::shown_statuses().end());
    r.last_byte = hostk::last_read().last_byte;
    r.frh = hostk::block_bytes(frame.hfrh);
    r.dat = hostk::block_bytes(frame.hdat);
    r.frh_locked = hostk::block_locked(frame.hfrh);
    r.dat_locked = hostk::block_locked(frame.hdat);
    r.live_blocks = hostk::live_blocks();
    r.open_files = hostk::open_files();
    r.live_objects = hostk::live_objects();
    r.marks = hostk::marks(frame.hfrh);
    r.mouse = hostk::mouse_form();
    return r;
}

void check_frame_header(const ImportRun& r, const std::string& why, Findings& f) {
    if (r.frh.size() < 56)
        return f.add(why, "frame header block shorter than its header");
    uint32_t nsub = u32(r.frh, 44);
    if (nsub > 1)
        return f.add(why, "frame header has " + std::to_string(nsub) + " sub-entries");
    std::size_t names_at = 56 + 4 * std::size_t(nsub);
    bool named = (r.frh[3] & 0x80) != 0;
    // the sub-entry count is set before the walk; its entry's bytes come with the name
    if (!named && r.frh.size() != names_at && r.frh.size() != 56)
        f.add(why, "unnamed frame header of " + std::to_string(r.frh.size()) + " bytes");
    if (named && (r.frh.size() <= names_at || r.frh.back() != 0 ||
                  std::strlen(reinterpret_cast<const char*>(&r.frh[names_at])) + 1 !=
                      r.frh.size() - names_at))
        f.add(why, "named frame header without one zero-terminated name at its end");
}

bool check_object(const ImportRun& r, bool must_be_terminated, const std::string& why,
                  Findings& f) {
    const Bytes& b = r.dat;
    if (b.size() < 24) {
        f.add(why, "data block of " + std::to_string(b.size()) + " bytes");
        return false;
    }
    for (std::size_t i : {0, 1, 2, 3, 4, 5, 6, 7, 16, 17, 18, 19, 20, 21, 22, 23})
        if (b[i] != fill_byte(i)) {
            f.add(why, "object header byte " + std::to_string(i) + " changed");
            break;
        }
    std::size_t at = 24;
    while (at + 2 <= b.size()) {
        uint16_t type = u16(b, at);
        if (type == 0x00FF) {
            if (at + 2 != b.size())
                f.add(why, "terminator at " + std::to_string(at) + " of a block of " +
                               std::to_string(b.size()));
            return true;
        }
        if (type != 4 || at + 8 > b.size())
            break; // an unfinished record: no terminator follows
        uint32_t next = u32(b, at + 4);
        if (next < 32 || next % 4 != 0 || at + next > b.size()) {
            f.add(why, "record at " + std::to_string(at) + " with nxtoff " + std::to_string(next) +
                           " in a block of " + std::to_string(b.size()));
            return false;
        }
        at += next;
    }
    if (must_be_terminated)
        f.add(why, "object not terminated");
    return false;
}

std::string write_file(const std::string& name, const std::string& text) {
    std::string path = ::testing::TempDir() + "sweep_" + name;
    std::ofstream(path, std::ios::binary).write(text.data(), std::streamsize(text.size()));
    return path;
}

} // namespace faults
