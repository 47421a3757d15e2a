// The host program's own group reader: numbers and codes as the module reads them, what a file
// is before it is read, and groups with their line numbers, carriage returns and cut lines.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <random>

#include "dxfhost/groups.h"
#include "import/dxf.h"
#include "kernel/kernelctl.h"

namespace {

std::string file_with(const std::string& name, const std::string& bytes) {
    const std::string path = ::testing::TempDir() + "host_groups_" + name;
    std::ofstream(path, std::ios::binary) << bytes;
    return path;
}

} // namespace

TEST(HostGroups, NumbersAndCodesFollowTheModulesRules) {
    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<const char*, double> reals[] = {
        {"1.5", 1.5},     {"  -2.25e1", -22.5},
        {"+3", 3},        {".5", 0.5},
        {"7.", 7},        {"1e", 1},
        {"1e+", 1},       {"inf", 0},
        {"nan", 0},       {"0x10", 0},
        {"12abc", 12},    {"", 0},
        {"-", 0},         {"1e999", inf},
        {"-1e999", -inf}, {"1e-999", 0},
        {"\t4,5", 4},
    };
    for (const auto& [text, want] : reals) {
        EXPECT_EQ(groups::number(text), want) << text;
    }
    const std::pair<const char*, int32_t> ints[] = {
        {"  0", 0},
        {"999", 999},
        {"-5", -5},
        {"abc", 0},
        {"  10x", 10},
        {"99999999999", INT32_MAX},
        {"-99999999999", INT32_MIN},
    };
    for (const auto& [text, want] : ints) {
        EXPECT_EQ(groups::integer(text), want) << text;
    }
}

TEST(HostGroups, FilesAreSniffedAndReadAsTheModuleReadsThem) {
    EXPECT_EQ(groups::sniff(file_with("empty", "")), groups::Content::Empty);
    EXPECT_EQ(groups::sniff(file_with("bin", std::string("Some Binary DXF\r\n\x1A\0", 20))),
              groups::Content::Binary);
    EXPECT_EQ(groups::sniff(file_with("nul", std::string("0\nSEC\0TION\n", 11))),
              groups::Content::NotText);
    EXPECT_EQ(groups::sniff(file_with("text", "  0\r\nSECTION\r\n")), groups::Content::Text);
    EXPECT_TRUE(groups::begins_like_drawing(file_with("d1", "  0\r\nSECTION\r\n")));
    EXPECT_TRUE(groups::begins_like_drawing(file_with("d2", "999\ncomment\n")));
    EXPECT_FALSE(groups::begins_like_drawing(file_with("d3", "<svg>\n</svg>\n")));
    EXPECT_FALSE(groups::begins_like_drawing(file_with("d4", "0")));

    // Carriage returns dropped, a long line kept to 199 characters, a NUL ending the text,
    // a last line without its line feed, then the end over and over.
    const std::string path =
        file_with("groups", "  0\r\nSECTION\r\n  2\n" + std::string(250, 'x') + "\n 999\nab" +
                                std::string(1, '\0') + "cd\n0\nEOF");
    groups::Reader in;
    std::string err;
    ASSERT_TRUE(in.open(path, &err));
    groups::Group g = in.next();
    EXPECT_TRUE(g.is0("SECTION"));
    EXPECT_EQ(g.line, 1u);
    EXPECT_EQ(g.value, "SECTION");
    g = in.next();
    EXPECT_EQ(g.code, 2u);
    EXPECT_EQ(g.value, std::string(groups::kLineMax, 'x'));
    g = in.next();
    EXPECT_EQ(g.code, 999u);
    EXPECT_EQ(g.value, "ab");
    EXPECT_EQ(g.value_line(), 6u);
    in.give_back(g);
    EXPECT_EQ(in.next().value, "ab");
    g = in.next();
    EXPECT_TRUE(g.is0("EOF"));
    EXPECT_FALSE(g.complete);
    EXPECT_FALSE(g.end);
    for (int i = 0; i < 3; ++i) {
        g = in.next();
        EXPECT_TRUE(g.end);
        EXPECT_EQ(g.code, 0u);
        EXPECT_EQ(g.value, "");
    }
}

// Random files of the bytes that matter (digits, signs, blanks, carriage returns, line feeds,
// NULs, lines longer than the module keeps, files cut anywhere, groups across the chunks the
// host reads) read group by group by the host's reader and by the module's own group reader
// through the kernel: the same codes, the same values, and the end where the module's read
// fails.
TEST(HostGroups, GroupsAreTheModulesGroups) {
    std::mt19937 gen(2027);
    const std::string pieces[] = {
        "0",      "1",     "7",       "9",      "-",    "+",
        " ",      "\t",    "\r",      "\n",     "\n",   std::string(1, '\0'),
        "x",      ".",     "E",       "\v",     "\r\n", "\r\n",
        "  10\n", "ABC\n", " -5\r\n", "1.5\r\n"};
    std::size_t groups_read = 0;
    for (int file = 0; file < 400; ++file) {
        std::string text;
        const int n = int(file % 16 == 0 ? 40000 + gen() % 40000 : gen() % 2000); // past a chunk
        for (int i = 0; i < n; ++i) {
            text += gen() % 40 == 0 ? std::string(gen() % 300, 'y')
                                    : pieces[gen() % (sizeof pieces / sizeof pieces[0])];
        }
        const std::string path = file_with("model", text);
        groups::Reader in;
        std::string err;
        ASSERT_TRUE(in.open(path, &err));
        hostk::reset();
        int32_t fh = 0;
        ASSERT_EQ(fim_fopen(path.c_str(), 0, &fh), 0);
        for (;;) {
            char value[TEXTLEN];
            uint32_t code = 0;
            const int32_t st = get_grpnm(fh, &code, value);
            const groups::Group g = in.next();
            ASSERT_EQ(g.code, code) << "file " << file << ", line " << g.line;
            ASSERT_EQ(g.value, std::string(value)) << "file " << file << ", line " << g.line;
            ASSERT_EQ(g.complete, st >= 0) << "file " << file << ", line " << g.line;
            if (g.end) {
                break;
            }
            ++groups_read;
        }
        fim_fclose(fh);
    }
    EXPECT_GT(groups_read, 20000u);
}
