// The entities section through whole drawings: circle, arc and INSERT records byte for byte
// with their exact rounding, the entities passed over, INSERTs that make no record, where the
// file stands after an INSERT, and how the section ends on 3-D data, bad input and failures of
// the host, always with the block store closed and released.
#include "vec_fixture.h"

#include <cstring>

namespace {

using testutil::Bytes;
using testutil::header;
using testutil::kEof;
using testutil::lines;
using testutil::section;
using testutil::u32;
using vectest::Box;
using vectest::box_at;
using vectest::expect_record;
using vectest::words;

using Words = std::vector<int>;

std::string block(const char* name, const std::string& body) {
    return lines({"0", "BLOCK", "8", "0", "2", name, "70", "0", "10", "0.0", "20", "0.0", "30",
                  "0.0", "3", name}) +
           body + lines({"0", "ENDBLK", "8", "0"});
}
std::string line(const char* x1, const char* y1, const char* x2, const char* y2) {
    return lines(
        {"0", "LINE", "8", "0", "10", x1, "20", y1, "30", "0.0", "11", x2, "21", y2, "31", "0.0"});
}
std::string circle(const char* x, const char* y, const char* r) {
    return lines({"0", "CIRCLE", "8", "0", "10", x, "20", y, "40", r});
}
std::string insert(const char* name, const std::string& groups = "") {
    return lines({"0", "INSERT", "8", "0", "2", name}) + groups;
}

// The block A: a line from (0, 5) to (10, 0), extents 0 to 10 by 0 to 5.
const std::string kBlockA = block("A", line("0", "5", "10", "0"));

class Entities : public testutil::ModuleTest {
  protected:
    // Walks a 100 x 100 drawing from (0, 0) with these blocks and entities.
    Walk drawing(const std::string& blocks, const std::string& entities) {
        std::string d = header(0, 0, 100, 100);
        if (!blocks.empty())
            d += section("BLOCKS", blocks);
        return walk_counted(d + section("ENTITIES", entities) + kEof);
    }
    // Walks content and notes the host blocks left behind besides the frame's two.
    Walk walk_counted(const std::string& content) {
        std::size_t before = hostk::live_blocks();
        Walk w = walk(content);
        left_over = hostk::live_blocks() - before - 2;
        return w;
    }
    std::size_t left_over = 0; // blocks a walk left besides its frame's
    std::size_t alerts() const { return hostk::alerts().size(); }
};

const Words kCircle = {0, 16384, 8192, 3, 8192, 8192, 8192, 8192, 0, 360, 15};

TEST_F(Entities, CircleAndArc) {
    Walk w = drawing("", circle("50", "50", "10") +
                             lines({"0", "ARC", "8", "0", "10", "50", "20", "50", "40", "10", "50",
                                    "30.7", "51", "120.2"}) +
                             // the group after the start angle is the end angle, whatever its code
                             lines({"0", "ARC", "10", "50", "20", "50", "40", "10", "50", "-45.9",
                                    "62", "90.99"}));
    ASSERT_EQ(w.status, 0);
    ASSERT_EQ(w.object.size(), 24u + 3 * 52 + 2);
    for (std::size_t rec : {24, 76, 128}) {
        expect_record(w.object, rec, 52, 0x90);
        EXPECT_EQ(box_at(w.object, rec), (Box{6553, 6554, 3276, 3276}));
    }
    EXPECT_EQ(words(w.object, 24 + 28, 11), kCircle);
    EXPECT_EQ(words(w.object, 76 + 28, 11),
              (Words{0, 8192, 8192, 3, 8192, 8192, 8192, 8192, 30, 120, 15}));
    EXPECT_EQ(words(w.object, 128 + 28, 11),
              (Words{0, 8192, 8192, 3, 8192, 8192, 8192, 8192, -45, 90, 15}));
    EXPECT_EQ(testutil::s16(w.object, 180), 255);
}

TEST_F(Entities, ZInCircleOrArcIsRefused) {
    for (const char* kind : {"CIRCLE", "ARC"}) {
        SCOPED_TRACE(kind);
        std::size_t before = alerts();
        Walk w = drawing("", lines({"0", kind, "10", "50", "20", "50", "30", "0.0", "40", "10",
                                    "50", "0", "51", "90"}));
        EXPECT_EQ(w.status, -2);
        ASSERT_EQ(alerts(), before + 1); // the driver adds none
        EXPECT_EQ(hostk::alerts().back().caption, "Not Supported");
        EXPECT_EQ(w.object.size(), 24u); // not terminated
    }
}

TEST_F(Entities, EntitiesPassedOver) {
    // Keywords are matched as prefixes, in order: "LINEX" is a line, "ARCS" an arc; the rest
    // make nothing, their groups consumed by the section.
    std::string passed;
    for (const char* kind : {"POINT", "SOLID", "TEXT", "SHAPE", "BLOCK", "ATTDEF", "ATTRIB",
                             "3DFACE", "TRACE", "DIMENSION", "VERTEX", "SEQEND", "ENDBLK"})
        passed += lines({"0", kind, "8", "0", "10", "1", "20", "1", "30", "1", "40", "1", "2", "X",
                         "1", "text"});
    Walk w = drawing(kBlockA, passed);
    ASSERT_EQ(w.status, 0);
    EXPECT_EQ(w.object.size(), 26u);
    w = drawing("", lines({"0",    "LINEX", "10", "0",  "20", "0",  "11", "10", "21", "5",  "0",
                           "ARCS", "10",    "50", "20", "50", "40", "10", "50", "0",  "51", "90"}));
    ASSERT_EQ(w.status, 0);
    EXPECT_EQ(w.object.size(), 24u + 44 + 52 + 2);
}

TEST_F(Entities, InsertPlacement) {
    struct Case {
        const char* what;
        std::string groups;
        Box box;
        Words path;
    };
    const Words upright = {0, 0, 0, 1, 16384, 16384, 15};
    const Case cases[] = {
        {"at (20, 30), 2 x 2",
         lines({"10", "20", "20", "30", "30", "0", "41", "2", "42", "2"}),
         {3276, 9830, 3276, 1638},
         upright},
        {"X scale -2",
         lines({"10", "20", "20", "30", "41", "-2", "42", "2"}),
         {0, 9830, 3276, 1638},
         {0, 16384, 0, 1, 0, 16384, 15}},
        {"Y scale -1",
         lines({"10", "20", "20", "30", "42", "-1"}),
         {3276, 11468, 1638, 819},
         {0, 0, 16384, 1, 16384, 0, 15}},
        {"defaults", "", {0, 15564, 1638, 819}, upright},
        {"rotation has no effect", lines({"50", "45"}), {0, 15564, 1638, 819}, upright},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Walk w = drawing(kBlockA, insert("A", c.groups) + circle("50", "50", "10"));
        ASSERT_EQ(w.status, 0);
        ASSERT_EQ(w.object.size(), 24u + 44 + 52 + 2);
        expect_record(w.object, 24, 44, 0x90);
        EXPECT_EQ(box_at(w.object, 24), c.box);
        EXPECT_EQ(words(w.object, 24 + 28, 7), c.path);
        // the entity after the INSERT is converted as usual
        EXPECT_EQ(words(w.object, 68 + 28, 11), kCircle);
    }
}

TEST_F(Entities, InsertsWithoutRecord) {
    // An empty block, a name without a block, no name at all: no record, and the next
    // entity is read from the group 0 that ended the INSERT.
    std::string blocks = kBlockA + block("E", "");
    std::string ents = insert("E", lines({"10", "5", "20", "5"})) + insert("MISSING") +
                       lines({"0", "INSERT", "8", "0", "10", "1", "20", "1"}) +
                       circle("50", "50", "10");
    Walk w = drawing(blocks, ents);
    ASSERT_EQ(w.status, 0);
    ASSERT_EQ(w.object.size(), 24u + 52 + 2);
    EXPECT_EQ(words(w.object, 24 + 28, 11), kCircle);
    // Without a BLOCKS section.
    w = drawing("", insert("A") + circle("50", "50", "10"));
    ASSERT_EQ(w.status, 0);
    ASSERT_EQ(w.object.size(), 24u + 52 + 2);
    EXPECT_EQ(alerts(), 0u);
    EXPECT_EQ(left_over, 0u);
}

TEST_F(Entities, BlocksWithEmptyExtents) {
    struct Case {
        const char* what;
        std::string body;
        const char* sx;
        const char* sy;
        Box box;
        Words path;
    };
    const std::string vertical = line("5", "0", "5", "10");
    const std::string level = line("0", "5", "10", "5");
    // The block's base point, the origin, lands on the insertion point, the origin: the line
    // at x = 5 (y = 5) stays there, mirrored it moves to -5.
    const Case cases[] = {
        {"vertical", vertical, "1", "1", {819, 14745, 0, 1638}, {0, 0, 16384, 1, 0, 0, 15}},
        {"vertical mirrored",
         vertical,
         "-1",
         "1",
         {-819, 14745, 0, 1638},
         {0, 16384, 16384, 1, 16384, 0, 15}},
        {"level", level, "1", "1", {0, 15564, 1638, 0}, {0, 0, 16384, 1, 16384, 16384, 15}},
        {"level mirrored", level, "1", "-1", {0, 17203, 1638, 0}, {0, 0, 0, 1, 16384, 0, 15}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Walk w = drawing(block("V", c.body), insert("V", lines({"41", c.sx, "42", c.sy})));
        ASSERT_EQ(w.status, 0);
        ASSERT_EQ(w.object.size(), 24u + 44 + 2);
        EXPECT_EQ(box_at(w.object, 24), c.box);
        EXPECT_EQ(words(w.object, 24 + 28, 7), c.path);
    }
}

TEST_F(Entities, InsertWithAttributes) {
    // Expanded with the groups before its 66 only; the attributes, their SEQEND and the groups
    // after the 66 are then passed over by the section.
    std::string attribs =
        lines({"0",     "ATTRIB", "8",   "0",      "10",     "1",  "20", "1",      "40", "1",  "1",
               "value", "2",      "TAG", "0",      "ATTRIB", "8",  "0",  "10",     "2",  "20", "2",
               "40",    "1",      "1",   "CIRCLE", "2",      "T2", "0",  "SEQEND", "8",  "0"});
    Walk with = drawing(
        kBlockA, insert("A", lines({"10", "20", "66", "1", "20", "30", "41", "2", "42", "2"})) +
                     attribs + circle("50", "50", "10"));
    Walk plain =
        drawing(kBlockA, insert("A", lines({"10", "20", "20", "0"})) + circle("50", "50", "10"));
    ASSERT_EQ(with.status, 0);
    ASSERT_EQ(plain.status, 0);
    EXPECT_EQ(with.object, plain.object);
    EXPECT_EQ(box_at(with.object, 24), (Box{3276, 15564, 1638, 819}));
    // A group 66 of another value skips nothing.
    Walk zero = drawing(kBlockA, insert("A", lines({"10", "20", "66", "0", "20", "30"})));
    ASSERT_EQ(zero.status, 0);
    EXPECT_EQ(box_at(zero.object, 24), (Box{3276, 10649, 1638, 819}));
}

TEST_F(Entities, NestedBlocksFromFile) {
    // Three levels defined outermost first, with an arc, CR LF line ends: the INSERTs of the
    // outermost and of the middle block draw the same record.
    std::ifstream in(std::string(TEST_DATA_DIR) + "/blk_nested.dxf", std::ios::binary);
    ASSERT_TRUE(in.good());
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    Walk w = walk(text);
    ASSERT_EQ(w.status, 0);
    ASSERT_EQ(w.object.size(), 24u + 2 * 64 + 2);
    for (std::size_t rec : {24, 88}) {
        expect_record(w.object, rec, 64, 0x90);
        EXPECT_EQ(box_at(w.object, rec), (Box{0, 14745, 3276, 1638}));
        EXPECT_EQ(words(w.object, rec + 28, 17), (Words{0, 4096, 8192, 3, 4096, 8192, 4096, 8192, 0,
                                                        180, 0, 8192, 16384, 1, 16384, 0, 15}));
    }
}

TEST_F(Entities, LookupByName) {
    // Names compare over their first 39 characters; the first block of a name is the one.
    const std::string n45 = "B123456789012345678901234567890123456789ABCDE";
    const std::string n39x = n45.substr(0, 39) + "zz";
    Walk w = drawing(block(n45.c_str(), line("0", "0", "10", "10")) + kBlockA +
                         block("A", line("0", "0", "50", "50")),
                     insert(n39x.c_str()) + insert("A") + insert("a"));
    ASSERT_EQ(w.status, 0);
    ASSERT_EQ(w.object.size(), 24u + 2 * 44 + 2);
    EXPECT_EQ(box_at(w.object, 24), (Box{0, 14745, 1638, 1638}));
    EXPECT_EQ(box_at(w.object, 68), (Box{0, 15564, 1638, 819}));
}

TEST_F(Entities, FileEndsInsideALine) {
    // The LINE hands its last group back; the section then ends on the host's end-of-file
    // status, whether the file ends cleanly or on a last line without a line feed.
    const std::string cut = "0\nSECTION\n2\nENTITIES\n" + lines({"0", "LINE", "10", "0"});
    for (const std::string& tail :
         {std::string(), std::string("0\nEOF"), std::string("0\nENDSEC")}) {
        Walk w = walk_counted(header(0, 0, 10, 10) + cut + tail);
        EXPECT_EQ(w.status, KST_EOF) << tail;
        EXPECT_EQ(w.object.size(), 24u) << tail;
        EXPECT_EQ(left_over, 0u) << tail;
    }
}

TEST_F(Entities, FileEndsInsideAnInsert) {
    const std::string cases[] = {
        insert("A", lines({"10", "5"})),
        insert("A", lines({"66", "1", "0", "ATTRIB", "2", "T"})),
        insert("A", "10\n5"),
    };
    for (const std::string& ents : cases) {
        std::string d = header(0, 0, 100, 100) + section("BLOCKS", kBlockA) +
                        "0\nSECTION\n2\nENTITIES\n" + ents;
        Walk w = walk_counted(d);
        EXPECT_EQ(w.status, KST_EOF);
        EXPECT_EQ(left_over, 0u) << "store released, its accesses ended";
    }
}

TEST_F(Entities, HostFailuresEndTheSection) {
    const std::string blocks = kBlockA;
    const std::string ents = insert("A", lines({"10", "20"})) + circle("50", "50", "10");
    // Count the object's resizes up to the INSERT: each of its steps may be refused.
    Walk base = drawing(blocks, ents);
    ASSERT_EQ(base.status, 0);
    for (std::size_t nth = 1; nth <= 5; ++nth) {
        SCOPED_TRACE("resize " + std::to_string(nth));
        hostk::reset();
        hostk::fail_call("emm_resz", nth, KST_NOMEMORY);
        Walk w = drawing(blocks, ents);
        EXPECT_EQ(w.status, KST_NOMEMORY);
        EXPECT_EQ(hostk::call_count("emm_resz"), nth) << "nothing more after the failure";
        EXPECT_EQ(left_over, 0u);
    }
    // The store cannot be opened or closed, the file cannot be put back or its position
    // taken: the section ends with the host's status. Each service is made to fail at its
    // first call after those that the drawing without the INSERT makes.
    struct Case {
        const char* service;
        int32_t status;
    };
    for (const Case& c : {Case{"emm_read", KST_ACCESS}, Case{"emm_eread", KST_ACCESS},
                          Case{"fim_fseek", KST_SEEK}, Case{"fim_ftell", KST_READ}}) {
        SCOPED_TRACE(c.service);
        hostk::reset();
        drawing(blocks, circle("50", "50", "10"));
        std::size_t calls = hostk::call_count(c.service);
        hostk::reset();
        hostk::fail_call(c.service, calls + 1, c.status);
        EXPECT_EQ(drawing(blocks, ents).status, c.status);
        if (std::string(c.service) != "emm_eread") {
            EXPECT_EQ(left_over, 0u);
        }
    }
}

TEST_F(Entities, BlockSectionFailuresStopTheWalk) {
    // Self-reference: the section's alert, then the driver's; the walk ends with -1.
    Walk w = drawing(block("S", insert("S")), circle("50", "50", "10"));
    EXPECT_EQ(w.status, -1);
    EXPECT_EQ(alerts(), 2u);
    EXPECT_EQ(left_over, 0u);
    // Nesting that multiplies past the host's memory: the driver's alert only, -1, and the
    // store released.
    hostk::set_memory_limit(std::size_t(1) << 20);
    std::string blocks = block("L0", line("0", "0", "1", "1"));
    for (int i = 1; i <= 5; ++i) {
        std::string refs, prev = "L" + std::to_string(i - 1);
        for (int k = 0; k < 10; ++k)
            refs += insert(prev.c_str());
        blocks += block(("L" + std::to_string(i)).c_str(), refs);
    }
    w = drawing(blocks, insert("L5"));
    EXPECT_EQ(w.status, -1);
    EXPECT_EQ(alerts(), 3u);
    EXPECT_EQ(hostk::alerts().back().caption, "Invalid DXF File");
    EXPECT_EQ(left_over, 0u);
}

// A store made by hand: a record whose items hold a type the entities section does not draw.
class StoreByHand : public vectest::RecordState {
  protected:
    void TearDown() override {
        if (hObj)
            emm_rel(hObj);
        hObj = 0;
        RecordState::TearDown();
    }
};

TEST_F(StoreByHand, UnknownItemEndsTheExpansion) {
    std::vector<double> items = {0, 0, 0, 1, 10, 10, 7, 3, 3, 1, 5, 5};
    Bytes rec(96 + items.size() * 8, 0);
    std::memcpy(rec.data(), "A", 1);
    uint32_t next = uint32_t(rec.size());
    std::memcpy(rec.data() + 40, &next, 4);
    const double ext[] = {10, 0, 10, 0}; // maxx, minx, maxy, miny
    std::memcpy(rec.data() + 48, ext, sizeof ext);
    std::memcpy(rec.data() + 96, items.data(), items.size() * 8);
    hObj = hostk::make_block(rec);
    ASSERT_GT(hObj, 0);
    MAXOBJ = 1;
    open(lines({"0", "INSERT", "2", "A", "0", "ENDSEC"}));
    ASSERT_EQ(GetEntities(fh, nullptr), 0);
    EXPECT_FALSE(hostk::block_locked(hObj));
    Bytes b = finish();
    ASSERT_EQ(b.size(), 24u + 44);
    expect_record(b, 24, 44, 0x90);
    EXPECT_EQ(box_at(b, 24), (Box{0, 0, 16384, 16384}));
    EXPECT_EQ(words(b, 24 + 28, 7), (Words{0, 0, 16384, 1, 16384, 0, 15}));
}

} // namespace
