// command_test.cpp: the import command as the host calls it: the target frame, the file
// selector, the frame's header and data blocks afterwards, and the clean-up and message of
// every failure, with each host call made to fail in turn.
#include <cstring>
#include <string>
#include <vector>

#include "testutil.h"

using namespace testutil;

namespace {

class CommandTest : public ModuleTest {
  protected:
    void SetUp() override {
        ModuleTest::SetUp();
        frame = hostk::create_frame();
    }
    int32_t exec(int16_t source = 0) { return mod_exec(source, &edis); }
    // Chooses a file holding content under the 8-character name "plan.dxf".
    void choose(const std::string& content) {
        hostk::set_selection(write_temp(content), "plan.dxf", 3);
    }
    // Overwrites the start of a block with bytes 1, 2, 3, ...
    void fill_block(int32_t h, uint32_t n) {
        void* p = nullptr;
        ASSERT_GE(emm_write(h, &p, 0), 0);
        for (uint32_t i = 0; i < n; i++)
            static_cast<uint8_t*>(p)[i] = uint8_t(i + 1);
        emm_ewrite(h);
    }
    // The command left nothing behind: no open file, no document object, mouse form 0.
    void expect_clean(const std::string& why, bool unlocked = true) {
        EXPECT_EQ(hostk::open_files(), 0u) << why;
        EXPECT_EQ(hostk::live_objects(), 0u) << why;
        EXPECT_EQ(hostk::mouse_form(), 0) << why;
        if (unlocked) {
            EXPECT_FALSE(hostk::block_locked(frame.hfrh)) << why;
            EXPECT_FALSE(hostk::block_locked(frame.hdat)) << why;
        }
    }

    XM_EDIS edis{};
    hostk::Frame frame;
};

const std::string kPlain = header(0, 0, 15, 8) + kEof;

TEST_F(CommandTest, ImportFillsMarksAndNamesTheFrame) {
    set_spb()->sort[7] = 5;
    fsel.flags = 9;
    choose(kPlain);
    EXPECT_EQ(exec(), 0);

    Bytes obj = hostk::block_bytes(frame.hdat);
    ASSERT_EQ(obj.size(), 26u);
    EXPECT_EQ(u32(obj, 8), 150000u);
    EXPECT_EQ(u16(obj, 24), 0x00FF);

    Bytes frh = hostk::block_bytes(frame.hfrh);
    ASSERT_EQ(frh.size(), 69u); // 56 + 4 + "plan.dxf" and its zero
    EXPECT_EQ(u32(frh, 44), 1u);
    EXPECT_EQ(frh[3], 0x80);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&frh[60])), "plan.dxf");
    EXPECT_EQ(frh[68], 0);

    EXPECT_EQ(hostk::marks(frame.hfrh), 1);
    EXPECT_EQ(hostk::live_objects(), 1u); // left to the host
    EXPECT_EQ(hostk::open_files(), 0u);
    EXPECT_EQ(hostk::mouse_form(), 0);
    EXPECT_TRUE(hostk::shown_statuses().empty());
    EXPECT_TRUE(hostk::alerts().empty());

    hostk::SelectorView sel = hostk::last_selector();
    EXPECT_TRUE(sel.ran);
    EXPECT_EQ(sel.heading, "Import DXF File");
    EXPECT_EQ(sel.default_ext, "DXF");
    EXPECT_EQ(sel.extensions, std::vector<std::string>{"DXF"});
    EXPECT_EQ(sel.flags, 0);
    EXPECT_EQ(sel.sort, 5);
    EXPECT_EQ(sel.path, std::string(set_spb()->paths[7]));
    EXPECT_EQ(set_spb()->sort[7], 3); // the user's sort mode is remembered
    EXPECT_STREQ(filename, "plan.dxf");
}

TEST_F(CommandTest, WholeDrawingFromDisk) {
    hostk::set_selection(std::string(TEST_DATA_DIR) + "/cmd_line.dxf", "cmd_line.dxf");
    ASSERT_EQ(exec(), 0);
    Bytes obj = hostk::block_bytes(frame.hdat);
    ASSERT_EQ(obj.size(), 70u); // header, one line record of 44 bytes, terminator
    EXPECT_EQ(u32(obj, 8), 100000u);
    EXPECT_EQ(u32(obj, 12), 100000u);
    EXPECT_EQ(s16(obj, 24), 4);
    EXPECT_EQ(u32(obj, 28), 44u);
    EXPECT_EQ(s16(obj, 32), 0);     // xpos
    EXPECT_EQ(s16(obj, 34), 8192);  // ypos
    EXPECT_EQ(u16(obj, 36), 16384); // width
    EXPECT_EQ(u16(obj, 38), 8192);  // height
    EXPECT_EQ(u16(obj, 68), 0x00FF);
}

