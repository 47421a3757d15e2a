// vec_fixture.h: a frame's data block set up as the section driver leaves it before the first
// record (locked for writing, record state at offset 24, a 10 x 10 drawing from (0, 0)), so the
// record writer and the line converters can be driven without the driver.
#ifndef TESTS_VEC_FIXTURE_H
#define TESTS_VEC_FIXTURE_H

#include "testutil.h"

namespace vectest {

using testutil::Bytes;
using testutil::s16;
using testutil::u16;
using testutil::u32;

class RecordState : public testutil::ModuleTest {
  protected:
    void SetUp() override {
        ModuleTest::SetUp();
        restart_block();
        set_extents(0, 0, 10, 10);
        MAXLAY = MAXLINE = 0;
    }
    // A fresh frame whose data block is locked with the record state at its start, as the
    // driver leaves it before the first record.
    void restart_block() {
        if (locked)
            emm_ewrite(hogr);
        locked = false;
        frame = hostk::create_frame();
        hogr = frame.hdat;
        void* p = nullptr;
        ASSERT_GE(emm_write(hogr, &p, 0), 0);
        locked = true;
        pogr = static_cast<OGR*>(p);
        tSize = Offset = VOHOffset = 24;
        vohSize = 0;
        pvoh = nullptr;
    }
    void TearDown() override {
        if (fh)
            fim_fclose(fh);
        if (locked)
            emm_ewrite(hogr);
        ModuleTest::TearDown();
    }

    void set_extents(double minx, double miny, double maxx, double maxy) {
        dminx = minx;
        dminy = miny;
        dmaxx = maxx;
        dmaxy = maxy;
        dwidth = maxx - minx;
        dheight = maxy - miny;
    }

    // Opens content as the file a converter reads (its groups after the entity's opening pair).
    int32_t open(const std::string& content) { return fh = open_text(content); }

    // The group that the file delivers next.
    std::string next_group() {
        char text[TEXTLEN] = {};
        uint32_t group = 0;
        int32_t stat = get_grpnm(fh, &group, text);
        return std::to_string(group) + "/" + text + (stat < 0 ? "/fail" : "");
    }

    uint32_t block_size() {
        uint32_t n = 0;
        emm_size(hogr, &n);
        return n;
    }

    // Ends the write access and returns the block's bytes.
    Bytes finish() {
        emm_ewrite(hogr);
        locked = false;
        return hostk::block_bytes(hogr);
    }

    hostk::Frame frame;
    bool locked = false;
    int32_t fh = 0;
};

// The signed 16-bit words of b from off on.
inline std::vector<int> words(const Bytes& b, std::size_t off, std::size_t n) {
    std::vector<int> w;
    for (std::size_t i = 0; i < n; ++i)
        w.push_back(s16(b, off + 2 * i));
    return w;
}

// A record header's box and attributes, as read from the block.
struct Box {
    int xpos, ypos;
    unsigned width, height;
    bool operator==(const Box& o) const {
        return xpos == o.xpos && ypos == o.ypos && width == o.width && height == o.height;
    }
};
inline std::ostream& operator<<(std::ostream& os, const Box& b) {
    return os << "{xpos " << b.xpos << ", ypos " << b.ypos << ", width " << b.width << ", height "
              << b.height << "}";
}
inline Box box_at(const Bytes& b, std::size_t rec) {
    return Box{s16(b, rec + 8), s16(b, rec + 10), u16(b, rec + 12), u16(b, rec + 14)};
}

// Checks the fixed parts of a finished record at rec: type 4, its size, the appearance of a
// LINE record (ljoin 1, ldef 0x90) or of a POLYLINE record (ljoin 0, ldef 0x80).
inline void expect_record(const Bytes& b, std::size_t rec, uint32_t size, uint32_t ldef) {
    EXPECT_EQ(s16(b, rec), 4);
    EXPECT_EQ(u32(b, rec + 4), size);
    EXPECT_EQ(u32(b, rec + 16), 0x20u); // ardef: spec 2
    EXPECT_EQ(u32(b, rec + 20), 0u);    // lrdef
    EXPECT_EQ(u32(b, rec + 24), ldef);
}

} // namespace vectest

#endif
