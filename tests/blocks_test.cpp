// The block store: its records and items byte for byte after the BLOCKS section has been read
// and resolved, the references resolved in any order of definition, what the section refuses
// (self-reference, too many records, a store past the host's memory) and how it ends on bad
// input, always with the store closed and nothing written outside it.
#include "testutil.h"

#include <cmath>
#include <cstring>
#include <memory>

namespace {

using testutil::Bytes;
using testutil::lines;
using testutil::u32;

// Groups of one block definition: name, base point, the entities of its body, ENDBLK.
std::string block(const char* name, const std::string& body, const char* bx = "0.0",
                  const char* by = "0.0") {
    return lines({"0", "BLOCK", "8", "0", "2", name, "70", "0", "10", bx, "20", by, "30", "0.0",
                  "3", name}) +
           body + lines({"0", "ENDBLK", "8", "0"});
}
// A LINE as drawing programs write it, with z groups.
std::string line(const char* x1, const char* y1, const char* x2, const char* y2) {
    return lines(
        {"0", "LINE", "8", "0", "10", x1, "20", y1, "30", "0.0", "11", x2, "21", y2, "31", "0.0"});
}
std::string arc(const char* cx, const char* cy, const char* r, const char* a0, const char* a1) {
    return lines({"0", "ARC", "8", "0", "10", cx, "20", cy, "40", r, "50", a0, "51", a1});
}
// An INSERT of name with the given groups after its name (point, scales, ...).
std::string insert(const char* name, const std::string& groups = "") {
    return lines({"0", "INSERT", "8", "0", "2", name}) + groups;
}
std::string at(const char* x, const char* y, const char* sx = "1.0", const char* sy = "1.0") {
    return lines({"10", x, "20", y, "30", "0.0", "41", sx, "42", sy, "50", "0.0"});
}
std::string polyline(std::initializer_list<std::pair<const char*, const char*>> pts,
                     bool seqend = true) {
    std::string s = lines(
        {"0", "POLYLINE", "8", "0", "66", "1", "10", "0.0", "20", "0.0", "30", "0.0", "70", "1"});
    for (const auto& p : pts)
        s += lines({"0", "VERTEX", "8", "0", "10", p.first, "20", p.second, "30", "0.0"});
    return seqend ? s + lines({"0", "SEQEND", "8", "0"}) : s;
}
const std::string kEnd = "0\nENDSEC\n";

// One record of the store as parsed back from its bytes.
struct Record {
    std::string name;
    uint32_t next = 0;
    int inc = 0;
    double maxx = 0, minx = 0, maxy = 0, miny = 0, basex = 0, basey = 0;
    std::vector<std::vector<double>> items; // doubles of each item (a reference: its six)
    std::vector<std::string> refs;          // names of reference items, in order
};

double dbl(const Bytes& b, std::size_t off) {
    double v;
    std::memcpy(&v, b.data() + off, sizeof v);
    return v;
}

class Blocks : public testutil::ModuleTest {
  protected:
    void TearDown() override {
        if (fh)
            fim_fclose(fh);
        if (hObj)
            emm_rel(hObj);
        hObj = 0;
        ModuleTest::TearDown();
    }
    // Runs the section reader on the groups after (2, "BLOCKS"); keeps the store's bytes.
    int32_t read(const std::string& body) {
        if (fh)
            fim_fclose(fh);
        if (hObj)
            emm_rel(hObj);
        hObj = 0;
        MAXOBJ = 0;
        fh = open_text(body);
        int32_t stat = GetBlocks(fh, nullptr);
        EXPECT_FALSE(hostk::block_locked(hObj)) << "the store is closed on every way out";
        store = hostk::block_bytes(hObj);
        return stat;
    }
    // The store's records, walked by their next fields; checks that they fill the store.
    std::vector<Record> records() {
        std::vector<Record> out;
        std::size_t off = 0;
        while (off < store.size()) {
            Record r;
            r.name = reinterpret_cast<const char*>(store.data() + off);
            r.next = u32(store, off + 40);
            r.inc = store.at(off + 44);
            r.maxx = dbl(store, off + 48);
            r.minx = dbl(store, off + 56);
            r.maxy = dbl(store, off + 64);
            r.miny = dbl(store, off + 72);
            r.basex = dbl(store, off + 80);
            r.basey = dbl(store, off + 88);
            EXPECT_GE(r.next, 96u);
            EXPECT_LE(off + r.next, store.size());
            std::size_t p = off + 96, end = off + r.next;
            while (p < end) {
                double t = dbl(store, p);
                std::size_t n = t == 3.0 ? 6 : t == 100.0 ? 6 : 3;
                std::vector<double> item;
                for (std::size_t i = 0; i < n; ++i)
                    item.push_back(dbl(store, p + 8 * i));
                r.items.push_back(item);
                if (t == 100.0) {
                    std::string name = reinterpret_cast<const char*>(store.data() + p + 48);
                    r.refs.push_back(name);
                    p += 48 + ((name.size() + 8) & ~std::size_t(7));
                } else {
                    p += 8 * n;
                }
            }
            EXPECT_EQ(p, end) << "items fill record " << r.name;
            out.push_back(r);
            off += r.next ? r.next : store.size();
        }
        EXPECT_EQ(out.size(), MAXOBJ);
        return out;
    }
    std::size_t alerts() const { return hostk::alerts().size(); }

