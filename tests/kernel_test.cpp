// Tests of the stand-in host kernel: memory blocks, files, the selector, frames, alerts, status
// messages, the call log and injected faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <set>
#include <stdexcept>

#include "kernel/dlgtemplate.h"
#include "kernel/kernelctl.h"

namespace {

using Bytes = std::vector<uint8_t>;

class KernelTest : public ::testing::Test {
  protected:
    void SetUp() override {
        hostk::reset();
        hostk::set_output_sink([this](const std::string& line) { output.push_back(line); });
    }
    void TearDown() override {
        hostk::set_output_sink({});
        hostk::reset();
    }

    std::string temp_file(const Bytes& bytes) {
        static int serial = 0;
        std::string path = ::testing::TempDir() + "kerneltest_" + std::to_string(++serial);
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        return path;
    }

    // An unlocked block holding bytes 0, 1, 2, ... n-1.
    int32_t counting_block(uint32_t n) {
        Bytes b(n);
        for (uint32_t i = 0; i < n; ++i) {
            b[i] = uint8_t(i);
        }
        return hostk::make_block(b);
    }

    std::vector<std::string> output;
};

TEST_F(KernelTest, BlockAccessesAreCountedAndChecked) {
    int32_t h = 0;
    void* p = nullptr;
    ASSERT_EQ(emm_alloc(0, 0, &h, &p), 0);
    EXPECT_GT(h, 0);
    EXPECT_NE(p, nullptr);
    EXPECT_TRUE(hostk::block_locked(h)); // handed out open for writing
    uint32_t n = 99;
    EXPECT_EQ(emm_size(h, &n), 0);
    EXPECT_EQ(n, 0u);
    EXPECT_EQ(emm_rel(h), KST_ACCESS); // cannot free while open
    EXPECT_EQ(emm_ewrite(h), 0);
    EXPECT_FALSE(hostk::block_locked(h));
    EXPECT_EQ(emm_ewrite(h), KST_ACCESS);
    EXPECT_EQ(emm_eread(h), KST_ACCESS);

    // Nested accesses need one end each.
    EXPECT_EQ(emm_read(h, &p, 0), 0);
    EXPECT_EQ(emm_read(h, &p, 0), 0);
    EXPECT_EQ(emm_eread(h), 0);
    EXPECT_TRUE(hostk::block_locked(h));
    EXPECT_EQ(emm_ewrite(h), KST_ACCESS); // a read access is not ended as a write
    EXPECT_EQ(emm_eread(h), 0);
    EXPECT_FALSE(hostk::block_locked(h));

    EXPECT_EQ(emm_rel(h), 0);
    EXPECT_FALSE(hostk::block_exists(h));
    EXPECT_EQ(emm_rel(h), KST_BADHANDLE);
    EXPECT_EQ(emm_write(0, &p, 0), KST_BADHANDLE);
    EXPECT_EQ(emm_size(-5, &n), KST_BADHANDLE);
    EXPECT_EQ(emm_resz(12345, 4, nullptr), KST_BADHANDLE);
    EXPECT_EQ(emm_alloc(-1, 0, &h, &p), KST_ARGUMENT);
    EXPECT_EQ(hostk::live_blocks(), 0u);
    EXPECT_EQ(hostk::memory_in_use(), 0u);
}

TEST_F(KernelTest, ResizeInsertAndRemoveKeepContents) {
    int32_t h = counting_block(10);
    void* p = nullptr;
    ASSERT_EQ(emm_resz(h, 14, &p), 0); // unlocked blocks resize too
    EXPECT_EQ(hostk::block_bytes(h), (Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 0, 0, 0, 0}));
    ASSERT_EQ(emm_resz(h, 3, nullptr), 0);
    ASSERT_EQ(emm_resz(h, 5, nullptr), 0); // bytes cut off do not come back
    EXPECT_EQ(hostk::block_bytes(h), (Bytes{0, 1, 2, 0, 0}));

    int32_t g = counting_block(6);
    ASSERT_EQ(emm_write(g, &p, 0), 0);
    ASSERT_EQ(emm_ins(g, 2, 3, &p), 0);
    EXPECT_EQ(std::memcmp(p, "\0\1\0\0\0\2\3\4\5", 9), 0); // new address handed back
    ASSERT_EQ(emm_ins(g, 9, 1, &p), 0);                    // at the end
    ASSERT_EQ(emm_indel(g, 0, 2, &p), 0);
    EXPECT_EQ(hostk::block_bytes(g), (Bytes{0, 0, 0, 1, 0, 0, 0, 2, 3, 4, 5, 0}));
    ASSERT_EQ(emm_indel(g, 2, -5, &p), 0);
    EXPECT_EQ(hostk::block_bytes(g), (Bytes{0, 0, 2, 3, 4, 5, 0}));
    EXPECT_EQ(emm_indel(g, 7, 0, &p), 0);
    EXPECT_EQ(emm_ewrite(g), 0);

