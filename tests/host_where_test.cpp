// Finding the line at which the module stopped reading, and the line shown after an alert.
#include <gtest/gtest.h>

#include <fstream>

#include "dxfhost/where.h"

namespace {

std::string temp_file(const std::string& name, const std::string& content) {
    std::string path = ::testing::TempDir() + "host_where_" + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

where::Place locate(const std::string& path, int64_t offset) {
    where::Place p;
    std::string err;
    EXPECT_TRUE(where::locate(path, offset, &p, &err)) << err;
    return p;
}

} // namespace

TEST(HostWhere, NamesTheLineOfTheLastByteAndItsGroupCode) {
    // A circle whose z group refuses the drawing: the module stops after the line " 0.0".
    const std::string text = "  0\nSECTION\n  2\nENTITIES\n  0\nCIRCLE\n 10\n5.0\n 20\n5.0\n"
                             " 30\n0.0\n 40\n1.0\n";
    const std::string path = temp_file("circle.dxf", text);
    const int64_t lf_of_z = int64_t(text.find("0.0\n") + 3);
    where::Place p = locate(path, lf_of_z);
    EXPECT_EQ(p.line, 12u);
    EXPECT_EQ(p.text, "0.0");
    EXPECT_TRUE(p.value_line);
    EXPECT_EQ(p.code, "30");
    EXPECT_EQ(where::at_line("circle.dxf", p), "  at circle.dxf:12: 0.0 (group 30)");

    // Any byte of a line names that line; the first byte of the file is line 1.
    EXPECT_EQ(locate(path, 0).line, 1u);
    EXPECT_EQ(locate(path, 3).line, 1u);
    EXPECT_EQ(locate(path, 4).line, 2u);
    EXPECT_EQ(locate(path, int64_t(text.size()) - 1).line, 14u);

    // A code line has no group before it; names after groups 0, 2 and 9 speak for themselves.
    where::Place code = locate(path, 1);
    EXPECT_FALSE(code.value_line);
    EXPECT_EQ(where::at_line("c.dxf", code), "  at c.dxf:1:   0");
    EXPECT_EQ(where::at_line("c.dxf", locate(path, 6)), "  at c.dxf:2: SECTION");
    EXPECT_EQ(where::at_line("c.dxf", locate(path, int64_t(text.find("ENTITIES")))),
              "  at c.dxf:4: ENTITIES");
}

TEST(HostWhere, ReadsLinesAsTheModuleDoes) {
    // Carriage returns are dropped wherever they are; a last line may lack its line feed.
    const std::string text = "9\r\n$INSUNITS\r\n70\r\n4\r\n0\r\nEN\rDSEC";
    const std::string path = temp_file("crlf.dxf", text);
    where::Place var = locate(path, int64_t(text.find("$INSUNITS") + 10));
    EXPECT_EQ(var.line, 2u);
    EXPECT_EQ(var.text, "$INSUNITS");
    EXPECT_EQ(where::at_line("plan.dxf", var), "  at plan.dxf:2: $INSUNITS");
    where::Place num = locate(path, int64_t(text.find("4\r")));
    EXPECT_EQ(where::at_line("plan.dxf", num), "  at plan.dxf:4: 4 (group 70)");
    where::Place last = locate(path, int64_t(text.size()) - 1);
    EXPECT_EQ(last.line, 6u);
    EXPECT_EQ(last.text, "ENDSEC");

    // A long line is read as the module's 199 characters and shown as 80; control bytes and
    // bytes that are not UTF-8 are shown as '?', and a code line that is no number is not
    // named as a group.
    const std::string long_text = "1\n" + std::string(300, 'x') +
                                  "\n999\na\x01"
                                  "b\xC3\xA9\xFF\xC3\n1x\nv\n";
    const std::string long_path = temp_file("long.dxf", long_text);
    where::Place cut = locate(long_path, 100);
    EXPECT_TRUE(cut.cut);
    EXPECT_EQ(cut.text.size(), where::kTextMax);
    EXPECT_EQ(where::at_line("l.dxf", cut),
              "  at l.dxf:2: " + std::string(where::kShownMax, 'x') + "... (group 1)");
    EXPECT_EQ(where::at_line("l.dxf", locate(long_path, int64_t(long_text.size()) - 7)),
              "  at l.dxf:4: a?b\xC3\xA9?? (group 999)");
    EXPECT_EQ(where::at_line("l.dxf", locate(long_path, int64_t(long_text.size()) - 1)),
              "  at l.dxf:6: v");
}

TEST(HostWhere, ReportsWhatCannotBeFound) {
    const std::string path = temp_file("small.dxf", "0\nEOF\n");
    where::Place p;
    std::string err;
    EXPECT_FALSE(where::locate(path, 6, &p, &err));
    EXPECT_NE(err.find("holds 6 bytes"), std::string::npos) << err;
    EXPECT_FALSE(where::locate(path, -1, &p, &err));
    EXPECT_FALSE(where::locate(::testing::TempDir() + "no_such_drawing.dxf", 0, &p, &err));
    EXPECT_NE(err.find("cannot open"), std::string::npos);
    EXPECT_TRUE(where::locate(path, 5, &p, &err));
    EXPECT_EQ(p.line, 2u);
}