    int32_t fh = 0;
    Bytes store;
};

using Items = std::vector<std::vector<double>>;

TEST_F(Blocks, LineBlockRecord) {
    ASSERT_EQ(read(block("A", line("0", "0", "10", "5"), "3", "4") + kEnd), 0);
    ASSERT_EQ(store.size(), 144u);
    auto r = records();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].name, "A");
    EXPECT_EQ(r[0].next, 144u);
    EXPECT_EQ(r[0].inc, 0);
    EXPECT_EQ(r[0].items, (Items{{0, 0, 0}, {1, 10, 5}}));
    EXPECT_EQ((std::vector<double>{r[0].minx, r[0].maxx, r[0].miny, r[0].maxy}),
              (std::vector<double>{0, 10, 0, 5}));
    EXPECT_EQ(r[0].basex, 3.0);
    EXPECT_EQ(r[0].basey, 4.0);
    // The name field is the name, then zeros; the bytes after inc are zero too.
    for (std::size_t i = 1; i < 40; ++i)
        EXPECT_EQ(store[i], 0) << i;
    for (std::size_t i = 45; i < 48; ++i)
        EXPECT_EQ(store[i], 0) << i;
    EXPECT_TRUE(output.empty()); // the LINE's z groups raise no alert

    // An extent takes the new value when equal to the old one (the sign of a zero shows it)
    // and never takes a NaN (infinite centre and radius of an arc).
    ASSERT_EQ(read(block("A", line("0", "0", "-0.0", "5") + arc("1e999", "0", "1e999", "0", "90")) +
                   kEnd),
              0);
    auto z = records();
    EXPECT_TRUE(std::signbit(z[0].minx));
    EXPECT_EQ(z[0].maxx, HUGE_VAL); // inf + inf; inf - inf is NaN and left out
    EXPECT_EQ(z[0].minx, 0.0);
    EXPECT_EQ(z[0].miny, -HUGE_VAL);
}

TEST_F(Blocks, NestedInsertEitherOrder) {
    const std::string a = block("A", line("0", "0", "10", "5"));
    const std::string b = block("B", insert("A", at("100", "0", "2", "2")));
    for (const std::string& body : {a + b, b + a}) {
        SCOPED_TRACE(body == a + b ? "A first" : "B first");
        ASSERT_EQ(read(body + kEnd), 0);
        ASSERT_EQ(store.size(), 288u);
        auto r = records();
        ASSERT_EQ(r.size(), 2u);
        const Record& rb = r[0].name == "B" ? r[0] : r[1];
        EXPECT_EQ(rb.next, 144u);
        EXPECT_EQ(rb.inc, 0);
        EXPECT_EQ(rb.items, (Items{{0, 100, 0}, {1, 120, 10}}));
        EXPECT_EQ((std::vector<double>{rb.minx, rb.maxx, rb.miny, rb.maxy}),
                  (std::vector<double>{100, 120, 0, 10}));
    }
    // Mirrored in X.
    ASSERT_EQ(read(a + block("B", insert("A", at("100", "0", "-1", "1"))) + kEnd), 0);
    EXPECT_EQ(records()[1].items, (Items{{0, 100, 0}, {1, 90, 5}}));
    // Mirrored in Y and scaled about the block's base point, the origin.
    ASSERT_EQ(read(block("A", line("2", "1", "4", "3")) +
                   block("B", insert("A", at("0", "0", "3", "-1"))) + kEnd),
              0);
    EXPECT_EQ(records()[1].items, (Items{{0, 6, -1}, {1, 12, -3}}));
}