TEST_F(CommandTest, NothingIsDoneWithoutAFrameAChangeOrAFile) {
    choose(kPlain);
    hostk::clear_target_frame();
    EXPECT_EQ(exec(), 1);
    EXPECT_EQ(exec(1), 1); // the frame is asked for first

    hostk::set_target_frame(frame);
    hostk::set_fre_change_result(2);
    EXPECT_EQ(exec(), 1);
    EXPECT_FALSE(hostk::last_selector().ran);

    hostk::set_fre_change_result(0);
    hostk::set_selection_cancel();
    set_spb()->sort[7] = 4;
    EXPECT_EQ(exec(), 1);
    EXPECT_TRUE(hostk::last_selector().ran);
    EXPECT_EQ(set_spb()->sort[7], 4);

    EXPECT_EQ(hostk::call_count("dsm_ocreate"), 0u);
    EXPECT_EQ(hostk::call_count("fim_fopen"), 0u);
    EXPECT_EQ(hostk::call_count("emm_write"), 0u);
    EXPECT_EQ(hostk::marks(frame.hfrh), 0);
    EXPECT_EQ(hostk::block_bytes(frame.hfrh).size(), 56u);
    EXPECT_TRUE(hostk::shown_statuses().empty());
}

TEST_F(CommandTest, SourcesOtherThanZero) {
    choose(kPlain);
    EXPECT_EQ(exec(1), 0);
    EXPECT_EQ(hostk::mouse_form(), 0);
    EXPECT_EQ(exec(2), 1);
    EXPECT_EQ(exec(-1), 1);
    EXPECT_FALSE(hostk::last_selector().ran);
    EXPECT_EQ(hostk::call_count("fim_fopen"), 0u);
}

TEST_F(CommandTest, DataBlockBecomesABareObjectHeaderFirst) {
    // an earlier object is cut back; the host's header bytes stay
    frame = hostk::create_frame(100);
    fill_block(frame.hdat, 100);
    choose(kPlain);
    ASSERT_EQ(exec(), 0);
    Bytes obj = hostk::block_bytes(frame.hdat);
    ASSERT_EQ(obj.size(), 26u);
    EXPECT_EQ(obj[0], 1);
    EXPECT_EQ(obj[7], 8);
    EXPECT_EQ(obj[16], 17);
    EXPECT_EQ(obj[23], 24);
    EXPECT_EQ(u16(obj, 24), 0x00FF);

    // a block shorter than the header is grown to it, the new bytes zero
    frame = hostk::create_frame(10);
    fill_block(frame.hdat, 10);
    choose(kPlain);
    ASSERT_EQ(exec(), 0);
    obj = hostk::block_bytes(frame.hdat);
    ASSERT_EQ(obj.size(), 26u);
    EXPECT_EQ(obj[0], 1);
    EXPECT_EQ(obj[7], 8);
    EXPECT_EQ(u32(obj, 8), 150000u);
    EXPECT_EQ(u32(obj, 12), 800000u);
    EXPECT_EQ(u32(obj, 16), 0u);
    EXPECT_EQ(u32(obj, 20), 0u);

    frame = hostk::create_frame(0);
    choose(kPlain);
    ASSERT_EQ(exec(), 0);
    EXPECT_EQ(hostk::block_bytes(frame.hdat).size(), 26u);
}

TEST_F(CommandTest, FrameNameFollowsTheSubEntries) {
    void* p = nullptr;
    ASSERT_GE(emm_write(frame.hfrh, &p, 0), 0);
    static_cast<FRH*>(p)->nsub = 1;
    static_cast<FRH*>(p)->hd.sstat = 0x41;
    emm_ewrite(frame.hfrh);

    EXPECT_EQ(set_frame_name(frame.hfrh, "plan.dxf"), 0);
    Bytes frh = hostk::block_bytes(frame.hfrh);
    ASSERT_EQ(frh.size(), 69u);
    EXPECT_EQ(frh[3], 0xC1);
    EXPECT_EQ(std::memcmp(&frh[60], "plan.dxf", 9), 0);

    EXPECT_EQ(set_frame_name(frame.hfrh, "a.dxf"), 0); // a shorter name replaces it
    frh = hostk::block_bytes(frame.hfrh);
    ASSERT_EQ(frh.size(), 66u);
    EXPECT_EQ(std::memcmp(&frh[60], "a.dxf", 6), 0);

    EXPECT_EQ(set_frame_name(frame.hfrh, ""), 0);
    frh = hostk::block_bytes(frame.hfrh);
    EXPECT_EQ(frh.size(), 60u);
    EXPECT_EQ(frh[3], 0x41);
    EXPECT_FALSE(hostk::block_locked(frame.hfrh));

    // a failed resize is reported; so is a write access that then cannot be ended either
    hostk::fail_call("emm_resz", 1, KST_NOMEMORY);
    EXPECT_EQ(set_frame_name(frame.hfrh, "plan.dxf"), KST_NOMEMORY);
    EXPECT_FALSE(hostk::block_locked(frame.hfrh));
    EXPECT_EQ(hostk::block_bytes(frame.hfrh).size(), 60u);
    hostk::clear_faults();
    hostk::fail_call("emm_resz", 1, KST_NOMEMORY);
    hostk::fail_call("emm_ewrite", 1, KST_ACCESS);
    EXPECT_EQ(set_frame_name(frame.hfrh, "plan.dxf"), ST_FRAMEHDR);
}