    // Outside the block: refused, nothing changed.
    EXPECT_EQ(emm_ins(g, 8, 1, &p), KST_RANGE);
    EXPECT_EQ(emm_indel(g, 5, -3, &p), KST_RANGE);
    EXPECT_EQ(emm_indel(g, 8, 0, &p), KST_RANGE);
    EXPECT_EQ(emm_indel(g, 0, INT32_MIN, &p), KST_RANGE);
    EXPECT_EQ(emm_ins(g, 0, UINT32_MAX, &p), KST_NOMEMORY); // size would pass 32 bits
    EXPECT_EQ(hostk::block_bytes(g), (Bytes{0, 0, 2, 3, 4, 5, 0}));
    EXPECT_EQ(hostk::memory_in_use(), 5u + 7u);
}

TEST_F(KernelTest, MemoryLimitRefusesWithoutDamage) {
    hostk::set_memory_limit(1000);
    int32_t h = counting_block(600);
    int32_t g = 0;
    void* p = nullptr;
    ASSERT_GT(h, 0);
    Bytes before = hostk::block_bytes(h);
    EXPECT_EQ(emm_resz(h, 1001, &p), KST_NOMEMORY);
    EXPECT_EQ(emm_ins(h, 100, 401, &p), KST_NOMEMORY);
    EXPECT_EQ(emm_indel(h, 0, 401, &p), KST_NOMEMORY);
    EXPECT_EQ(emm_alloc(401, 0, &g, &p), KST_NOMEMORY);
    EXPECT_EQ(g, 0);
    EXPECT_EQ(hostk::block_bytes(h), before);
    EXPECT_EQ(hostk::memory_in_use(), 600u);
    EXPECT_EQ(hostk::live_blocks(), 1u);
    EXPECT_EQ(hostk::create_frame(500).hfrh, 0);
    EXPECT_EQ(hostk::live_blocks(), 1u); // the frame's header block was given back

    EXPECT_EQ(emm_resz(h, 1000, &p), 0); // up to the limit exactly
    EXPECT_EQ(emm_resz(h, 10, &p), 0);
    EXPECT_EQ(emm_alloc(990, 0, &g, &p), 0);
    EXPECT_EQ(emm_ewrite(g), 0);
    EXPECT_EQ(emm_resz(h, 11, &p), KST_NOMEMORY);
    EXPECT_EQ(emm_rel(g), 0);
    EXPECT_EQ(emm_resz(h, 11, &p), 0);

    // The capacity kept for growth stays within what the limit allows.
    hostk::reset();
    hostk::set_memory_limit(1 << 20);
    h = hostk::make_block({});
    for (uint32_t n = 1; n <= (1u << 20) - 100; n += 4099) {
        ASSERT_EQ(emm_resz(h, n, nullptr), 0);
        EXPECT_LE(hostk::memory_reserved(), std::size_t(1) << 20);
    }
}

TEST_F(KernelTest, GrowthIsAmortisedAndCanBeForcedToMove) {
    int32_t h = hostk::make_block({});
    void* p = nullptr;
    for (uint32_t n = 1; n <= 100000; ++n) {
        ASSERT_EQ(emm_ins(h, n - 1, 1, &p), 0);
    }
    EXPECT_LT(hostk::block_moves(), 20u);
    for (uint32_t n = 0; n < 1000; ++n) {
        ASSERT_EQ(emm_indel(h, 0, -1, &p), 0); // small cuts do not move either
    }
    EXPECT_LT(hostk::block_moves(), 20u);

    hostk::set_move_on_resize(true);
    std::size_t moves = hostk::block_moves();
    ASSERT_EQ(emm_write(h, &p, 0), 0);
    void* old = p;
    static_cast<uint8_t*>(p)[5] = 0xAB;
    ASSERT_EQ(emm_resz(h, 99000, &p), 0);
    EXPECT_NE(p, old);
    EXPECT_EQ(static_cast<uint8_t*>(p)[5], 0xAB);
    ASSERT_EQ(emm_indel(h, 0, 1, &p), 0);
    EXPECT_EQ(hostk::block_moves(), moves + 2);
    EXPECT_EQ(emm_ewrite(h), 0);
}