TEST_F(Blocks, ThreeLevelsInAnyOrder) {
    const std::string c = block("C", line("0", "0", "1", "1"));
    const std::string b = block("B", insert("C", at("10", "0", "2", "2")));
    const std::string a = block("A", insert("B", at("0", "100", "3", "3")));
    for (const std::string& body : {c + b + a, a + b + c, b + a + c}) {
        ASSERT_EQ(read(body + kEnd), 0);
        auto r = records();
        ASSERT_EQ(r.size(), 3u);
        for (const Record& rec : r) {
            SCOPED_TRACE(rec.name);
            EXPECT_EQ(rec.inc, 0);
            EXPECT_EQ(rec.next, 144u);
            if (rec.name == "B") {
                EXPECT_EQ(rec.items, (Items{{0, 10, 0}, {1, 12, 2}}));
            }
            if (rec.name == "A") {
                // B's points scaled by 3 about B's base point, the origin.
                EXPECT_EQ(rec.items, (Items{{0, 30, 100}, {1, 36, 106}}));
                EXPECT_EQ((std::vector<double>{rec.minx, rec.maxx, rec.miny, rec.maxy}),
                          (std::vector<double>{30, 36, 100, 106}));
            }
        }
    }
}

TEST_F(Blocks, ArcsAndTheirCopies) {
    // A block's arc widens its extents by the radius; copied into another block, its centre is
    // placed like the points, its radius scaled by |sx|, its angles mirrored with the block.
    const std::string a =
        block("A", line("0", "0", "10", "10") + arc("4", "5", "1", "30.5", "120.25"));
    ASSERT_EQ(read(block("R", arc("5", "5", "2", "0", "180")) + a +
                   block("B", insert("A", at("100", "0", "-2", "1"))) + kEnd),
              0);
    auto r = records();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].items, (Items{{3, 5, 5, 2, 0, 180}}));
    EXPECT_EQ((std::vector<double>{r[0].minx, r[0].maxx, r[0].miny, r[0].maxy}),
              (std::vector<double>{3, 7, 3, 7}));
    // x' = 100 - 2x for points and centre; mirrored in X, the arc runs from 180 - 120.25 to
    // 180 - 30.5.
    EXPECT_EQ(r[2].items, (Items{{0, 100, 0}, {1, 80, 10}, {3, 92, 5, 2, 59.75, 149.5}}));
    EXPECT_EQ((std::vector<double>{r[2].minx, r[2].maxx, r[2].miny, r[2].maxy}),
              (std::vector<double>{80, 100, 0, 10}));
    // An arc alone, enlarged: its extents follow the scaled arc.
    ASSERT_EQ(read(block("R", arc("5", "5", "2", "0", "180")) +
                   block("S", insert("R", at("0", "0", "3", "3"))) + kEnd),
              0);
    r = records();
    EXPECT_EQ(r[1].items, (Items{{3, 15, 15, 6, 0, 180}}));
    EXPECT_EQ((std::vector<double>{r[1].minx, r[1].maxx, r[1].miny, r[1].maxy}),
              (std::vector<double>{9, 21, 9, 21}));
}

TEST_F(Blocks, WhatMakesItemsAndRecords) {
    // Only ARC, LINE, POLYLINE and INSERT leave items; a circle, a text or a solid does not
    // even widen the extents.
    ASSERT_EQ(
        read(block("A", lines({"0", "CIRCLE", "8", "0",     "10", "1", "20", "1", "40", "1",
                               "0", "TEXT",   "8", "0",     "10", "1", "20", "1", "40", "1",
                               "1", "hello",  "0", "SOLID", "8",  "0", "10", "0", "20", "0"})) +
             kEnd),
        0);
    auto r = records();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].next, 96u);
    EXPECT_EQ(r[0].maxx, -1.7e308);
    EXPECT_EQ(r[0].minx, 1.7e308);

    // Only the group 2 of a BLOCK opens a record: an ATTDEF's tag leaves the block's later
    // entities in the block.
    ASSERT_EQ(read(block("A", line("0", "0", "1", "1") +
                                  lines({"0",  "ATTDEF", "8",  "0", "10", "7",      "20", "8",
                                         "40", "1",      "1",  "x", "3",  "prompt", "2",  "TAG",
                                         "70", "0",      "11", "7", "21", "8",      "31", "0"}) +
                                  line("2", "2", "3", "3")) +
                   kEnd),
              0);
    r = records();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].items, (Items{{0, 0, 0}, {1, 1, 1}, {0, 2, 2}, {1, 3, 3}}));

    // Before the first record, entity keywords are passed over, and the group 2 of such an
    // INSERT opens no record.
    ASSERT_EQ(read(line("1", "2", "3", "4") + insert("X", lines({"10", "5", "20", "6"})) +
                   block("A", line("0", "0", "1", "1")) + kEnd),
              0);
    r = records();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].name, "A");
    EXPECT_EQ(r[0].items, (Items{{0, 0, 0}, {1, 1, 1}}));

    // An empty section makes an empty store.
    ASSERT_EQ(read(kEnd), 0);
    EXPECT_TRUE(store.empty());
    EXPECT_EQ(MAXOBJ, 0);
}

