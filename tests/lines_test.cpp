// Lines and polylines: the records' boxes and points with their exact rounding, what the
// converters pass over, where they leave the file, and how they end on bad input or when the
// host refuses to grow the object or to position the file.
#include "vec_fixture.h"

namespace {

using namespace vectest;
using testutil::lines;

using Pt = std::pair<const char*, const char*>;

// A LINE's groups after its opening pair, then the groups of the entity that follows.
std::string line_entity(const char* x1, const char* y1, const char* x2, const char* y2,
                        const std::string& extra = "") {
    return extra + lines({"10", x1, "20", y1, "30", "0.0", "11", x2, "21", y2, "31", "0.0"}) +
           lines({"0", "ENDSEC"});
}

// A POLYLINE's groups after its opening pair: its own groups (head, or a usual set), one VERTEX
// per point (with vertex_extra before its point), the SEQEND, and the groups after it.
std::string polyline(std::initializer_list<Pt> points, const std::string& head = "",
                     const std::string& vertex_extra = "") {
    std::string s =
        !head.empty() ? head : lines({"66", "1", "10", "0.0", "20", "0.0", "30", "0.0", "70", "0"});
    for (const Pt& p : points)
        s += lines({"0", "VERTEX", "8", "0"}) + vertex_extra +
             lines({"10", p.first, "20", p.second, "30", "0.0"});
    return s + lines({"0", "SEQEND", "8", "0", "0", "LINE"});
}

class Lines : public RecordState {
  protected:
    int32_t line(const std::string& content) {
        open(content);
        return draw_line(fh, nullptr);
    }
    int32_t poly(const std::string& content) {
        open(content);
        return draw_polyline(fh, nullptr);
    }
    // Closes the file, for a test that converts a second entity.
    void close() {
        fim_fclose(fh);
        fh = 0;
    }
};

TEST_F(Lines, LineRecord) {
    ASSERT_EQ(line(line_entity("0.0", "0.0", "10.0", "5.0")), 0);
    EXPECT_EQ(next_group(), "31/0.0"); // the entity ends with its group 21
    Bytes b = finish();
    ASSERT_EQ(b.size(), 68u);
    expect_record(b, 24, 44, 0x90);
    EXPECT_EQ(box_at(b, 24), (Box{0, 8192, 16384, 8192}));
    EXPECT_EQ(words(b, 52, 7), (std::vector<int>{0, 0, 16384, 1, 16384, 0, 15}));
    EXPECT_TRUE(output.empty()); // its z groups raise no alert
}

TEST_F(Lines, LineShapes) {
    struct Case {
        const char *x1, *y1, *x2, *y2;
        Box box;
        std::vector<int> points; // move x, y, line x, y
    };
    const Case cases[] = {
        {"0", "5", "10", "5", {0, 8192, 16384, 0}, {0, 0, 16384, 0}},        // horizontal
        {"4", "10", "4", "0", {6554, 0, 0, 16384}, {0, 0, 0, 16384}},        // vertical
        {"10", "5", "0", "0", {0, 8192, 16384, 8192}, {16384, 0, 0, 16384}}, // reversed
        {"0", "0", "7", "7", {0, 4915, 11469, 11469}, {0, 16384, 16384, 0}}, // R rounds up
        {"0", "-20", "10", "-20", {0, -16385, 16384, 0}, {0, 0, 16384, 0}},  // ypos wraps
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.x1) + "," + c.y1 + " - " + c.x2 + "," + c.y2);
        uint32_t at = VOHOffset;
        ASSERT_EQ(line(line_entity(c.x1, c.y1, c.x2, c.y2)), 0);
        close();
        ASSERT_EQ(VOHOffset, at + 44);
        Bytes b = hostk::block_bytes(hogr);
        ASSERT_EQ(b.size(), at + 44);
        EXPECT_EQ(box_at(b, at), c.box);
        EXPECT_EQ(words(b, at + 28, 7),
                  (std::vector<int>{0, c.points[0], c.points[1], 1, c.points[2], c.points[3], 15}));
    }
}

TEST_F(Lines, LineAttributesAndOrderChangeNothing) {
    ASSERT_EQ(line(line_entity("0.0", "0.0", "10.0", "5.0")), 0);
    close();
    ASSERT_EQ(line(line_entity("0.0", "0.0", "10.0", "5.0",
                               lines({"8", "WALLS", "6", "DASHED", "62", "1", "39", "2.5"}))),
              0);
    close();
    // Start coordinates that the file does not give are 0.
    ASSERT_EQ(line(lines({"5", "2A", "11", "10.0", "21", "5.0"})), 0);
    Bytes b = finish();
    ASSERT_EQ(b.size(), 24u + 3 * 44);
    for (std::size_t at : {68, 112})
        EXPECT_TRUE(std::equal(b.begin() + 24, b.begin() + 68, b.begin() + long(at))) << at;
}