// One block grown, cut and opened up at random across every size its memory may take (from the
// heap, and mapped from 1 MiB on), sometimes forced to move: its bytes are those of a model.
TEST_F(KernelTest, BlocksOfEverySizeAgreeWithAModel) {
    std::mt19937 rng(5);
    Bytes model;
    int32_t h = hostk::make_block({});
    void* p = nullptr;
    ASSERT_EQ(emm_write(h, &p, 0), 0);
    for (int step = 0; step < 80; ++step) {
        hostk::set_move_on_resize(rng() % 5 == 0);
        const uint32_t n = uint32_t(rng() % (1u << (rng() % 26))); // up to 32 MiB
        const unsigned op = rng() % 3;
        if (op == 0) {
            ASSERT_EQ(emm_resz(h, n, &p), 0);
            model.resize(n, 0);
        } else if (op == 1) {
            const uint32_t at = uint32_t(rng() % (model.size() + 1));
            ASSERT_EQ(emm_ins(h, at, n % (1u << 22), &p), 0);
            model.insert(model.begin() + at, n % (1u << 22), 0);
        } else {
            const uint32_t at = uint32_t(rng() % (model.size() + 1));
            const uint32_t cut = std::min<uint32_t>(n, uint32_t(model.size()) - at);
            ASSERT_EQ(emm_indel(h, at, -int32_t(cut), &p), 0);
            model.erase(model.begin() + at, model.begin() + at + cut);
        }
        // Mark a few places, through the address handed back, in the block and the model.
        for (int k = 0; k < 64 && !model.empty(); ++k) {
            const std::size_t at = rng() % model.size();
            model[at] = static_cast<uint8_t*>(p)[at] = uint8_t(rng() | 1);
        }
        const hostk::BlockView v = hostk::block_view(h);
        ASSERT_EQ(v.size, model.size()) << "step " << step;
        ASSERT_TRUE(model.empty() || std::memcmp(v.data, model.data(), model.size()) == 0)
            << "step " << step;
        ASSERT_EQ(hostk::memory_in_use(), model.size());
    }
    hostk::set_move_on_resize(false);
    EXPECT_EQ(emm_ewrite(h), 0);
    EXPECT_EQ(emm_rel(h), 0);
    EXPECT_EQ(hostk::memory_reserved(), 0u);
}

#if defined(__SANITIZE_ADDRESS__)
// Under AddressSanitizer an address kept past a resize, past the end of the block's access or
// past its size is reported where it is used.
TEST_F(KernelTest, StaleAddressesAreCaught) {
    hostk::set_move_on_resize(true);
    int32_t h = 0;
    void* p = nullptr;
    ASSERT_EQ(emm_alloc(8, 0, &h, &p), 0);
    volatile uint8_t* old = static_cast<uint8_t*>(p);
    old[7] = 1; // inside the block, access open
    ASSERT_EQ(emm_resz(h, 16, &p), 0);
    EXPECT_DEATH(old[0] = 1, "AddressSanitizer");
    volatile uint8_t* now = static_cast<uint8_t*>(p);
    EXPECT_DEATH(now[16] = 1, "AddressSanitizer");
    ASSERT_EQ(emm_ewrite(h), 0);
    EXPECT_DEATH(now[0] = 1, "AddressSanitizer");
}
#endif

TEST_F(KernelTest, FilesReadToTheEndAndPastIt) {
    std::string path = temp_file({'a', 'b', 'c', 'd', 'e'});
    int32_t fh = 0;
    ASSERT_EQ(fim_fopen(path.c_str(), 0, &fh), 0);
    EXPECT_GT(fh, 0);
    EXPECT_EQ(hostk::open_files(), 1u);
    EXPECT_EQ(hostk::last_read().last_byte, -1);
    char c = 0;
    ASSERT_EQ(fim_fread(fh, 1, &c), 1);
    EXPECT_EQ(c, 'a');
    char buf[8] = {};
    EXPECT_EQ(fim_fread(fh, 8, buf), 4); // what is left
    EXPECT_EQ(std::string(buf, 4), "bcde");
    EXPECT_EQ(hostk::last_read().last_byte, 4);
    EXPECT_EQ(hostk::last_read().path, path);
    EXPECT_EQ(fim_fread(fh, 1, &c), KST_EOF);
    EXPECT_EQ(fim_fread(fh, 1, &c), KST_EOF); // and stays there
    EXPECT_EQ(fim_fread(fh, 0, &c), 0);
    uint32_t pos = 0;
    EXPECT_EQ(fim_ftell(fh, &pos), 0);
    EXPECT_EQ(pos, 5u);
    EXPECT_EQ(fim_fclose(fh), 0);
    EXPECT_EQ(fim_fclose(fh), KST_BADFILE);
    EXPECT_EQ(fim_fread(fh, 1, &c), KST_BADFILE);
    EXPECT_EQ(hostk::last_read().last_byte, 4); // kept after closing
    EXPECT_EQ(hostk::open_files(), 0u);

    int32_t none = 0;
    EXPECT_EQ(fim_fopen((path + ".missing").c_str(), 0, &none), KST_NOFILE);
    EXPECT_EQ(fim_fopen(::testing::TempDir().c_str(), 0, &none), KST_OPEN);
    EXPECT_EQ(fim_fopen("", 0, &none), KST_NOFILE);
    EXPECT_EQ(fim_fopen(path.c_str(), 1, &none), KST_ARGUMENT);
    EXPECT_EQ(none, 0);

    std::string empty = temp_file({});
    ASSERT_EQ(fim_fopen(empty.c_str(), 0, &fh), 0);
    EXPECT_EQ(fim_fread(fh, 1, &c), KST_EOF);
    EXPECT_EQ(fim_fseek(fh, 0, 2), 0);
    EXPECT_EQ(fim_fseek(fh, 1, 0), KST_SEEK);
    EXPECT_EQ(fim_fclose(fh), 0);
}