TEST_F(Blocks, Polylines) {
    // Four vertices: 0, 1, 1, 1; the next polyline starts again with a move. Y groups that
    // come before the polyline's first X are passed over.
    std::string p2 = lines({"0", "POLYLINE", "8", "0", "0", "VERTEX", "20", "99", "10", "7", "0",
                            "VERTEX", "10", "8", "20", "9", "0", "SEQEND"});
    ASSERT_EQ(
        read(block("A", polyline({{"0", "0"}, {"1", "0"}, {"1", "1"}, {"0", "1"}}) + p2) + kEnd),
        0);
    auto r = records();
    EXPECT_EQ(r[0].items,
              (Items{{0, 0, 0}, {1, 1, 0}, {1, 1, 1}, {1, 0, 1}, {0, 7, 0}, {1, 8, 9}}));
    EXPECT_EQ((std::vector<double>{r[0].minx, r[0].maxx, r[0].miny, r[0].maxy}),
              (std::vector<double>{0, 8, 0, 9}));

    // A polyline that ends at ENDBLK without SEQEND: the record's next is its size, and the
    // next block's first polyline goes on drawing (its first vertex is a line item).
    ASSERT_EQ(read(block("A", polyline({{"0", "0"}, {"2", "0"}}, false)) +
                   block("B", polyline({{"5", "5"}, {"6", "6"}})) +
                   block("C", polyline({{"1", "1"}})) + kEnd),
              0);
    r = records();
    ASSERT_EQ(r.size(), 3u);
    EXPECT_EQ(r[0].next, 96u + 48);
    EXPECT_EQ(r[0].items, (Items{{0, 0, 0}, {1, 2, 0}}));
    EXPECT_EQ(r[1].items, (Items{{1, 5, 5}, {1, 6, 6}}));
    EXPECT_EQ(r[2].items, (Items{{0, 1, 1}}));
}

TEST_F(Blocks, ReferenceItemsAsStored) {
    // The section fails (an ARC without its end angle) before resolving, so the reference
    // items stay as they were read: their size follows the name's length, their defaults
    // are point (0, 0) and scales 1, 1.
    const std::string bad =
        lines({"0", "ARC", "10", "0", "20", "0", "40", "1", "50", "0", "62", "1"});
    ASSERT_EQ(read(block("A", insert("ABCDEFG") + insert("ABCDEFGH", at("1", "2", "3", "4")) +
                                  insert("ABCDEFGHIJKLMNO") + insert("ABCDEFGHIJKLMNOP") + bad)),
              -1);
    auto r = records();
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].inc, 1);
    EXPECT_EQ(r[0].refs, (std::vector<std::string>{"ABCDEFG", "ABCDEFGH", "ABCDEFGHIJKLMNO",
                                                   "ABCDEFGHIJKLMNOP"}));
    ASSERT_EQ(r[0].items.size(), 5u);
    EXPECT_EQ(r[0].items[0], (std::vector<double>{100, 0, 0, 1, 1, 0}));
    EXPECT_EQ(r[0].items[1], (std::vector<double>{100, 1, 2, 3, 4, 0}));
    // 56, 64, 64 and 72 bytes, then the ARC's 48.
    EXPECT_EQ(r[0].next, 96u + 56 + 64 + 64 + 72 + 48);
    std::size_t name2 = 96 + 56 + 48; // the second reference's name field
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(&store[name2])), "ABCDEFGH");
    for (std::size_t i = 8; i < 16; ++i)
        EXPECT_EQ(store[name2 + i], 0);
}

TEST_F(Blocks, MissingAndSelfReferences) {
    // A reference to a name without a record is removed; the rest of the record stays.
    ASSERT_EQ(read(block("A", line("0", "0", "1", "1") + insert("NOPE", at("5", "5")) +
                                  line("2", "2", "3", "3")) +
                   kEnd),
              0);
    auto r = records();
    EXPECT_EQ(r[0].items, (Items{{0, 0, 0}, {1, 1, 1}, {0, 2, 2}, {1, 3, 3}}));
    EXPECT_EQ(r[0].inc, 0);
    EXPECT_EQ(alerts(), 0u);

    // Self-reference, direct or through another block, and a block that depends on such a
    // cycle: the section shows "Invalid DXF File" and fails.
    const std::string cases[] = {
        block("S", line("0", "0", "1", "1") + insert("S")),
        block("A", insert("B")) + block("B", insert("A")),
        block("L", line("0", "0", "1", "1")) + block("C", insert("L") + insert("A")) +
            block("A", insert("B")) + block("B", insert("A")),
    };
    for (const std::string& body : cases) {
        std::size_t before = alerts();
        ASSERT_EQ(read(body + kEnd), -1);
        ASSERT_EQ(alerts(), before + 1);
        EXPECT_EQ(hostk::alerts().back().caption, "Invalid DXF File");
    }
    // What could be resolved before the cycle was.
    r = records();
    EXPECT_EQ(r[1].items[0], (std::vector<double>{0, 0, 0}));
    EXPECT_EQ(r[1].refs, (std::vector<std::string>{"A"}));
}