TEST_F(Lines, LineEndedEarly) {
    // A group 0 before the group 21: no record, the file back at that group 0.
    EXPECT_EQ(line(lines({"10", "1", "20", "2", "11", "3", "0", "CIRCLE", "10", "5"})), 0);
    EXPECT_EQ(next_group(), "0/CIRCLE");
    EXPECT_EQ(tSize, 24u);
    close();
    // The file ends before the group 21. The empty group 0 that the end leaves, or a group 0
    // whose value has no line feed, is handed back like any other; a failed read of another
    // group gives -1. No record either way.
    EXPECT_EQ(line(lines({"10", "1", "20", "2", "11", "3"})), 0);
    EXPECT_EQ(next_group(), "0//fail");
    close();
    EXPECT_EQ(line(lines({"10", "1", "20", "2", "11", "3", "0"}) + "EOF"), 0);
    EXPECT_EQ(next_group(), "0/EOF/fail");
    close();
    EXPECT_EQ(line(lines({"10", "1", "20", "2", "11"}) + "3"), -1);
    EXPECT_EQ(tSize, 24u);
    close();
    // A group 21 delivered by a last line without a line feed still makes the record.
    EXPECT_EQ(line(std::string("11\n10\n21\n5")), 0);
    EXPECT_EQ(tSize, 68u);
    EXPECT_EQ(block_size(), 68u);
}

TEST_F(Lines, PolylineRecords) {
    struct Case {
        std::initializer_list<Pt> points;
        uint32_t size;
        Box box;
        std::vector<int> path; // element words, end included
    };
    const Case cases[] = {
        {{{"0", "0"}, {"10", "0"}, {"10", "10"}},
         48,
         {0, 0, 16384, 16384},
         {0, 0, 16384, 1, 16384, 16384, 1, 16384, 0, 15}},
        {{{"0", "0"}, {"7", "7"}}, 44, {0, 4916, 11468, 11468}, {0, 0, 16384, 1, 16384, 0, 15}},
        {{{"3", "4"}}, 36, {4915, 9830, 0, 0}, {0, 0, 16384, 15}},
        {{{"2", "5"}, {"8", "5"}}, 44, {3276, 8192, 9830, 0}, {0, 0, 16384, 1, 16384, 16384, 15}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.points.size()) + " points, size " + std::to_string(c.size));
        uint32_t at = VOHOffset;
        ASSERT_EQ(poly(polyline(c.points)), 0);
        EXPECT_EQ(next_group(), "8/0"); // the SEQEND pair was read by the polyline
        close();
        ASSERT_EQ(VOHOffset, at + c.size);
        Bytes b = hostk::block_bytes(hogr);
        ASSERT_EQ(b.size(), at + c.size);
        expect_record(b, at, c.size, 0x80);
        EXPECT_EQ(box_at(b, at), c.box);
        EXPECT_EQ(words(b, at + 28, c.path.size()), c.path);
    }
}

TEST_F(Lines, PolylineGroupsPassedOver) {
    const std::initializer_list<Pt> pts = {{"0", "0"}, {"10", "0"}, {"10", "10"}};
    ASSERT_EQ(poly(polyline(pts)), 0);
    close();
    // Closed, with attributes, its own point elsewhere, vertex widths, bulges and flags.
    std::string head = lines({"8", "WALLS", "6", "DASHED", "62", "3", "39", "1.5", "40", "2", "41",
                              "2", "70", "1", "10", "100", "20", "100"});
    ASSERT_EQ(poly(polyline(pts, head,
                            lines({"40", "1", "41", "1", "42", "0.5", "70", "32", "62", "5"}))),
              0);
    Bytes b = finish();
    ASSERT_EQ(b.size(), 24u + 2 * 48);
    EXPECT_TRUE(std::equal(b.begin() + 24, b.begin() + 72, b.begin() + 72));
    EXPECT_TRUE(output.empty());
}

TEST_F(Lines, PolylineStartValuesBoundTheBox) {
    set_extents(0, 0, 40000, 40000);
    ASSERT_EQ(poly(polyline({{"20000", "0"}, {"30000", "10"}})), 0);
    Bytes b = finish();
    ASSERT_EQ(b.size(), 24u + 44);
    EXPECT_EQ(box_at(b, 24), (Box{6710, 16380, 5577, 4})); // minx stays 16384
    EXPECT_EQ(words(b, 52, 7), (std::vector<int>{0, 4351, 16384, 1, 16384, 0, 15}));
}

