// hostile_test.cpp: drawings made to hurt: blocks that multiply past the host's memory, blocks
// that refer to themselves, a table of 100,000 entries, a line of a megabyte, files of code
// lines only, of binary bytes or of nothing, files that end inside every kind of entity, absurd
// extents and coordinates, and every number written with 199 characters. Each ends with the
// result, alert and status the module gives such a drawing, with every block released and the
// file closed.
//
// Bounds: every import runs with the host's memory limited to 16 MiB of blocks at most (the
// kernel refuses more), and the whole program must finish within the time limit of its
// CTest entry (300 seconds, with the sanitizers), far above the second or so each drawing takes;
// a drawing that made the import loop or grow without bound would break one of the two.
// HOSTILE_SHOW=1 in the environment prints how each import ended.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "import_run.h"
#include "sweep_drawings.h"

namespace {

using namespace faults;

constexpr std::size_t kMemoryLimit = std::size_t(16) << 20;

std::string g(int code, const std::string& value) {
    return std::to_string(code) + "\n" + value + "\n";
}
std::string header(const std::string& minx, const std::string& miny, const std::string& maxx,
                   const std::string& maxy) {
    return g(0, "SECTION") + g(2, "HEADER") + g(9, "$EXTMIN") + g(10, minx) + g(20, miny) +
           g(9, "$EXTMAX") + g(10, maxx) + g(20, maxy) + g(0, "ENDSEC");
}
const std::string kHeader = header("0", "0", "100", "100");
std::string section(const char* name, const std::string& body) {
    return g(0, "SECTION") + g(2, name) + body + g(0, "ENDSEC");
}
const std::string kEof = g(0, "EOF");
std::string line(const std::string& x0, const std::string& y0, const std::string& x1,
                 const std::string& y1) {
    return g(0, "LINE") + g(8, "0") + g(10, x0) + g(20, y0) + g(11, x1) + g(21, y1);
}
std::string insert(const std::string& name, double x = 0, double y = 0, const std::string& sx = "1",
                   const std::string& sy = "1") {
    return g(0, "INSERT") + g(8, "0") + g(2, name) + g(10, std::to_string(x)) +
           g(20, std::to_string(y)) + g(41, sx) + g(42, sy);
}
std::string block(const std::string& name, const std::string& body) {
    return g(0, "BLOCK") + g(8, "0") + g(2, name) + g(70, "0") + g(10, "0") + g(20, "0") + body +
           g(0, "ENDBLK");
}

// What one import of a hostile drawing must end with.
enum class Ends {
    imported,      // result 0, a terminated object
    invalid,       // "Invalid DXF File", then the message for -1
    invalid_eof,   // "Invalid DXF File", then the message for -1 or for the file's end
    out_of_memory, // the host's memory refused: -1 with "Invalid DXF File" (the block store)
                   // or the host's out-of-memory message (the object)
    either         // imported, or failed with one message
};

class Hostile : public ::testing::Test {
  protected:
    void SetUp() override {
        hostk::reset();
        hostk::set_output_sink([](const std::string&) {});
        hostk::set_memory_limit(kMemoryLimit);
    }
    void TearDown() override { hostk::set_output_sink({}); }