TEST_F(Blocks, NamesAndLookups) {
    // Names are kept to 39 characters; a reference finds the record whose name is the first
    // 39 characters of its own, and the first record of a name wins.
    const std::string n45 = "B123456789012345678901234567890123456789ABCDE";
    const std::string n39x = n45.substr(0, 39) + "zz";
    const std::string n38 = n45.substr(0, 38);
    ASSERT_EQ(read(block(n45.c_str(), line("0", "0", "1", "1")) +
                   block("D", line("0", "0", "2", "2")) + block("D", line("0", "0", "3", "3")) +
                   block("U", insert(n45.c_str()) + insert(n39x.c_str(), at("10", "0")) +
                                  insert(n38.c_str()) + insert("D", at("20", "0"))) +
                   kEnd),
              0);
    auto r = records();
    ASSERT_EQ(r.size(), 4u);
    EXPECT_EQ(r[0].name, n45.substr(0, 39));
    EXPECT_EQ(r[3].items,
              (Items{{0, 0, 0}, {1, 1, 1}, {0, 10, 0}, {1, 11, 1}, {0, 20, 0}, {1, 22, 2}}));
    // Lookups are exact otherwise: case and trailing blanks count.
    ASSERT_EQ(read(block("a", line("0", "0", "1", "1")) +
                   block("U", insert("A") + insert("a ") + insert("a")) + kEnd),
              0);
    EXPECT_EQ(records()[1].items, (Items{{0, 0, 0}, {1, 1, 1}}));
}

TEST_F(Blocks, ZGroupsInsideABlock) {
    // A LINE's z groups are passed over; a group after the start point that is not a z
    // group is read as usual.
    ASSERT_EQ(read(block("A", line("1", "2", "3", "4") +
                                  lines({"0",  "LINE", "10", "5",    "20", "6", "11", "7",
                                         "21", "8",    "0",  "LINE", "10", "1", "20", "1",
                                         "38", "9",    "11", "2",    "21", "2", "31", "0"})) +
                   kEnd),
              0);
    EXPECT_EQ(records()[0].items,
              (Items{{0, 1, 2}, {1, 3, 4}, {0, 5, 6}, {1, 7, 8}, {0, 1, 1}, {1, 2, 2}}));
    EXPECT_TRUE(output.empty());
    // An ARC with a z coordinate is 3-D data: "Not Supported", -2.
    ASSERT_EQ(read(block("A", lines({"0", "ARC", "10", "1", "20", "1", "30", "0", "40", "1", "50",
                                     "0", "51", "90"})) +
                   kEnd),
              -2);
    ASSERT_EQ(alerts(), 1u);
    EXPECT_EQ(hostk::alerts()[0].caption, "Not Supported");
}