TEST_F(Lines, PolylineWithoutVerticesOrWithoutX) {
    EXPECT_EQ(poly(polyline({})), 0);
    EXPECT_EQ(next_group(), "8/0");
    EXPECT_EQ(tSize, 24u);
    close();
    // A vertex whose group 20 comes before any group 10 takes x 0, not its own later x.
    std::string s = lines({"66", "1", "0", "VERTEX", "20", "5", "10", "8", "0", "VERTEX", "10", "2",
                           "20", "9", "0", "SEQEND"});
    ASSERT_EQ(poly(s), 0);
    Bytes b = finish();
    ASSERT_EQ(b.size(), 24u + 44);
    EXPECT_EQ(words(b, 52, 7), (std::vector<int>{0, 0, 16384, 1, 0, 0, 15}));
}

TEST_F(Lines, PolylineCutShort) {
    // The file ends among the vertices: -1, and the record stays open (it is not terminated).
    std::string s = polyline({{"0", "0"}, {"10", "10"}});
    s = s.substr(0, s.find("\n0\nSEQEND") + 1);
    EXPECT_EQ(poly(s), -1);
    EXPECT_EQ(tSize, block_size());
    EXPECT_EQ(VOHOffset, 24u);
    EXPECT_EQ(VOHOffset + vohSize, tSize);
    close();
    // A last SEQEND without a line feed still ends the polyline and its record.
    restart_block();
    s = polyline({{"0", "0"}, {"10", "10"}});
    s = s.substr(0, s.find("\n0\nSEQEND") + 9);
    EXPECT_EQ(poly(s), 0);
    EXPECT_EQ(VOHOffset, 24u + 44);
}

TEST_F(Lines, RefusedGrowthEndsTheConversion) {
    // A LINE takes six resizes and a three-point polyline six; each may fail. The block moves
    // on every resize, so that an address kept across one is caught.
    hostk::set_move_on_resize(true);
    for (int kind = 0; kind < 2; ++kind) {
        for (std::size_t n = 1; n <= 6; ++n) {
            SCOPED_TRACE((kind ? "polyline, resize " : "line, resize ") + std::to_string(n));
            restart_block();
            hostk::fail_call("emm_resz", n, KST_NOMEMORY);
            int32_t stat = kind ? poly(polyline({{"0", "0"}, {"10", "0"}, {"10", "10"}}))
                                : line(line_entity("0", "0", "10", "5"));
            hostk::clear_faults();
            close();
            EXPECT_EQ(stat, KST_NOMEMORY);
            EXPECT_EQ(tSize, block_size());
            EXPECT_EQ(VOHOffset, 24u); // no record was completed
        }
    }
}

TEST_F(Lines, PolylinesKeptOrReadTwiceMakeTheSameRecords) {
    // The points of the vertices kept from the first pass, or of a second reading when a
    // polyline has more vertices than are kept: the same status, bytes and file position, also
    // when the file ends among the vertices or when the object cannot grow at some point.
    std::string many;
    for (int i = 0; i < 40; ++i) {
        const std::string x = std::to_string(i * 37 % 101) + ".125";
        const std::string y = std::to_string(i * i % 53) + ".3";
        many += lines({"0", "VERTEX", "10", x.c_str(), "20", y.c_str()});
    }
    const std::string seqend = lines({"0", "SEQEND", "8", "0", "0", "LINE"});
    const std::string no_x = lines({"66", "1", "0", "VERTEX", "20", "5", "10", "8", "0", "VERTEX",
                                    "10", "2", "20", "9"}) +
                             seqend;
    const std::string full = polyline({{"0", "0"}, {"10", "0"}, {"10", "10"}});
    const std::string texts[] = {full,
                                 no_x,
                                 lines({"66", "1"}) + many + seqend,
                                 lines({"66", "1"}) + many,
                                 full.substr(0, full.find("\n0\nSEQEND") + 9),
                                 polyline({})};
    struct Outcome {
        int32_t stat;
        Bytes block;
        int64_t last_byte;
        std::string next;
        bool operator==(const Outcome& o) const {
            return stat == o.stat && block == o.block && last_byte == o.last_byte && next == o.next;
        }
    };
    const uint32_t keep = KEEPVTX;
    for (std::size_t t = 0; t < std::size(texts); ++t) {
        for (std::size_t fail = 0; fail <= 8; fail += 2) {
            SCOPED_TRACE("drawing " + std::to_string(t) + ", failing resize " +
                         std::to_string(fail));
            Outcome first{};
            for (uint32_t limit : {0u, 1u, 2u, 39u, 40u, keep}) {
                KEEPVTX = limit;
                restart_block();
                if (fail)
                    hostk::fail_call("emm_resz", fail, KST_NOMEMORY);
                Outcome o;
                o.stat = poly(texts[t]);
                hostk::clear_faults();
                o.last_byte = hostk::last_read().last_byte;
                o.next = next_group();
                close();
                o.block = hostk::block_bytes(hogr);
                if (limit == 0)
                    first = o;
                else
                    EXPECT_TRUE(o == first) << "keeping " << limit << ": status " << o.stat
                                            << " at byte " << o.last_byte << ", read twice "
                                            << first.stat << " at byte " << first.last_byte;
            }
            EXPECT_EQ(first.stat, fail || t == 3 || t == 4 ? first.stat : 0);
        }
    }
    KEEPVTX = keep;
}