TEST_F(CommandTest, OnErrorReleasesAndShowsTheStatus) {
    EXPECT_EQ(onError(0, 0, 0), -1);
    EXPECT_EQ(onError(KST_NOFILE, 0, 0), -1);
    EXPECT_EQ(hostk::shown_statuses(), (std::vector<int32_t>{-1, KST_NOFILE}));
    EXPECT_EQ(hostk::mouse_form(), 0);
    EXPECT_EQ(hostk::call_count("fim_fclose"), 0u);
    EXPECT_EQ(hostk::call_count("dsm_odelete"), 0u);
}

TEST_F(CommandTest, BadDrawingsAndMissingFiles) {
    choose("999\nnote\n" + kEof);
    EXPECT_EQ(exec(), -1);
    EXPECT_EQ(hostk::alerts().size(), 1u);
    EXPECT_EQ(hostk::shown_statuses(), std::vector<int32_t>{-1});
    EXPECT_EQ(u32(hostk::block_bytes(frame.hfrh), 44), 1u); // nsub stays set
    EXPECT_EQ(hostk::marks(frame.hfrh), 0);
    expect_clean("bad drawing");

    hostk::set_selection(::testing::TempDir() + "no_such_file.dxf", "no_such_file.dxf");
    EXPECT_EQ(exec(), -1);
    EXPECT_EQ(hostk::shown_statuses().back(), KST_NOFILE);
    expect_clean("missing file");

    // the host cannot describe the target frame: the empty descriptor is refused the change,
    // so nothing is done and nothing is shown; a plain source still answers as usual
    const size_t shown = hostk::shown_statuses().size();
    hostk::fail_call("xmd_fframe", 1, KST_ARGUMENT);
    choose(kPlain);
    EXPECT_EQ(exec(), 1);
    hostk::fail_call("xmd_fframe", 1, KST_ARGUMENT);
    EXPECT_EQ(exec(1), 0);
    EXPECT_EQ(hostk::shown_statuses().size(), shown);
    EXPECT_EQ(hostk::call_count("fim_xfsel"), 2u); // the two imports before
    EXPECT_EQ(hostk::marks(frame.hfrh), 0);
    expect_clean("no frame described");
}

TEST_F(CommandTest, EveryHostCallFailingInTurnIsCleanedUp) {
    // how often a successful import into a 40-byte data block makes each call
    const std::vector<std::string> services = {"dsm_ocreate", "fim_fopen", "emm_write",
                                               "emm_size",    "emm_resz",  "emm_ewrite",
                                               "fim_fclose",  "dom_mark",  "fim_fread"};
    frame = hostk::create_frame(40);
    choose(kPlain);
    ASSERT_EQ(exec(), 0);
    std::vector<std::size_t> counts;
    for (const std::string& s : services)
        counts.push_back(hostk::call_count(s));

    for (std::size_t i = 0; i < services.size(); i++) {
        std::size_t calls = services[i] == "fim_fread" ? 1 : counts[i];
        ASSERT_GE(calls, 1u) << services[i];
        for (std::size_t n = 1; n <= calls; n++) {
            std::string why = services[i] + " call " + std::to_string(n);
            hostk::reset();
            frame = hostk::create_frame(40);
            choose(kPlain);
            const int32_t fault = KST_NOMEMORY;
            // the file stays unreadable once a read fails
            hostk::fail_call(services[i], n, fault, services[i] == "fim_fread");
            EXPECT_EQ(exec(), -1) << why;
            EXPECT_EQ(hostk::shown_statuses(), std::vector<int32_t>{fault}) << why;
            // a write access the host failed to end stays open; nothing else is left
            expect_clean(why, services[i] != "emm_ewrite");
        }
    }

    // the optional-z step's position calls: the header fails, the import is cleaned up
    for (const char* s : {"fim_ftell", "fim_fseek"}) {
        hostk::reset();
        frame = hostk::create_frame();
        choose(kPlain);
        hostk::fail_call(s, 1, KST_BADFILE);
        EXPECT_EQ(exec(), -1) << s;
        EXPECT_EQ(hostk::shown_statuses().size(), 1u) << s;
        expect_clean(s);
    }
}

} // namespace