TEST_F(Blocks, MalformedSections) {
    // Each ends the section with the given status, store closed (checked by read()).
    const int32_t kEof = KST_EOF;
    struct Case {
        const char* what;
        std::string body;
        int32_t status;
    };
    const Case cases[] = {
        {"end of file in the section", block("A", line("0", "0", "1", "1")), -1},
        {"end of file in the base point", lines({"0", "BLOCK", "2", "A", "10", "1"}), kEof},
        {"end of file in a LINE", block("A", "") + lines({"0", "LINE", "10", "1", "20", "1"}),
         kEof},
        {"end of file in an ARC",
         lines({"0", "BLOCK", "2", "A", "10", "0", "20", "0", "0", "ARC", "10", "1"}), kEof},
        {"ARC end angle with a wrong group",
         lines({"0", "BLOCK", "2", "A", "10", "0", "20", "0"}) +
             lines({"0", "ARC", "10", "1", "20", "1", "40", "1", "50", "0", "62", "90"}) + kEnd,
         -1},
        {"ARC end angle missing",
         lines({"0", "BLOCK", "2", "A", "10", "0", "20", "0"}) +
             lines({"0", "ARC", "10", "1", "20", "1", "40", "1", "50", "0"}),
         -1},
        {"POLYLINE without VERTEX", block("A", lines({"0", "POLYLINE", "0", "SEQEND"})) + kEnd, -1},
        {"end of file among vertices",
         lines({"0", "BLOCK", "2", "A", "10", "0", "20", "0", "0", "POLYLINE", "0", "VERTEX", "10",
                "1"}),
         -1},
        {"INSERT without a name",
         lines({"0", "BLOCK", "2", "A", "10", "0", "20", "0", "0", "INSERT", "10", "1"}), -1},
        {"end of file in an INSERT",
         lines({"0", "BLOCK", "2", "A", "10", "0", "20", "0", "0", "INSERT", "2", "B", "10", "1"}),
         -1},
        {"last ENDSEC without a line feed", block("A", "") + "0\nENDSEC", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(read(c.body), c.status);
    }
}

TEST_F(Blocks, HostFailures) {
    const std::string body =
        block("A", line("0", "0", "1", "1")) + block("B", insert("A", at("1", "1"))) + kEnd;
    struct Case {
        const char* service;
        std::size_t nth;
    };
    // The store cannot be made, cannot grow for a record, an item, or the resolution; the
    // file cannot be positioned for an INSERT.
    const Case cases[] = {{"emm_alloc", 1}, {"emm_ins", 1},   {"emm_ins", 2},  {"emm_resz", 1},
                          {"fim_ftell", 1}, {"fim_ftell", 2}, {"fim_fseek", 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.service) + " " + std::to_string(c.nth));
        hostk::clear_faults();
        hostk::fail_call(c.service, c.nth, KST_NOMEMORY);
        EXPECT_EQ(read(body), -1);
    }
    hostk::clear_faults();
    EXPECT_EQ(read(body), 0);
}

TEST_F(Blocks, RecordCount) {
    // 65535 records fit the 16-bit count; a 65536th is refused with "Invalid DXF File".
    std::string body;
    body.reserve(65536 * 16);
    for (int i = 0; i < 65535; ++i)
        body += "0\nBLOCK\n2\nN\n10\n0\n20\n0\n";
    ASSERT_EQ(read(body + kEnd), 0);
    EXPECT_EQ(MAXOBJ, 65535);
    EXPECT_EQ(store.size(), 65535u * 96);
    EXPECT_EQ(alerts(), 0u);
    ASSERT_EQ(read(body + "0\nBLOCK\n2\nN\n10\n0\n20\n0\n" + kEnd), -1);
    EXPECT_EQ(MAXOBJ, 65535);
    EXPECT_EQ(store.size(), 65535u * 96);
    ASSERT_EQ(alerts(), 1u);
    EXPECT_EQ(hostk::alerts()[0].caption, "Invalid DXF File");
}

TEST_F(Blocks, NestingPastTheMemoryLimit) {
    // Each level holds its predecessor eight times: 8^6 lines (12 MB) at the top is more than
    // the host gives, 8^12 more than a store may ever hold. The section fails cleanly, with
    // the store as it was before the growth that was refused.
    hostk::set_memory_limit(std::size_t(4) << 20);
    for (int levels : {6, 12}) {
        SCOPED_TRACE(std::to_string(levels) + " levels");
        std::string body = block("L0", line("0", "0", "1", "1"));
        for (int i = 1; i <= levels; ++i) {
            std::string prev = "L" + std::to_string(i - 1), name = "L" + std::to_string(i);
            std::string refs;
            for (int k = 0; k < 8; ++k)
                refs += insert(prev.c_str(), at(std::to_string(k).c_str(), "0"));
            body = block(name.c_str(), refs) + body; // outermost first
        }
        std::size_t resizes = hostk::call_count("emm_resz");
        ASSERT_EQ(read(body + kEnd), -1);
        EXPECT_EQ(alerts(), 0u); // the driver tells the user
        EXPECT_LE(hostk::memory_in_use(), std::size_t(4) << 20);
        // 6 levels: the host refused a growth; 12: the store did not even ask.
        EXPECT_EQ(hostk::call_count("emm_resz") > resizes + 1, levels == 6);
        records(); // still a chain of whole records
    }
}