    // Imports text and checks how it ends and that nothing is left behind.
    ImportRun expect(const std::string& name, const std::string& text, Ends ends,
                     std::size_t memory_limit = kMemoryLimit) {
        hostk::reset();
        hostk::set_memory_limit(memory_limit);
        ImportRun r = import_once(write_file(name, text));
        Findings f;
        check_frame_header(r, name, f);
        check_object(r, ends == Ends::imported, name, f);
        EXPECT_EQ(r.open_files, 0u) << name;
        EXPECT_EQ(r.live_blocks, 2u) << name; // the frame's two blocks, nothing of the module's
        EXPECT_EQ(hostk::memory_in_use(), r.frh.size() + r.dat.size()) << name;
        EXPECT_FALSE(r.frh_locked || r.dat_locked) << name;
        EXPECT_EQ(r.mouse, 0) << name;
        bool invalid_alert = !r.alerts.empty();
        for (const hostk::Alert& a : r.alerts)
            invalid_alert = invalid_alert && a.caption == kInvalid;
        const int32_t shown = r.shown.size() == 1 ? r.shown[0] : 0;
        switch (ends) {
        case Ends::imported:
            EXPECT_EQ(r.result, 0) << name;
            EXPECT_TRUE(r.shown.empty() && r.alerts.empty()) << name;
            EXPECT_EQ(r.live_objects, 1u) << name;
            break;
        case Ends::invalid:
            EXPECT_EQ(r.result, -1) << name;
            EXPECT_TRUE(invalid_alert) << name;
            EXPECT_EQ(r.shown, std::vector<int32_t>{ST_INVALID}) << name;
            break;
        case Ends::invalid_eof:
            EXPECT_EQ(r.result, -1) << name;
            EXPECT_TRUE(invalid_alert) << name;
            EXPECT_TRUE(shown == ST_INVALID || shown == KST_EOF) << name << ": " << shown;
            break;
        case Ends::either:
            EXPECT_TRUE(r.result == 0 || (r.result == -1 && r.shown.size() == 1)) << name;
            EXPECT_EQ(r.live_objects, r.result == 0 ? 1u : 0u) << name;
            check_object(r, r.result == 0, name, f);
            break;
        case Ends::out_of_memory:
            EXPECT_EQ(r.result, -1) << name;
            EXPECT_TRUE(invalid_alert) << name;
            EXPECT_TRUE(shown == ST_INVALID || shown == KST_NOMEMORY) << name << ": " << shown;
            break;
        }
        if (ends != Ends::imported && ends != Ends::either) {
            EXPECT_EQ(r.live_objects, 0u) << name;
        }
        if (std::getenv("HOSTILE_SHOW"))
            std::printf("%s: result %d, shown %d, %zu alerts, object %zu bytes\n", name.c_str(),
                        r.result, shown, r.alerts.size(), r.dat.size());
        for (const std::string& s : f.all)
            ADD_FAILURE() << s;
        return r;
    }
};

TEST_F(Hostile, BlocksThatMultiplyPastTheMemoryLimit) {
    // 4 MiB of host memory: the kernel checks every block access of the growing store or
    // object, so a smaller limit keeps the refusal quick under the sanitizers too
    const std::size_t limit = std::size_t(4) << 20;
    // nine levels of ten inserts of the level below: 10^9 lines, refused while the store grows
    std::string blocks = block("B0", line("0", "0", "1", "1"));
    for (int k = 1; k <= 9; k++) {
        std::string body;
        for (int i = 0; i < 10; i++)
            body += insert("B" + std::to_string(k - 1), i, k);
        blocks += block("B" + std::to_string(k), body);
    }
    expect("store.dxf",
           kHeader + section("BLOCKS", blocks) + section("ENTITIES", insert("B9")) + kEof,
           Ends::out_of_memory, limit);

    // a store of 10,000 lines that fits, inserted 200 times: the object cannot hold it
    std::string b1 = block("B1", line("0", "0", "1", "1"));
    std::string b2, b3, entities;
    for (int i = 0; i < 100; i++) {
        b2 += insert("B1", i, 0);
        b3 += insert("B2", 0, i);
    }
    for (int i = 0; i < 200; i++)
        entities += insert("B3", i % 10, i / 10);
    expect("object.dxf",
           kHeader + section("BLOCKS", b1 + block("B2", b2) + block("B3", b3)) +
               section("ENTITIES", entities) + kEof,
           Ends::out_of_memory, limit);
}

TEST_F(Hostile, BlocksThatReferToThemselves) {
    const std::string self = block("SELF", line("0", "0", "1", "1") + insert("SELF", 1, 1));
    const std::string mutual = block("PING", insert("PONG")) + block("PONG", insert("PING"));
    const std::string ring = block("R1", insert("R2")) + block("R2", insert("R3")) +
                             block("R3", line("0", "0", "1", "1") + insert("R1"));
    for (const std::string& blocks : {self, mutual, ring})
        expect("self.dxf",
               kHeader + section("BLOCKS", blocks) + section("ENTITIES", insert("SELF")) + kEof,
               Ends::invalid);
}

TEST_F(Hostile, HugeTablesAndLines) {
    // 100,000 layers: the table keeps its first 255, the drawing is imported
    std::string layers = g(0, "TABLE") + g(2, "LAYER") + g(70, "100000");
    for (int i = 0; i < 100000; i++)
        layers += g(0, "LAYER") + g(2, "L" + std::to_string(i)) + g(70, "0") + g(62, "7") +
                  g(6, "CONTINUOUS");
    layers += g(0, "ENDTAB");
    const std::string lines = section("ENTITIES", line("0", "0", "100", "100"));
    ImportRun r =
        expect("layers.dxf", kHeader + section("TABLES", layers) + lines + kEof, Ends::imported);
    EXPECT_EQ(r.dat.size(), 70u); // one line record

    // a value line of a megabyte is cut to its first 199 characters; what follows is read
    const std::string big(std::size_t(1) << 20, '7');
    r = expect(
        "bigline.dxf",
        kHeader +
            section("ENTITIES", g(0, "TEXT") + g(1, big) + g(999, big) + line("0", "0", big, big)) +
            kEof,
        Ends::imported);
    EXPECT_EQ(r.dat.size(), 70u);
    // and a megabyte where a group code belongs is no group code
    expect("bigcode.dxf", big + "\n0\n" + kHeader + kEof, Ends::invalid);
}

TEST_F(Hostile, FilesThatAreNoDrawing) {
    std::string codes;
    for (int i = 0; i < 50000; i++)
        codes += "  0\n";
    expect("codes.dxf", codes, Ends::invalid);
    std::string tens;
    for (int i = 0; i < 50000; i++)
        tens += " 10\n";
    expect("tens.dxf", tens, Ends::invalid);

    std::mt19937 random(14);
    std::string binary(64 << 10, '\0');
    for (char& c : binary)
        c = char(random());
    expect("binary.dxf", binary, Ends::invalid_eof);
    expect("zeros.dxf", std::string(4096, '\0'), Ends::invalid_eof);
    ImportRun r = expect("empty.dxf", "", Ends::invalid_eof);
    EXPECT_EQ(r.shown, std::vector<int32_t>{KST_EOF}); // the file ends before "EOF"
}

// Every kind of entity, in the entities section and where it can stand in a block.
const std::vector<std::pair<std::string, std::string>>& entity_kinds() {
    static const std::vector<std::pair<std::string, std::string>> kinds = {
        {"LINE", line("1", "2", "30", "40")},
        {"CIRCLE", g(0, "CIRCLE") + g(8, "0") + g(10, "5") + g(20, "5") + g(40, "3")},
        {"ARC", g(0, "ARC") + g(8, "0") + g(10, "5") + g(20, "5") + g(40, "3") + g(50, "10") +
                    g(51, "80")},
        {"POLYLINE", g(0, "POLYLINE") + g(8, "0") + g(66, "1") + g(10, "0") + g(20, "0") +
                         g(0, "VERTEX") + g(8, "0") + g(10, "1") + g(20, "1") + g(0, "VERTEX") +
                         g(8, "0") + g(10, "9") + g(20, "9") + g(0, "SEQEND")},
        {"INSERT", insert("B", 3, 4, "2", "-2") + g(66, "1") + g(0, "ATTRIB") + g(8, "0") +
                       g(10, "0") + g(20, "0") + g(1, "v") + g(2, "T") + g(0, "SEQEND")},
        {"POINT", g(0, "POINT") + g(8, "0") + g(10, "1") + g(20, "1")},
        {"SOLID", g(0, "SOLID") + g(8, "0") + g(10, "0") + g(20, "0") + g(11, "1") + g(21, "0") +
                      g(12, "0") + g(22, "1")},
        {"TEXT", g(0, "TEXT") + g(8, "0") + g(10, "1") + g(20, "1") + g(40, "2") + g(1, "abc")},
        {"SHAPE", g(0, "SHAPE") + g(8, "0") + g(10, "1") + g(20, "1") + g(40, "1") + g(2, "S")},
        {"ATTDEF", g(0, "ATTDEF") + g(8, "0") + g(10, "1") + g(20, "1") + g(40, "1") + g(1, "d") +
                       g(3, "p") + g(2, "T")},
        {"3DFACE", g(0, "3DFACE") + g(8, "0") + g(10, "0") + g(20, "0") + g(30, "1") + g(11, "1") +
                       g(21, "0") + g(31, "1")},
        {"TRACE", g(0, "TRACE") + g(8, "0") + g(10, "0") + g(20, "0") + g(11, "1") + g(21, "1")},
        {"DIMENSION", g(0, "DIMENSION") + g(8, "0") + g(2, "*D1") + g(10, "0") + g(20, "0")},
    };
    return kinds;
}

TEST_F(Hostile, FilesThatEndInsideEveryKindOfEntity) {
    const std::string blocks = section("BLOCKS", block("B", line("0", "0", "1", "1")));
    std::size_t runs = 0;
    for (const auto& kind : entity_kinds()) {
        // in the entities section
        const std::string head =
            kHeader + blocks + g(0, "SECTION") + g(2, "ENTITIES") + line("0", "0", "9", "9");
        for (std::size_t cut = 1; cut <= kind.second.size(); cut++, runs++)
            expect(kind.first, head + kind.second.substr(0, cut), Ends::invalid_eof);
        // as the last item of a block
        if (kind.first == "CIRCLE" || kind.first == "3DFACE")
            continue; // a 3-D face or a circle may be refused as 3-D in a block
        const std::string bhead = kHeader + g(0, "SECTION") + g(2, "BLOCKS") + g(0, "BLOCK") +
                                  g(8, "0") + g(2, "B") + g(10, "0") + g(20, "0") +
                                  line("0", "0", "1", "1");
        for (std::size_t cut = 1; cut <= kind.second.size(); cut++, runs++)
            expect("block " + kind.first, bhead + kind.second.substr(0, cut), Ends::invalid_eof);
    }
    EXPECT_GT(runs, 1000u);
}

TEST_F(Hostile, ExtentsThatMapNothing) {
    // zero, negative, NaN (1e300 is past a 32-bit real: infinity less infinity) and infinite
    for (const auto& e : std::vector<std::vector<const char*>>{{"0", "0", "0", "10"},
                                                               {"0", "0", "10", "0"},
                                                               {"5", "5", "5", "5"},
                                                               {"10", "0", "0", "10"},
                                                               {"0", "10", "10", "0"},
                                                               {"1e300", "0", "1e300", "10"},
                                                               {"0", "0", "1e300", "10"},
                                                               {"-1e300", "-1e300", "1", "1"}})
        expect(std::string("extents ") + e[0] + " " + e[1] + " " + e[2] + " " + e[3],
               header(e[0], e[1], e[2], e[3]) + section("ENTITIES", line("0", "0", "1", "1")) +
                   kEof,
               Ends::invalid);
}

TEST_F(Hostile, CoordinatesOfInfinityAndNaN) {
    // 1e300 overflows to infinity; a block scaled by 1e300 about its own base point makes
    // infinity times zero, a NaN; neither may reach an integer field or the extents as such
    const std::string blocks = section(
        "BLOCKS", block("Z", line("0", "0", "0", "0") + g(0, "ARC") + g(8, "0") + g(10, "0") +
                                 g(20, "0") + g(40, "1e300") + g(50, "0") + g(51, "1e300")));
    std::string entities =
        line("1e300", "1e300", "0", "0") + line("-1e300", "5", "5", "1e300") + g(0, "CIRCLE") +
        g(8, "0") + g(10, "1e300") + g(20, "5") + g(40, "1e300") + g(0, "ARC") + g(8, "0") +
        g(10, "5") + g(20, "5") + g(40, "2") + g(50, "1e300") + g(51, "-1e300") + g(0, "POLYLINE") +
        g(8, "0") + g(66, "1") + g(0, "VERTEX") + g(8, "0") + g(10, "1e300") + g(20, "-1e300") +
        g(0, "VERTEX") + g(8, "0") + g(10, "1") + g(20, "1") + g(0, "SEQEND") +
        insert("Z", 5, 5, "1e300", "1e300") + insert("Z", 5, 5, "-1e300", "0");
    expect("huge.dxf", kHeader + blocks + section("ENTITIES", entities) + kEof, Ends::imported);
}

// The drawing with every number (group codes included) written with 199 characters: zeros
// before its digits, after its sign. Other value lines stay as they are.
std::string padded_numbers(const std::string& text) {
    std::istringstream in(text);
    std::string out, code, value;
    auto pad = [](std::string s) {
        if (!s.empty() && s.back() == '\r')
            s.pop_back();
        std::size_t at = s.find_first_not_of(' ');
        s = at == std::string::npos ? "0" : s.substr(at);
        std::size_t digits = (s[0] == '-' || s[0] == '+') ? 1 : 0;
        return s.substr(0, digits) + std::string(199 - s.size(), '0') + s.substr(digits);
    };
    while (std::getline(in, code) && std::getline(in, value)) {
        int c = std::stoi(code);
        bool number = (c >= 10 && c < 60) || (c >= 62 && c < 80) || (c >= 210 && c < 240);
        if (!value.empty() && value.back() == '\r')
            value.pop_back();
        out += pad(code) + "\n" + (number ? pad(value) : value) + "\n";
    }
    return out;
}

TEST_F(Hostile, EveryNumberOf199Characters) {
    // the same object as the drawing written plainly
    for (const sweep::Drawing& d : sweep::drawing_set()) {
        if (d.name != "r12_full.dxf" && d.name != "floor_plan.dxf" && d.name != "block_features")
            continue;
        ImportRun plain = expect(d.name, d.text, Ends::imported);
        ImportRun padded = expect(d.name + " padded", padded_numbers(d.text), Ends::imported);
        EXPECT_EQ(padded.dat, plain.dat) << d.name;
    }
    // every value line a number: no group 0 names a section
    std::string numbers;
    for (int i = 0; i < 200; i++)
        numbers += g(i % 80, std::string(198, '9') + "1");
    expect("numbers.dxf", numbers, Ends::invalid);
}

// Inputs the fuzzer found once (fuzz/regress/, one file each, named after what it found): each
// is imported and must end as any import must.
class KeptFuzzFinding : public Hostile, public ::testing::WithParamInterface<std::string> {};

TEST_P(KeptFuzzFinding, EndsCleanly) {
    std::ifstream in(std::string(FUZZ_REGRESS_DIR) + "/" + GetParam(), std::ios::binary);
    expect(GetParam(), std::string(std::istreambuf_iterator<char>(in), {}), Ends::either);
}

std::vector<std::string> kept_findings() {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(FUZZ_REGRESS_DIR))
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string test_name(const ::testing::TestParamInfo<std::string>& info) {
    std::string name;
    for (char c : info.param)
        name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Fuzz, KeptFuzzFinding, ::testing::ValuesIn(kept_findings()), test_name);
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(KeptFuzzFinding);

} // namespace
