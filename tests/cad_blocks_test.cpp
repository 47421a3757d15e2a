// Blocks as drawing programs write them: entities whose group 2 names no block (attribute
// definitions and attributes, shapes, dimensions) leave every other entity where it belongs;
// a block's base point, not its extents' corner, lands on the insertion point, scaled and
// mirrored about it; a mirrored block's arcs run the mirrored way.
#include "vec_fixture.h"

#include <cmath>

namespace {

using testutil::Bytes;
using testutil::header;
using testutil::kEof;
using testutil::lines;
using testutil::num;
using testutil::section;
using testutil::u16;
using testutil::u32;
using vectest::Box;
using vectest::box_at;
using vectest::words;

std::string block(const char* name, const std::string& body, double bx = 0, double by = 0) {
    return lines({"0", "BLOCK", "8", "0", "2", name, "70", "0"}) +
           lines({"10", num(bx).c_str(), "20", num(by).c_str(), "30", "0.0", "3", name}) + body +
           lines({"0", "ENDBLK", "8", "0"});
}
std::string line(const char* x1, const char* y1, const char* x2, const char* y2) {
    return lines(
        {"0", "LINE", "8", "0", "10", x1, "20", y1, "30", "0.0", "11", x2, "21", y2, "31", "0.0"});
}
std::string arc(const char* cx, const char* cy, const char* r, const char* a0, const char* a1) {
    return lines({"0", "ARC", "8", "0", "10", cx, "20", cy, "40", r, "50", a0, "51", a1});
}
std::string insert(const char* name, double x, double y, double sx = 1, double sy = 1) {
    return lines({"0", "INSERT", "8", "0", "2", name, "10", num(x).c_str(), "20", num(y).c_str(),
                  "30", "0.0", "41", num(sx).c_str(), "42", num(sy).c_str()});
}
// An attribute definition, its tag before or after its point.
std::string attdef(const char* tag, bool tag_first) {
    std::string point = lines({"10", "3.0", "20", "4.0", "30", "0.0"});
    std::string named = lines({"2", tag});
    return lines({"0", "ATTDEF", "8", "0"}) + (tag_first ? named + point : point + named) +
           lines({"40", "2.5", "1", "", "3", "Enter value", "70", "0"});
}
// The attributes that follow an INSERT whose group 66 is 1, through their SEQEND.
std::string attribs() {
    return lines({"66",  "1",  "0",   "ATTRIB", "8",   "0", "10",    "1.0", "20",
                  "1.0", "30", "0.0", "40",     "2.5", "1", "A-101", "2",   "ROOM",
                  "70",  "0",  "0",   "ATTRIB", "8",   "0", "10",    "1.0", "20",
                  "5.0", "30", "0.0", "40",     "2.5", "1", "12",    "2",   "AREA",
                  "70",  "0",  "0",   "SEQEND", "8",   "0"});
}
std::string shape() {
    return lines(
        {"0", "SHAPE", "8", "0", "10", "6.0", "20", "6.0", "30", "0.0", "40", "1.0", "2", "ARROW"});
}
std::string dimension(const char* anonymous) {
    return lines({"0",   "DIMENSION", "8",    "0",  "2",   anonymous, "10",  "0.0", "20",
                  "0.0", "30",        "0.0",  "11", "5.0", "21",      "1.0", "31",  "0.0",
                  "70",  "0",         "1",    "",   "13",  "0.0",     "23",  "0.0", "33",
                  "0.0", "14",        "10.0", "24", "0.0", "34",      "0.0"});
}

class CadBlocks : public testutil::ModuleTest {
  protected:
    // Walks a 100 x 100 drawing from (0, 0) with these blocks and entities.
    Walk drawing(const std::string& blocks, const std::string& entities) {
        return walk(header(0, 0, 100, 100) + section("BLOCKS", blocks) +
                    section("ENTITIES", entities) + kEof);
    }
    // The offsets of the object's records, up to its terminator.
    static std::vector<uint32_t> records(const Bytes& object) {
        std::vector<uint32_t> out;
        for (uint32_t off = 24; off + 6 <= object.size() && u16(object, off) != 0x00FF;
             off += u32(object, off + 4))
            out.push_back(off);
        return out;
    }
};

TEST_F(CadBlocks, EntitiesWithAGroup2LeaveTheirBlockWhole) {
    // Each drawing must import exactly as the same drawing without the entities that carry a
    // group 2 of their own: those are passed over and nothing else moves.
    const std::string kLines = line("0", "0", "10", "0") + line("10", "0", "10", "8");
    const std::string kEntities = insert("A", 20, 20) + line("0", "0", "50", "50") +
                                  insert("B", 60, 10, 2, 2) + line("5", "5", "5", "95");
    struct Case {
        const char* what;
        std::string blocks;   // with the entities
        std::string stripped; // without them
        std::string entities; // ENTITIES of the drawing with them
    };
    const std::string b = block("B", line("0", "0", "4", "4"));
    const Case cases[] = {
        {"ATTDEF, tag before its point",
         block("A", line("0", "0", "10", "0") + attdef("TAG", true) + line("10", "0", "10", "8")) +
             b,
         block("A", kLines) + b, kEntities},
        {"ATTDEF, tag after its point",
         block("A", line("0", "0", "10", "0") + attdef("TAG", false) + line("10", "0", "10", "8")) +
             b,
         block("A", kLines) + b, kEntities},
        {"ATTDEF named like a block", block("A", attdef("B", true) + kLines) + b,
         block("A", kLines) + b, kEntities},
        {"ATTRIBs after an INSERT inside a block",
         b + block("A", kLines +
                            lines({"0", "INSERT", "8", "0", "2", "B", "10", "1.0", "20", "2.0",
                                   "30", "0.0"}) +
                            attribs() + line("1", "1", "2", "2")),
         b + block("A",
                   kLines +
                       lines({"0", "INSERT", "8", "0", "2", "B", "10", "1.0", "20", "2.0", "30",
                              "0.0"}) +
                       line("1", "1", "2", "2")),
         kEntities},
        {"a SHAPE", block("A", shape() + kLines) + b, block("A", kLines) + b, kEntities},
        {"a DIMENSION naming its anonymous block",
         block("*D1", line("0", "0", "10", "0")) +
             block("A", line("0", "0", "10", "0") + dimension("*D1") + line("10", "0", "10", "8")) +
             b,
         block("*D1", line("0", "0", "10", "0")) + block("A", kLines) + b, kEntities},
        {"an ATTDEF as the last item of the last block",
         block("A", kLines) + block("B", line("0", "0", "4", "4") + attdef("TITLE", true)),
         block("A", kLines) + b, kEntities},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Walk with = drawing(c.blocks, c.entities);
        Walk without = drawing(c.stripped, c.entities);
        EXPECT_EQ(with.status, 0);
        EXPECT_TRUE(hostk::alerts().empty());
        EXPECT_EQ(records(with.object).size(), 4u);
        EXPECT_EQ(with.object, without.object);
    }

    // The title block's last item an ATTDEF, then the ENTITIES section: all five records are
    // there, not read into a record that no INSERT names.
    Walk title = drawing(block("TITLE", line("0", "0", "90", "0") + attdef("SHEET", true)),
                         insert("TITLE", 5, 5) + line("0", "0", "100", "100") +
                             line("0", "100", "100", "0") + line("50", "0", "50", "100") +
                             line("0", "50", "100", "50"));
    EXPECT_EQ(title.status, 0);
    EXPECT_EQ(records(title.object).size(), 5u);
}

TEST_F(CadBlocks, BasePointLandsOnTheInsertionPoint) {
    // A block whose geometry lies away from its base point (7, 3): extents 10 to 14 by 20 to 22.
    // Placed at (40, 50), its extents box spans ix + sx (10 - 7) .. ix + sx (14 - 7) across and
    // iy + sy (20 - 3) .. iy + sy (22 - 3) up, whatever the signs.
    const std::string k = block("K", line("10", "20", "14", "22"), 7, 3);
    // Drawing units of the 100 x 100 drawing onto the object grid, truncated to 16 bits.
    auto grid = [](double v) { return int(int16_t(std::trunc(v * 16384.0 / 100.0))); };
    const double scales[][2] = {{1, 1}, {2, 0.5}, {-1, 1}, {1, -1}, {-2, -3}, {0.25, 4}};
    for (const auto& s : scales) {
        double sx = s[0], sy = s[1];
        SCOPED_TRACE("scales " + num(sx) + " " + num(sy));
        Walk w = drawing(k, insert("K", 40, 50, sx, sy));
        ASSERT_EQ(w.status, 0);
        double x0 = 40 + sx * 3, x1 = 40 + sx * 7, y0 = 50 + sy * 17, y1 = 50 + sy * 19;
        double left = std::min(x0, x1), bottom = std::min(y0, y1);
        double width = std::fabs(x1 - x0), height = std::fabs(y1 - y0);
        Box expect = {grid(left), grid(100 - bottom - height), unsigned(grid(width)),
                      unsigned(grid(height))};
        EXPECT_EQ(box_at(w.object, 24), expect);
    }

    // Nested: the inner block's base point lands on the insertion point inside the outer block,
    // and the outer one's on the top-level insertion point. K placed at (1, 1) inside M (base
    // point (1, 1)) lies at 1 + (10 - 7) .. 1 + (14 - 7) = 4 .. 8 by 18 .. 20 in M; M at (30, 30)
    // mirrored in X puts it at 30 - (4 - 1) .. 30 - (8 - 1) = 23 .. 27 by 47 .. 49.
    Walk nested = drawing(k + block("M", insert("K", 1, 1), 1, 1), insert("M", 30, 30, -1, 1));
    ASSERT_EQ(nested.status, 0);
    EXPECT_EQ(box_at(nested.object, 24),
              (Box{grid(23), grid(100 - 47 - 2), unsigned(grid(4)), unsigned(grid(2))}));
}

TEST_F(CadBlocks, MirroredArcsRunTheMirroredWay) {
    // One arc of a block, inserted at top level and through a nested block with the same
    // scales: its angles in the record, as whole degrees.
    struct Case {
        const char* a0;
        const char* a1;
        double sx, sy;
        int start, end;
    };
    const Case cases[] = {
        {"30", "120", 1, 1, 30, 120},     {"30", "120", -1, 1, 60, 150},
        {"30", "120", 1, -1, 240, 330},   {"30", "120", -1, -1, 210, 300},
        {"200", "350", -1, 1, 190, 340},  {"200", "350", 1, -1, 10, 160},
        {"200", "350", -2, -2, 20, 170},  {"0", "90", -1, 1, 90, 180},
        {"270.5", "359.5", 1, -1, 0, 89},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.a0) + ".." + c.a1 + " scales " + num(c.sx) + " " + num(c.sy));
        const std::string door = block("DOOR", arc("0", "0", "10", c.a0, c.a1));
        Walk top = drawing(door, insert("DOOR", 50, 50, c.sx, c.sy));
        ASSERT_EQ(top.status, 0);
        // The record's element: move, then the arc's centre, radii and angles.
        std::vector<int> el = words(top.object, 24 + 28, 10);
        EXPECT_EQ(el[3], 3);
        EXPECT_EQ(el[8], c.start);
        EXPECT_EQ(el[9], c.end);
        Walk nested =
            drawing(door + block("WING", insert("DOOR", 0, 0, c.sx, c.sy)), insert("WING", 50, 50));
        ASSERT_EQ(nested.status, 0);
        EXPECT_EQ(words(nested.object, 24 + 28, 10), el);
        EXPECT_EQ(box_at(nested.object, 24), box_at(top.object, 24));
    }
}

} // namespace