TEST_F(KernelTest, TellAndSeekAreExactAcrossTheBuffer) {
    std::mt19937 rng(7);
    Bytes data(200000);
    for (uint8_t& b : data) {
        b = uint8_t(rng());
    }
    std::string path = temp_file(data);
    int32_t fh = 0;
    ASSERT_EQ(fim_fopen(path.c_str(), 0, &fh), 0);
    uint32_t pos = 0;
    for (int i = 0; i < 2000; ++i) {
        uint32_t target = uint32_t(rng() % (data.size() + 1));
        switch (i % 3) {
        case 0:
            ASSERT_EQ(fim_fseek(fh, target, 0), 0);
            break;
        case 1:
            ASSERT_EQ(fim_fseek(fh, uint32_t(int32_t(target) - int32_t(pos)), 1), 0);
            break;
        default:
            ASSERT_EQ(fim_fseek(fh, uint32_t(int32_t(target) - int32_t(data.size())), 2), 0);
        }
        ASSERT_EQ(fim_ftell(fh, &pos), 0);
        ASSERT_EQ(pos, target);
        uint32_t n = 1 + uint32_t(rng() % 3) * uint32_t(rng() % 40000);
        Bytes got(n);
        int32_t r = fim_fread(fh, n, got.data());
        uint32_t expect = std::min<uint32_t>(n, uint32_t(data.size()) - target);
        if (expect == 0) {
            ASSERT_EQ(r, KST_EOF);
        } else {
            ASSERT_EQ(r, int32_t(expect));
            ASSERT_TRUE(std::equal(got.begin(), got.begin() + expect, data.begin() + target));
        }
        ASSERT_EQ(fim_ftell(fh, &pos), 0);
        ASSERT_EQ(pos, target + expect);
    }
    // Byte by byte across a buffer boundary, stepping back once.
    ASSERT_EQ(fim_fseek(fh, 65530, 0), 0);
    std::vector<uint32_t> order;
    for (uint32_t at = 65530; at < 65545; ++at) {
        order.push_back(at);
    }
    for (uint32_t at = 65534; at < 65550; ++at) {
        order.push_back(at);
    }
    for (std::size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && order[i] != order[i - 1] + 1) {
            ASSERT_EQ(fim_fseek(fh, order[i], 0), 0);
        }
        uint8_t c = 0;
        ASSERT_EQ(fim_fread(fh, 1, &c), 1);
        ASSERT_EQ(c, data[order[i]]);
    }
    EXPECT_EQ(fim_fseek(fh, uint32_t(data.size()) + 1, 0), KST_SEEK);
    EXPECT_EQ(fim_fseek(fh, uint32_t(-1), 0), KST_SEEK);
    EXPECT_EQ(fim_fseek(fh, 1, 2), KST_SEEK);
    EXPECT_EQ(fim_fseek(fh, 0, 3), KST_ARGUMENT);
    EXPECT_EQ(fim_ftell(fh, &pos), 0);
    EXPECT_EQ(pos, 65550u); // refused seeks do not move
    EXPECT_EQ(fim_fclose(fh), 0);
}

TEST_F(KernelTest, InjectedFaultsReachTheChosenCall) {
    int32_t h = counting_block(4);
    void* p = nullptr;
    hostk::set_call_logging(true);
    hostk::fail_call("emm_resz", 2, KST_NOMEMORY);
    EXPECT_EQ(emm_resz(h, 5, &p), 0);
    EXPECT_EQ(emm_resz(h, 6, &p), KST_NOMEMORY);
    EXPECT_EQ(hostk::block_bytes(h).size(), 5u); // the failed call did nothing
    EXPECT_EQ(emm_resz(h, 7, &p), 0);
    EXPECT_EQ(hostk::call_count("emm_resz"), 3u); // failed calls count too

    hostk::fail_call("emm_size", 1, -7, true);
    uint32_t n = 0;
    EXPECT_EQ(emm_size(h, &n), -7);
    EXPECT_EQ(emm_size(h, &n), -7);
    EXPECT_EQ(n, 0u);
    hostk::fail_call("xmd_fframe", 1, 1); // a positive answer passes as it is
    FRD frd{};
    EXPECT_EQ(xmd_fframe(0xF04, 0, &frd), 1);
    EXPECT_EQ(hostk::call_log(), (std::vector<std::string>{"emm_resz", "emm_resz", "emm_resz",
                                                           "emm_size", "emm_size", "xmd_fframe"}));
    hostk::clear_faults();
    EXPECT_EQ(emm_size(h, &n), 0);
    EXPECT_EQ(n, 7u);
    hostk::clear_call_log();
    EXPECT_TRUE(hostk::call_log().empty());

    EXPECT_THROW(hostk::fail_call("emm_resize", 1, -1), std::invalid_argument);
    EXPECT_THROW(hostk::fail_call("usi_mset", 1, -1), std::invalid_argument);
    EXPECT_THROW(hostk::fail_call("emm_rel", 0, -1), std::invalid_argument);
    EXPECT_THROW(hostk::call_count("nothing"), std::invalid_argument);
}