TEST_F(Lines, RefusedPositioningEndsThePolyline) {
    // Read twice: the return to the first vertex, then the step back before the SEQEND; read
    // once: the step back, or the position of a vertex's group (the third position taken).
    struct Case {
        uint32_t limit;
        const char* service;
        std::size_t n;
    };
    const uint32_t keep = KEEPVTX;
    for (const Case& c : {Case{0, "fim_fseek", 1}, Case{0, "fim_fseek", 2},
                          Case{keep, "fim_fseek", 1}, Case{keep, "fim_ftell", 3}}) {
        SCOPED_TRACE(std::string(c.service) + " " + std::to_string(c.n) + ", keeping " +
                     std::to_string(c.limit));
        KEEPVTX = c.limit;
        restart_block();
        hostk::fail_call(c.service, c.n, KST_SEEK);
        EXPECT_EQ(poly(polyline({{"0", "0"}, {"10", "10"}})), KST_SEEK);
        hostk::clear_faults();
        close();
    }
    KEEPVTX = keep;
    restart_block();
    hostk::fail_call("fim_ftell", 1, KST_BADFILE);
    EXPECT_EQ(poly(polyline({{"0", "0"}})), KST_BADFILE);
    EXPECT_EQ(tSize, 24u);
    hostk::clear_faults();
    close();
    hostk::fail_call("fim_fseek", 1, KST_SEEK); // a LINE's step back before a group 0
    EXPECT_EQ(line(lines({"10", "1", "0", "LINE"})), KST_SEEK);
}

} // namespace

namespace {

using testutil::header;
using testutil::kEof;
using testutil::lines;
using testutil::section;
using vectest::Box;

class LinesWalk : public testutil::ModuleTest {};

TEST_F(LinesWalk, WholeDrawings) {
    // One LINE: a 44-byte record after the object header, the terminator at 68.
    Walk w = walk(header(0, 0, 10, 10) +
                  section("ENTITIES", lines({"0", "LINE", "8", "0", "10", "0.0", "20", "0.0", "30",
                                             "0.0", "11", "10.0", "21", "5.0", "31", "0.0"})) +
                  kEof);
    EXPECT_EQ(w.status, 0);
    ASSERT_EQ(w.object.size(), 70u);
    vectest::expect_record(w.object, 24, 44, 0x90);
    EXPECT_EQ(vectest::box_at(w.object, 24), (Box{0, 8192, 16384, 8192}));
    EXPECT_EQ(vectest::words(w.object, 52, 7), (std::vector<int>{0, 0, 16384, 1, 16384, 0, 15}));
    EXPECT_EQ(testutil::s16(w.object, 68), 255);

    // A LINE cut short by the next entity, a polyline, a polyline without vertices, a LINE.
    w = walk(
        header(0, 0, 10, 10) +
        section("ENTITIES", lines({"0",  "LINE",   "10", "1",      "20", "1",      "0",  "POLYLINE",
                                   "66", "1",      "0",  "VERTEX", "10", "0",      "20", "0",
                                   "0",  "VERTEX", "10", "10",     "20", "0",      "0",  "VERTEX",
                                   "10", "10",     "20", "10",     "0",  "SEQEND", "0",  "POLYLINE",
                                   "66", "1",      "0",  "SEQEND", "0",  "LINE",   "10", "0",
                                   "20", "0",      "11", "10",     "21", "5"})) +
        kEof);
    EXPECT_EQ(w.status, 0);
    ASSERT_EQ(w.object.size(), 24u + 48 + 44 + 2);
    vectest::expect_record(w.object, 24, 48, 0x80);
    EXPECT_EQ(vectest::box_at(w.object, 24), (Box{0, 0, 16384, 16384}));
    EXPECT_EQ(vectest::words(w.object, 52, 10),
              (std::vector<int>{0, 0, 16384, 1, 16384, 16384, 1, 16384, 0, 15}));
    vectest::expect_record(w.object, 72, 44, 0x90);
    EXPECT_EQ(testutil::s16(w.object, 116), 255);
    EXPECT_TRUE(output.empty());
}

} // namespace
