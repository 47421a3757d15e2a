// driver_test.cpp: the section driver: the walk over the top level, the best size, the end
// marker, the alerts and statuses of bad input, and what every walk starts from and leaves.
#include <string>

#include "testutil.h"

using namespace testutil;

namespace {

class DriverTest : public ModuleTest {
  protected:
    // Walks content into a fresh frame, keeping the frame to look at afterwards.
    void run(const std::string& content) {
        frame = hostk::create_frame();
        int32_t fh = open_text(content);
        status = parceFile(fh, frame.hdat);
        fim_fclose(fh);
        object = hostk::block_bytes(frame.hdat);
    }
    int alerts(const char* caption) const {
        int n = 0;
        for (const hostk::Alert& a : hostk::alerts())
            n += a.caption == caption;
        return n;
    }
    int invalid() const { return alerts("Invalid DXF File"); }
    // The object is the header, no record, and the terminator.
    bool terminated_empty() const { return object.size() == 26 && u16(object, 24) == 0x00FF; }

    hostk::Frame frame;
    int32_t status = 0;
    Bytes object;
};

const std::string kBlocks = section("BLOCKS", "0\nBLOCK\n2\nB1\n10\n0\n20\n0\n0\nENDBLK\n");

TEST_F(DriverTest, SmallestFileGivesHeaderAndTerminator) {
    run(header(0, 0, 15, 8) + kEof);
    EXPECT_EQ(status, 0);
    ASSERT_EQ(object.size(), 26u);
    EXPECT_EQ(u32(object, 8), 150000u);
    EXPECT_EQ(u32(object, 12), 800000u);
    EXPECT_EQ(u16(object, 24), 0x00FF);
    EXPECT_EQ(invalid(), 0);
    EXPECT_FALSE(hostk::block_locked(frame.hdat));
    EXPECT_EQ(dwidth, 15.0);
    EXPECT_EQ(dheight, 8.0);

    // The host's own bytes of the object header are kept.
    frame = hostk::create_frame();
    void* p = nullptr;
    ASSERT_GE(emm_write(frame.hdat, &p, 0), 0);
    for (int i = 0; i < 24; i++)
        static_cast<uint8_t*>(p)[i] = uint8_t(0xA0 + i);
    emm_ewrite(frame.hdat);
    int32_t fh = open_text(header(0, 0, 15, 8) + kEof);
    EXPECT_EQ(parceFile(fh, frame.hdat), 0);
    fim_fclose(fh);
    object = hostk::block_bytes(frame.hdat);
    ASSERT_EQ(object.size(), 26u);
    for (int i : {0, 3, 4, 7, 16, 19, 20, 23})
        EXPECT_EQ(object[i], 0xA0 + i) << i;
}

TEST_F(DriverTest, BestSizeScalesEachSideByPowersOfTen) {
    struct Case {
        double minx, miny, maxx, maxy;
        uint32_t bestw, besth;
    };
    static const Case cases[] = {
        {0, 0, 15, 8, 150000, 800000},       {0, 0, 5, 2, 500000, 200000},
        {0, 0, 2000, 1500, 200000, 150000},  {0, 0, 1000, 1000, 100000, 100000},
        {-10, -20, 5, -12, 150000, 800000},  {0, 0, 0.25, 4096, 250000, 409600},
        {0, 0, 5e7, 1, 4294967295u, 100000}, // 100 times the width is beyond 32 bits
    };
    for (const Case& c : cases) {
        run(header(c.minx, c.miny, c.maxx, c.maxy) + kEof);
        EXPECT_EQ(status, 0) << c.maxx;
        ASSERT_EQ(object.size(), 26u);
        EXPECT_EQ(u32(object, 8), c.bestw) << c.maxx << " x " << c.maxy;
        EXPECT_EQ(u32(object, 12), c.besth) << c.maxx << " x " << c.maxy;
    }
}

TEST_F(DriverTest, EndMarkerIsMatchedAsAPrefix) {
    for (const char* end :
         {"0\nEOF\n", "0\nEOFX\n", "0\r\nEOF\r\n", "0\nSECTION\n2\nEOFSEC\n", "0\nEOF"}) {
        hostk::reset();
        run(header(0, 0, 10, 10) + end);
        EXPECT_EQ(status, 0) << end;
        EXPECT_TRUE(terminated_empty()) << end;
        EXPECT_EQ(invalid(), 0) << end;
    }
    // A file of the end marker alone is accepted; its best size stays as the host left it.
    run(kEof);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(terminated_empty());
    EXPECT_EQ(u32(object, 8), 0u);
}

TEST_F(DriverTest, BadTopLevelStopsWithTheAlertAndTerminates) {
    struct Case {
        std::string tail;
        const char* why;
    };
    const Case cases[] = {
        {"999\nnote\n" + kEof, "comment"},
        {"5\nABC\n" + kEof, "code other than 0"},
        {"0\nENDSEC\n" + kEof, "stray ENDSEC"},
        {"0\n EOF\n", "blank before EOF"},
        {"0\nEO\n", "EOF cut short"},
        {section("CLASSES", "") + kEof, "CLASSES"},
        {section("OBJECTS", "") + kEof, "OBJECTS"},
        {"0\nSECTION\n2\nheader\n0\nENDSEC\n" + kEof, "lower-case section name"},
    };
    for (const Case& c : cases) {
        hostk::reset();
        run(header(0, 0, 10, 10) + c.tail);
        EXPECT_EQ(status, -1) << c.why;
        EXPECT_EQ(invalid(), 1) << c.why;
        EXPECT_TRUE(terminated_empty()) << c.why;
        EXPECT_FALSE(hostk::block_locked(frame.hdat)) << c.why;
    }
}

TEST_F(DriverTest, EndOfFileBeforeTheMarkerFailsWithoutTerminator) {
    for (const char* tail : {"", "0\nEO", "99", "0\nSECTION\n"}) {
        hostk::reset();
        run(header(0, 0, 10, 10) + tail);
        EXPECT_LT(status, 0) << tail;
        EXPECT_NE(status, -1) << tail; // the read's own status
        EXPECT_EQ(invalid(), 1) << tail;
        EXPECT_EQ(object.size(), 24u) << tail;
        EXPECT_FALSE(hostk::block_locked(frame.hdat)) << tail;
    }
    hostk::reset();
    run("");
    EXPECT_LT(status, 0);
    EXPECT_EQ(invalid(), 1);
}

TEST_F(DriverTest, ExtentsWithoutAreaAreRefused) {
    struct Case {
        std::string head;
        const char* why;
    };
    const Case cases[] = {
        {header(3, 0, 3, 5), "zero width"},
        {header(0, 4, 5, 4), "zero height"},
        {header(5, 0, 0, 5), "negative width"},
        {header(0, 0, 5, -1), "negative height"},
        {section("HEADER", "9\n$OSMODE\n70\n1\n"), "no extents"},
        {section("HEADER", "9\n$EXTMIN\n10\n0\n20\n0\n9\n$EXTMAX\n10\n1e39\n20\n1\n"),
         "infinite width"},
    };
    for (const Case& c : cases) {
        hostk::reset();
        run(c.head + section("ENTITIES", "") + kEof);
        EXPECT_EQ(status, -1) << c.why;
        EXPECT_EQ(invalid(), 1) << c.why;
        EXPECT_TRUE(terminated_empty()) << c.why;
    }
    run(header(3, 0, 3, 5) + kEof);
    EXPECT_EQ(u32(object, 8), 0u);
    EXPECT_EQ(u32(object, 12), 500000u);
}

TEST_F(DriverTest, FailingHeaderEndsOnItsStatus) {
    // an unknown variable: no alert from the header or the driver, no terminator; the
    // extents it leaves (none) never hang the best-size loop
    run(section("HEADER", "9\n$NEWVAR\n1\nx\n") + kEof);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(invalid(), 0);
    EXPECT_EQ(object.size(), 24u);
    EXPECT_FALSE(hostk::block_locked(frame.hdat));
}

TEST_F(DriverTest, EntitiesNeedAMappingOfThisWalk) {
    run(section("ENTITIES", "") + header(0, 0, 10, 10) + kEof);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(invalid(), 1);
    EXPECT_TRUE(terminated_empty());

    // a mapping left by an earlier walk does not count
    run(header(0, 0, 10, 10) + kEof);
    ASSERT_EQ(status, 0);
    run(section("ENTITIES", "") + kEof);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(invalid(), 2);

    // HEADER and ENTITIES alone make a whole drawing
    run(header(0, 0, 10, 10) + section("ENTITIES", "") + kEof);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(terminated_empty());
}

TEST_F(DriverTest, OneBlocksSectionPerWalk) {
    run(header(0, 0, 10, 10) + kBlocks + kBlocks + kEof);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(invalid(), 1);
    EXPECT_TRUE(terminated_empty());
    EXPECT_EQ(hObj, 0);
    EXPECT_EQ(hostk::live_blocks(), 2u); // the frame's two blocks

    hostk::reset();
    run(kBlocks + header(0, 0, 10, 10) + kBlocks + kEof);
    EXPECT_EQ(status, -1);
    EXPECT_EQ(invalid(), 1);
    EXPECT_EQ(hostk::live_blocks(), 2u);
}

TEST_F(DriverTest, HeaderAfterBlocksReleasesTheStore) {
    run(kBlocks + header(0, 0, 10, 10) + section("ENTITIES", "") + kEof);
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(terminated_empty());
    EXPECT_EQ(hObj, 0);
    EXPECT_EQ(MAXOBJ, 0);
    EXPECT_EQ(hostk::live_blocks(), 2u);

    // the store of a normal walk is released at its end
    run(header(0, 0, 10, 10) + kBlocks + section("ENTITIES", "") + kEof);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(hObj, 0);
    EXPECT_EQ(hostk::live_blocks(), 4u); // two frames
}

TEST_F(DriverTest, NothingOfAnEarlierImportIsUsed) {
    // counts and a store handle as a stale import might leave them
    int32_t foreign = hostk::make_block(Bytes(96, 0));
    hObj = foreign;
    MAXOBJ = 7;
    MAXLAY = 5;
    MAXLINE = 6;
    run(kEof);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(hObj, 0);
    EXPECT_EQ(MAXOBJ, 0);
    EXPECT_EQ(MAXLAY, 0);
    EXPECT_EQ(MAXLINE, 0);
    EXPECT_TRUE(hostk::block_exists(foreign)); // not this walk's to release

    hObj = foreign;
    run("999\nx\n");
    EXPECT_EQ(status, -1);
    EXPECT_TRUE(hostk::block_exists(foreign));
}

TEST_F(DriverTest, FailingReadersStopTheWalk) {
    // a 3-D circle: the reader's own alert, none from the driver, its status
    run(header(0, 0, 10, 10) +
        section("ENTITIES", "0\nCIRCLE\n8\n0\n10\n1\n20\n1\n30\n0\n40\n1\n") + kEof);
    EXPECT_EQ(status, ST_NOT3D);
    EXPECT_EQ(alerts("Not Supported"), 1);
    EXPECT_EQ(invalid(), 0);
    EXPECT_EQ(object.size(), 24u);

    // a table the reader refuses: the driver adds its alert; no terminator
    hostk::reset();
    run(header(0, 0, 10, 10) + kBlocks +
        section("TABLES", "0\nTABLE\n2\nNOSUCH\n70\n1\n0\nENDTAB\n") + kEof);
    EXPECT_EQ(status, -1);
    EXPECT_GE(invalid(), 1);
    EXPECT_EQ(object.size(), 24u);
    EXPECT_EQ(hObj, 0);
    EXPECT_EQ(hostk::live_blocks(), 2u); // the store of BLOCKS is released
    EXPECT_FALSE(hostk::block_locked(frame.hdat));
}

TEST_F(DriverTest, HostFailuresAreReported) {
    // the data block cannot be locked: nothing read, no alert
    frame = hostk::create_frame();
    hostk::fail_call("emm_write", 1, KST_ACCESS);
    int32_t fh = open_text(header(0, 0, 15, 8) + kEof);
    EXPECT_EQ(parceFile(fh, frame.hdat), KST_ACCESS);
    fim_fclose(fh);
    EXPECT_EQ(hostk::call_count("fim_fread"), 0u);
    EXPECT_EQ(hostk::alerts().size(), 0u);

    // the final resize fails: no terminator, the resize's status
    hostk::reset();
    hostk::fail_call("emm_resz", 1, KST_NOMEMORY);
    run(header(0, 0, 15, 8) + kEof);
    EXPECT_EQ(status, KST_NOMEMORY);
    EXPECT_EQ(object.size(), 24u);
    EXPECT_FALSE(hostk::block_locked(frame.hdat));

    // ending the write access fails: the walk does not claim success
    hostk::reset();
    hostk::fail_call("emm_ewrite", 1, KST_ACCESS);
    run(header(0, 0, 15, 8) + kEof);
    EXPECT_EQ(status, KST_ACCESS);
}

} // namespace