// A direct model of the resolved store: every reference replaced by the items of the first
// record of its name, resolved first itself, with that block's base point on the insertion
// point; extents widened by a record's own items in their order, then by its copies in theirs.
struct Ent {
    int kind = 0;          // 0 line, 1 arc, 2 polyline, 3 insert, 4 an entity with a group 2
    std::vector<double> v; // line x1 y1 x2 y2; arc cx cy r a0 a1; polyline x y ...; insert
                           // x y sx sy
    std::string name;      // insert: the block named
};
struct Def {
    std::string name;
    double bx = 0, by = 0; // base point
    std::vector<Ent> ents;
};
// The angles of an arc placed with scales sx, sy: mirrored with the block, then one turn
// added or taken away to bring each into 0 .. 360.
void mirrored_angles(double sx, double sy, double& a0, double& a1) {
    if (sx >= 0 && sy >= 0)
        return;
    double s = a0 + 180, e = a1 + 180;
    if (sx < 0 && sy >= 0) {
        s = 180 - a1;
        e = 180 - a0;
    } else if (sy < 0 && sx >= 0) {
        s = 360 - a1;
        e = 360 - a0;
    }
    auto wrap = [](double a) { return a >= 360 ? a - 360 : a < 0 ? a + 360 : a; };
    a0 = wrap(s);
    a1 = wrap(e);
}
struct Final {
    Items items;
    double maxx = -1.7e308, minx = 1.7e308, maxy = -1.7e308, miny = 1.7e308;
    void widen_x(double x) {
        maxx = x >= maxx ? x : maxx;
        minx = x <= minx ? x : minx;
    }
    void widen_y(double y) {
        maxy = y >= maxy ? y : maxy;
        miny = y <= miny ? y : miny;
    }
    void widen_arc(double x, double y, double r) {
        minx = x - r <= minx ? x - r : minx;
        maxx = x + r >= maxx ? x + r : maxx;
        miny = y - r <= miny ? y - r : miny;
        maxy = y + r >= maxy ? y + r : maxy;
    }
    void widen_item(const std::vector<double>& it) {
        if (it[0] == 3) {
            widen_arc(it[1], it[2], it[3]);
        } else {
            widen_x(it[1]);
            widen_y(it[2]);
        }
    }
};

class Model {
  public:
    explicit Model(const std::vector<Def>& defs) : defs_(defs), memo_(defs.size()) {}
    const Final& final(std::size_t i) {
        if (memo_[i])
            return *memo_[i];
        Final f;
        std::vector<std::vector<double>> copies;
        for (const Ent& e : defs_[i].ents) {
            if (e.kind == 0) {
                f.items.push_back({0, e.v[0], e.v[1]});
                f.items.push_back({1, e.v[2], e.v[3]});
                f.widen_x(e.v[0]);
                f.widen_y(e.v[1]);
                f.widen_x(e.v[2]);
                f.widen_y(e.v[3]);
            } else if (e.kind == 1) {
                f.items.push_back({3, e.v[0], e.v[1], e.v[2], e.v[3], e.v[4]});
                f.widen_arc(e.v[0], e.v[1], e.v[2]);
            } else if (e.kind == 2) {
                for (std::size_t k = 0; k < e.v.size(); k += 2) {
                    f.items.push_back({k == 0 ? 0.0 : 1.0, e.v[k], e.v[k + 1]});
                    f.widen_x(e.v[k]);
                    f.widen_y(e.v[k + 1]);
                }
            } else if (e.kind == 3) {
                std::size_t p = 0;
                while (p < defs_.size() && defs_[p].name != e.name)
                    ++p;
                if (p == defs_.size())
                    continue;
                const Final& P = final(p);
                double ix = e.v[0], iy = e.v[1], sx = e.v[2], sy = e.v[3];
                for (std::vector<double> it : P.items) {
                    it[1] = ix + sx * (it[1] - defs_[p].bx);
                    it[2] = iy + sy * (it[2] - defs_[p].by);
                    if (it[0] == 3) {
                        it[3] = it[3] * std::fabs(sx);
                        mirrored_angles(sx, sy, it[4], it[5]);
                    }
                    f.items.push_back(it);
                    copies.push_back(it);
                }
            }
        }
        for (const auto& it : copies)
            f.widen_item(it);
        memo_[i].reset(new Final(f));
        return *memo_[i];
    }

  private:
    const std::vector<Def>& defs_;
    std::vector<std::unique_ptr<Final>> memo_;
};