TEST_F(KernelTest, SelectorAnswersAsToldAndChecksItsBlock) {
    char name[260] = "old";
    char fspec[260] = "old";
    char path[260] = "/drawings/";
    char heading[] = "Heading";
    char defext[] = "DXF";
    char ext[1][260] = {"DXF"};
    XFSPB x{};
    x.pfname = name;
    x.ppath = path;
    x.phd = heading;
    x.pdefext = defext;
    x.pfspec = fspec;
    x.next = 1;
    x.pext = ext;
    x.sort = 3;
    EXPECT_EQ(fim_xfsel(&x), 1); // nothing chosen: cancelled
    EXPECT_STREQ(name, "old");
    hostk::SelectorView v = hostk::last_selector();
    EXPECT_TRUE(v.ran);
    EXPECT_EQ(v.heading, "Heading");
    EXPECT_EQ(v.path, "/drawings/");
    EXPECT_EQ(v.extensions, std::vector<std::string>{"DXF"});
    EXPECT_EQ(v.sort, 3);

    hostk::set_selection("/drawings/plan.dxf", "plan.dxf", 2);
    EXPECT_EQ(fim_xfsel(&x), 0);
    EXPECT_STREQ(fspec, "/drawings/plan.dxf");
    EXPECT_STREQ(name, "plan.dxf");
    EXPECT_EQ(x.sort, 2);
    EXPECT_EQ(fim_xfsel(&x), 1); // one answer per selection

    hostk::set_selection(std::string(300, 'x'), std::string(270, 'y'));
    EXPECT_EQ(fim_xfsel(&x), 0);
    EXPECT_EQ(std::strlen(fspec), 259u);
    EXPECT_EQ(std::strlen(name), 259u);

    x.pfspec = nullptr;
    EXPECT_EQ(fim_xfsel(&x), KST_ARGUMENT);
    x.pfspec = fspec;
    x.pext = nullptr;
    EXPECT_EQ(fim_xfsel(&x), KST_ARGUMENT);
    EXPECT_EQ(fim_xfsel(nullptr), KST_ARGUMENT);

    SPB* spb = set_spb();
    ASSERT_NE(spb, nullptr);
    EXPECT_GT(std::strlen(spb->paths[7]), 0u);
    int16_t kept = spb->sort[7]; // earlier imports may have chosen a sort mode
    spb->sort[7] = 4;
    hostk::reset();
    EXPECT_EQ(set_spb()->sort[7], 4); // the host keeps its paths block
    set_spb()->sort[7] = kept;
}

TEST_F(KernelTest, FramesAndDocumentObjects) {
    FRD frd{};
    EXPECT_EQ(xmd_fframe(0xF04, 0, &frd), 1); // no target frame
    hostk::Frame f = hostk::create_frame(30);
    EXPECT_EQ(hostk::block_bytes(f.hfrh), Bytes(56, 0));
    EXPECT_EQ(hostk::block_bytes(f.hdat), Bytes(30, 0));
    EXPECT_FALSE(hostk::block_locked(f.hfrh));
    EXPECT_EQ(xmd_fframe(0xF03, 0, &frd), KST_ARGUMENT);
    EXPECT_EQ(xmd_fframe(0xF04, 0, nullptr), KST_ARGUMENT);
    ASSERT_EQ(xmd_fframe(0xF04, 0, &frd), 0);
    EXPECT_EQ(frd.hfrh, f.hfrh);
    EXPECT_EQ(frd.hdat, f.hdat);

    EXPECT_EQ(fre_change(&frd), 0);
    hostk::set_fre_change_result(5);
    EXPECT_EQ(fre_change(&frd), 5);
    FRD other = frd;
    other.hfrh = f.hdat;
    EXPECT_EQ(fre_change(&other), KST_NOFRAME);
    EXPECT_EQ(dom_mark(f.hdat), KST_NOFRAME);
    EXPECT_EQ(dom_mark(f.hfrh), 0);
    EXPECT_EQ(dom_mark(f.hfrh), 0);
    EXPECT_EQ(hostk::marks(f.hfrh), 2);

    int32_t o = 0;
    EXPECT_EQ(dsm_ocreate(0x12, 0, &o), KST_OBJTYPE);
    ASSERT_EQ(dsm_ocreate(0x11, 0, &o), 0);
    EXPECT_GT(o, 0);
    EXPECT_EQ(hostk::live_objects(), 1u);
    EXPECT_EQ(dsm_odelete(f.hfrh), KST_NOOBJECT);
    EXPECT_EQ(dsm_odelete(o), 0);
    EXPECT_EQ(dsm_odelete(o), KST_NOOBJECT);
    EXPECT_EQ(hostk::live_objects(), 0u);

    hostk::clear_target_frame();
    EXPECT_EQ(xmd_fframe(0xF04, 0, &frd), 1);
    hostk::set_target_frame(f);
    EXPECT_EQ(xmd_fframe(0xF04, 0, &frd), 0);
    EXPECT_EQ(emm_rel(f.hfrh), 0);
    EXPECT_EQ(dom_mark(f.hfrh), KST_NOFRAME); // its header block is gone
}

// A classic dialog template, built field by field.
struct TemplateBuilder {
    Bytes b;
    void u16(uint16_t v) {
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(v >> 8));
    }
    void u32(uint32_t v) {
        u16(uint16_t(v));
        u16(uint16_t(v >> 16));
    }
    void text(const std::string& s) {
        for (char c : s) {
            u16(uint8_t(c));
        }
        u16(0);
    }
    void align() {
        while (b.size() % 4 != 0) {
            b.push_back(0);
        }
    }
    void control(uint32_t style, int16_t x, int16_t y, int16_t cx, int16_t cy, uint16_t id,
                 uint16_t atom, const std::string& title, int ordinal = -1) {
        align();
        u32(style);
        u32(0);
        for (int16_t v : {x, y, cx, cy}) {
            u16(uint16_t(v));
        }
        u16(id);
        u16(0xFFFF);
        u16(atom);
        if (ordinal >= 0) {
            u16(0xFFFF);
            u16(uint16_t(ordinal));
        } else {
            text(title);
        }
        u16(0);
    }
};

Bytes alert_template(const std::string& caption, const std::string& message) {
    TemplateBuilder t;
    t.u32(0x80C80040); // pop-up, caption, system menu, font
    t.u32(0);
    t.u16(3);
    for (int16_t v : {18, 18, 147, 52}) {
        t.u16(uint16_t(v));
    }
    t.u16(0);
    t.u16(0);
    t.text(caption);
    t.u16(8);
    t.text("Sans");
    t.control(0x50000003, 4, 4, 16, 16, 31002, 0x0082, "", 31002); // icon
    t.control(0x50010001, 53, 36, 40, 12, 1, 0x0080, "Cancel");
    t.control(0x50020000, 32, 4, 112, 24, 100, 0x0082, message);
    return t.b;
}

TEST_F(KernelTest, AlertsReadTheirDialogTemplate) {
    Bytes tmpl = alert_template("Invalid DXF File", "This is not a valid DXF File.");
    hostk::DialogTemplate t;
    std::string err;
    ASSERT_TRUE(hostk::parse_dialog_template(tmpl.data(), tmpl.size(), &t, &err)) << err;
    EXPECT_EQ(t.caption, "Invalid DXF File");
    EXPECT_EQ(t.font, "Sans");
    EXPECT_EQ(t.point_size, 8);
    EXPECT_EQ(t.cx, 147);
    EXPECT_EQ(t.size, tmpl.size());
    ASSERT_EQ(t.controls.size(), 3u);
    EXPECT_EQ(t.controls[0].ordinal, 31002);
    EXPECT_EQ(t.controls[1].text, "Cancel");
    EXPECT_EQ(t.controls[1].cls_atom, hostk::kAtomButton);
    EXPECT_EQ(t.controls[2].id, 100);
    EXPECT_EQ(t.controls[2].x, 32);
    EXPECT_EQ(t.controls[2].cy, 24);

    EXPECT_EQ(fom_alert(-1, tmpl.data()), 1); // dismissed with its button
    ASSERT_EQ(hostk::alerts().size(), 1u);
    EXPECT_EQ(hostk::alerts()[0].text, "This is not a valid DXF File.");
    EXPECT_EQ(hostk::alerts()[0].button, "Cancel");
    EXPECT_EQ(output,
              std::vector<std::string>{"alert: Invalid DXF File: This is not a valid DXF File."});

    // Cut anywhere, the template is refused without reading past the cut.
    for (std::size_t cut = 0; cut < tmpl.size(); ++cut) {
        Bytes part(tmpl.begin(), tmpl.begin() + long(cut));
        part.shrink_to_fit();
        EXPECT_FALSE(hostk::parse_dialog_template(part.data(), part.size(), &t, &err)) << cut;
    }
    Bytes ex = {1, 0, 0xFF, 0xFF, 0, 0, 0, 0};
    EXPECT_FALSE(hostk::parse_dialog_template(ex.data(), ex.size(), &t, &err));
    Bytes endless(4096, 0x41); // no terminator and a huge control count within the bound
    EXPECT_EQ(fom_alert(-1, endless.data()), KST_ARGUMENT);
    EXPECT_EQ(fom_alert(0, tmpl.data()), KST_ARGUMENT);
    EXPECT_EQ(fom_alert(-1, nullptr), KST_ARGUMENT);
    EXPECT_EQ(hostk::alerts().size(), 1u);
}