TEST_F(Blocks, ResolutionMatchesADirectModel) {
    // Random nestings, defined in random order, with base points anywhere, missing names,
    // mirrored and scaled references, arcs, polylines and entities whose group 2 names no block
    // (attribute definitions, attributes, shapes, dimensions); the store must hold exactly what
    // the model says.
    uint32_t seed = 2024;
    auto rnd = [&seed](uint32_t n) {
        seed = seed * 1664525u + 1013904223u;
        return (seed >> 8) % n;
    };
    auto val = [&rnd]() { return (double(rnd(401)) - 200.0) / 4.0; };
    const double scales[] = {-3, -2, -1, -0.5, 0.5, 1, 2, 3};
    for (int round = 0; round < 150; ++round) {
        SCOPED_TRACE("round " + std::to_string(round));
        std::size_t n = 1 + rnd(20);
        // Block r refers to blocks of a lower rank only (no cycles), whatever their place.
        std::vector<Def> byrank(n);
        for (std::size_t r = 0; r < n; ++r) {
            byrank[r].name = "N" + std::to_string(r);
            byrank[r].bx = rnd(3) == 0 ? 0.0 : val();
            byrank[r].by = rnd(3) == 0 ? 0.0 : val();
            for (std::size_t e = rnd(6); e > 0; --e) {
                Ent ent;
                ent.kind = int(rnd(5));
                if (ent.kind == 3 && r == 0)
                    ent.kind = 4;
                if (ent.kind == 0)
                    ent.v = {val(), val(), val(), val()};
                else if (ent.kind == 1)
                    ent.v = {val(), val(), double(1 + rnd(20)), val(), val()};
                else if (ent.kind == 2)
                    for (std::size_t k = 1 + rnd(4); k > 0; --k)
                        ent.v.insert(ent.v.end(), {val(), val()});
                else if (ent.kind == 3) {
                    ent.name = rnd(8) == 0 ? "MISSING" : byrank[rnd(uint32_t(r))].name;
                    ent.v = {val(), val(), scales[rnd(8)], scales[rnd(8)]};
                } else {
                    ent.name = byrank[rnd(uint32_t(r + 1))].name; // a name that has a record
                    ent.v = {double(rnd(4)), val(), val()};
                }
                byrank[r].ents.push_back(ent);
            }
        }
        std::vector<Def> defs = byrank;
        for (std::size_t i = n; i > 1; --i)
            std::swap(defs[i - 1], defs[rnd(uint32_t(i))]);
        auto t = [](double v) { return testutil::num(v); };
        std::string body;
        for (const Def& d : defs) {
            std::string ents;
            for (const Ent& e : d.ents) {
                if (e.kind == 0)
                    ents += line(t(e.v[0]).c_str(), t(e.v[1]).c_str(), t(e.v[2]).c_str(),
                                 t(e.v[3]).c_str());
                else if (e.kind == 1)
                    ents += arc(t(e.v[0]).c_str(), t(e.v[1]).c_str(), t(e.v[2]).c_str(),
                                t(e.v[3]).c_str(), t(e.v[4]).c_str());
                else if (e.kind == 2) {
                    ents += lines({"0", "POLYLINE", "66", "1", "70", "0"});
                    for (std::size_t k = 0; k < e.v.size(); k += 2)
                        ents += lines({"0", "VERTEX", "10", t(e.v[k]).c_str(), "20",
                                       t(e.v[k + 1]).c_str(), "30", "0"});
                    ents += lines({"0", "SEQEND"});
                } else if (e.kind == 3) {
                    ents += insert(e.name.c_str(), at(t(e.v[0]).c_str(), t(e.v[1]).c_str(),
                                                      t(e.v[2]).c_str(), t(e.v[3]).c_str()));
                } else {
                    // Group 2 before or after the entity's point, as programs write them.
                    static const char* const kinds[] = {"ATTDEF", "ATTRIB", "SHAPE", "DIMENSION"};
                    std::string x = t(e.v[1]), y = t(e.v[2]);
                    std::string point = lines({"10", x.c_str(), "20", y.c_str(), "30", "0.0"});
                    std::string named = lines({"2", e.name.c_str()});
                    ents += lines({"0", kinds[int(e.v[0])], "8", "0"}) +
                            (int(e.v[0]) % 2 ? point + named : named + point) +
                            lines({"40", "1.0", "70", "0"});
                }
            }
            body += block(d.name.c_str(), ents, t(d.bx).c_str(), t(d.by).c_str());
        }
        ASSERT_EQ(read(body + kEnd), 0);
        auto r = records();
        ASSERT_EQ(r.size(), n);
        Model model(defs);
        for (std::size_t i = 0; i < n; ++i) {
            SCOPED_TRACE("record " + std::to_string(i));
            const Final& f = model.final(i);
            EXPECT_EQ(r[i].name, defs[i].name);
            EXPECT_EQ(r[i].inc, 0);
            EXPECT_EQ(r[i].items, f.items);
            EXPECT_EQ((std::vector<double>{r[i].minx, r[i].maxx, r[i].miny, r[i].maxy}),
                      (std::vector<double>{f.minx, f.maxx, f.miny, f.maxy}));
        }
    }
}

} // namespace