TEST_F(KernelTest, StatusMessagesAndMouseForm) {
    EXPECT_EQ(fom_stat(KST_NOFILE), 0);
    EXPECT_EQ(fom_stat(-1), 0);
    EXPECT_EQ(output, (std::vector<std::string>{"error: file not found (status -110)",
                                                "error: the operation failed (status -1)"}));
    EXPECT_EQ(hostk::shown_statuses(), (std::vector<int32_t>{KST_NOFILE, -1}));
    EXPECT_EQ(hostk::status_message(KST_NOMEMORY), "out of memory");
    std::set<std::string> seen;
    for (int32_t st : {KST_BADHANDLE, KST_NOMEMORY, KST_ACCESS, KST_RANGE, KST_NOFILE, KST_OPEN,
                       KST_BADFILE, KST_EOF, KST_READ, KST_SEEK, KST_NOOBJECT, KST_OBJTYPE,
                       KST_NOFRAME, KST_ARGUMENT, KST_NOSELECT}) {
        std::string m = hostk::status_message(st);
        EXPECT_NE(m, hostk::status_message(-2)) << st;
        EXPECT_TRUE(seen.insert(m).second) << m;
    }
    EXPECT_EQ(hostk::mouse_form(), -1);
    usi_mset(0);
    EXPECT_EQ(hostk::mouse_form(), 0);
    hostk::reset();
    EXPECT_EQ(hostk::mouse_form(), -1);
}

// The notes follow what the calls show of the module: the status that comes after its 3-D alert
// with no alert asked for, a selector with no heading. -1 also ends a header without an alert. They
// never reach the output sink.
TEST_F(KernelTest, NotesTellWhatTheModuleCouldNotSay) {
    const Bytes tmpl = alert_template("Invalid DXF File", "This is not a valid DXF File.");
    struct Case {
        std::string calls; // a: fom_alert, 1: fom_stat(-1), 2: fom_stat(-2), n: fom_stat of a
                           // host status, h: selector with a heading, e: with an empty heading
        std::vector<std::string> about; // what each note names, in order
    };
    const std::vector<Case> cases = {
        {"", {}},
        {"a1", {}},
        {"a2", {}},
        {"ha1", {}},
        {"n", {}},
        {"1", {}},
        {"n1", {}},
        {"2", {"status -2", "FindResourceA"}},
        {"n2", {"status -2", "FindResourceA"}},
        {"2a2", {"status -2", "FindResourceA"}}, // only the status before the alert
        {"e", {"empty heading", "LoadStringA"}},
        {"ea1", {"empty heading", "LoadStringA"}},
        {"e2", {"empty heading", "LoadStringA", "status -2", "FindResourceA"}},
    };
    char empty[] = "";
    char heading[] = "Import DXF File";
    char name[260] = "", fspec[260] = "", path[260] = "";
    for (const Case& c : cases) {
        hostk::reset();
        output.clear();
        XFSPB x{};
        x.pfname = name;
        x.pfspec = fspec;
        x.ppath = path;
        for (char call : c.calls) {
            switch (call) {
            case 'a':
                fom_alert(-1, tmpl.data());
                break;
            case 'n':
                fom_stat(KST_NOFILE);
                break;
            case 'h':
            case 'e':
                x.phd = call == 'h' ? heading : empty;
                EXPECT_EQ(fim_xfsel(&x), 1);
                break;
            default:
                fom_stat(-(call - '0'));
                break;
            }
        }
        const std::vector<std::string>& notes = hostk::notes();
        std::size_t i = 0;
        for (const std::string& n : notes) {
            EXPECT_EQ(n.rfind("note: ", 0), 0u) << c.calls;
            for (int k = 0; k < 2 && i < c.about.size(); ++k, ++i) {
                EXPECT_NE(n.find(c.about[i]), std::string::npos) << c.calls << ": " << n;
            }
        }
        EXPECT_EQ(notes.size() * 2, c.about.size()) << c.calls;
        for (const std::string& line : output) {
            EXPECT_NE(line.rfind("note:", 0), 0u) << c.calls << ": " << line;
        }
    }
    hostk::reset();
    EXPECT_TRUE(hostk::notes().empty());
}

} // namespace

// The one-byte read against a model of two files, under every call that may come between two
// reads: other reads, tells, seeks, bad handles, a null buffer, the call log and faults. The
// bytes, the results, the counts, the log and the last position read must all agree.
TEST_F(KernelTest, OneByteReadsAgreeWithAModelOfTheFiles) {
    std::mt19937 rng(11);
    Bytes data[2] = {Bytes(150000), Bytes(70000)};
    std::string path[2];
    for (int k = 0; k < 2; ++k) {
        for (uint8_t& b : data[k]) {
            b = uint8_t(rng());
        }
        path[k] = temp_file(data[k]);
    }
    int32_t fh[2] = {0, 0};
    uint32_t pos[2] = {0, 0};
    for (int k = 0; k < 2; ++k) {
        ASSERT_EQ(fim_fopen(path[k].c_str(), 0, &fh[k]), 0);
    }
    hostk::ReadPosition last{path[1], -1}; // the model's last position read
    std::size_t reads = 0, logged = 0;     // fim_fread calls, and of all calls those logged
    std::size_t tells = 0;                 // fim_ftell calls
    bool logging = false;
    std::size_t fail_at = 0; // the read call that is to fail (0: none)
    for (int step = 0; step < 400000; ++step) {
        int k = int(rng() % 16 == 0);
        unsigned op = rng() % 100;
        uint8_t c = 0;
        if (op < 88) { // the import's call
            int32_t r = fim_fread(fh[k], 1, &c);
            ++reads;
            logged += logging;
            if (reads == fail_at) {
                ASSERT_EQ(r, KST_READ);
                fail_at = 0;
                hostk::clear_faults();
            } else if (pos[k] == data[k].size()) {
                ASSERT_EQ(r, KST_EOF);
            } else {
                ASSERT_EQ(r, 1);
                ASSERT_EQ(c, data[k][pos[k]]) << "step " << step;
                last = {path[k], int64_t(pos[k]++)};
            }
        } else if (op < 90) {
            Bytes got(1 + rng() % 3000);
            int32_t r = fim_fread(fh[k], uint32_t(got.size()), got.data());
            ++reads;
            logged += logging;
            if (reads == fail_at) {
                ASSERT_EQ(r, KST_READ);
                fail_at = 0;
                hostk::clear_faults();
                continue;
            }
            uint32_t expect = std::min<uint32_t>(uint32_t(got.size()), data[k].size() - pos[k]);
            ASSERT_EQ(r, expect == 0 ? KST_EOF : int32_t(expect));
            ASSERT_TRUE(std::equal(got.begin(), got.begin() + expect, data[k].begin() + pos[k]));
            if (expect > 0) {
                pos[k] += expect;
                last = {path[k], int64_t(pos[k]) - 1};
            }
        } else if (op < 93) {
            uint32_t at = 0;
            ASSERT_EQ(fim_ftell(fh[k], &at), 0);
            ASSERT_EQ(at, pos[k]);
            ++tells;
            logged += logging;
        } else if (op < 95) {
            pos[k] = rng() % 8 == 0 ? uint32_t(data[k].size()) : uint32_t(rng() % data[k].size());
            ASSERT_EQ(fim_fseek(fh[k], pos[k], 0), 0);
            logged += logging;
        } else if (op < 96 && fail_at == 0) {
            ASSERT_EQ(fim_fread(fh[0] + fh[1] + 7, 1, &c), KST_BADFILE);
            ASSERT_EQ(fim_fread(0, 1, &c), KST_BADFILE);
            ASSERT_EQ(fim_fread(fh[k], 1, nullptr), KST_ARGUMENT);
            uint32_t at = 0;
            ASSERT_EQ(fim_ftell(0, &at), KST_BADFILE);
            ASSERT_EQ(fim_ftell(fh[k], nullptr), KST_ARGUMENT);
            reads += 3;
            tells += 2;
            logged += logging ? 5 : 0;
        } else if (op < 98) {
            logging = !logging;
            hostk::set_call_logging(logging);
        } else if (op >= 98 && fail_at == 0) {
            fail_at = reads + 1 + rng() % 50;
            hostk::fail_call("fim_fread", fail_at - reads, KST_READ);
        }
        if (step % 97 == 0) {
            ASSERT_EQ(hostk::call_count("fim_fread"), reads);
            ASSERT_EQ(hostk::call_count("fim_ftell"), tells);
            ASSERT_EQ(hostk::last_read().path, last.path);
            ASSERT_EQ(hostk::last_read().last_byte, last.last_byte) << "step " << step;
        }
    }
    std::size_t logged_now = hostk::call_log().size();
    EXPECT_EQ(logged_now, logged);
    for (int k = 0; k < 2; ++k) {
        ASSERT_EQ(fim_fclose(fh[k]), 0);
    }
    EXPECT_EQ(hostk::last_read().last_byte, last.last_byte); // kept after closing
    uint8_t c = 0;
    EXPECT_EQ(fim_fread(fh[0], 1, &c), KST_BADFILE);
    EXPECT_EQ(hostk::open_files(), 0u);
}
