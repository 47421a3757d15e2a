// Group reader: lines, groups, point collection and the 3-D refusal, table skipping, and the
// exact file position after every operation.
#include "testutil.h"

namespace {

using testutil::ModuleTest;

class Reader : public ModuleTest {
  protected:
    // Opens content; the test reads it with the group reader.
    int32_t open(const std::string& content) { return fh = open_text(content); }
    void TearDown() override {
        if (fh)
            fim_fclose(fh);
        ModuleTest::TearDown();
    }
    uint32_t tell() {
        uint32_t pos = 0;
        fim_ftell(fh, &pos);
        return pos;
    }
    int32_t fh = 0;
    char text[TEXTLEN] = {};
    uint32_t group = 12345;
};

TEST_F(Reader, LinesKeepBlanksAndDropCarriageReturns) {
    open("SECTION \r\n\r\n  x\tz  \nA\rB\nlast");
    EXPECT_EQ(get_next(fh, text), 0);
    EXPECT_STREQ(text, "SECTION ");
    EXPECT_TRUE(kw_match(text, "SECTION"));
    EXPECT_EQ(get_next(fh, text), 0);
    EXPECT_STREQ(text, "");
    EXPECT_EQ(get_next(fh, text), 0);
    EXPECT_STREQ(text, "  x\tz  ");
    EXPECT_FALSE(kw_match(text, "x"));
    EXPECT_EQ(get_next(fh, text), 0);
    EXPECT_STREQ(text, "AB");
    EXPECT_LT(get_next(fh, text), 0); // a last line without a line feed
    EXPECT_STREQ(text, "last");
    EXPECT_LT(get_next(fh, text), 0);
    EXPECT_STREQ(text, "");
}

TEST_F(Reader, LongLinesAndNulBytesStayInsideTheBuffer) {
    std::string long_line(450, 'x');
    std::string content = long_line + "\nnext\n" + std::string("ab\0cd\n", 6) + "z\n";
    open(content);
    EXPECT_EQ(get_next(fh, text), 0);
    EXPECT_EQ(std::strlen(text), 199u);
    EXPECT_EQ(tell(), 451u); // the rest of the line, line feed included, was consumed
    EXPECT_EQ(get_next(fh, text), 0);
    EXPECT_STREQ(text, "next");
    EXPECT_EQ(get_next(fh, text), 0);
    EXPECT_STREQ(text, "ab"); // the text ends at the NUL byte
    EXPECT_EQ(get_next(fh, text), 0);
    EXPECT_STREQ(text, "z");
}

TEST_F(Reader, GroupCodes) {
    open("  0\nSECTION\nabc\nvalue\n-1\nv\n  999\ncomment\n 10\n");
    EXPECT_EQ(get_grpnm(fh, &group, text), 0);
    EXPECT_EQ(group, 0u);
    EXPECT_STREQ(text, "SECTION");
    EXPECT_EQ(get_grpnm(fh, &group, text), 0);
    EXPECT_EQ(group, 0u); // no digits
    EXPECT_EQ(get_grpnm(fh, &group, text), 0);
    EXPECT_EQ(group, 4294967295u);
    EXPECT_EQ(get_grpnm(fh, &group, text), 0);
    EXPECT_EQ(group, 999u);
    // The file ends right after a code line: that code, an empty text, a negative result.
    EXPECT_LT(get_grpnm(fh, &group, text), 0);
    EXPECT_EQ(group, 10u);
    EXPECT_STREQ(text, "");
    // At a clean end: code 0 and an empty text.
    EXPECT_LT(get_grpnm(fh, &group, text), 0);
    EXPECT_EQ(group, 0u);
    EXPECT_STREQ(text, "");
}

TEST_F(Reader, CoordinatesStopAfterWhatWasAskedFor) {
    double x = -1, y = -1, sx = -1, r = -1;
    // x and y: ends at the first y; a z group stays in the stream for the caller.
    open("10\n1.5\n20\n2.5\n30\n0.0\n");
    EXPECT_EQ(get_coordinates(fh, &x, &y, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(x, 1.5);
    EXPECT_EQ(y, 2.5);
    EXPECT_EQ(get_grpnm(fh, &group, text), 0);
    EXPECT_EQ(group, 30u);
    fim_fclose(fh);

    // A y before any x: returns after it, x keeps its value, the 10 group stays.
    x = 7;
    open("20\n3\n10\n4\n");
    EXPECT_EQ(get_coordinates(fh, &x, &y, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(x, 7);
    EXPECT_EQ(y, 3);
    EXPECT_EQ(get_grpnm(fh, &group, text), 0);
    EXPECT_EQ(group, 10u);
    fim_fclose(fh);

    // x, y, sx: groups between are lost; ends at the size.
    open("10\n1\n20\n2\n62\n5\n40\n3\n0\nNEXT\n");
    EXPECT_EQ(get_coordinates(fh, &x, &y, nullptr, &sx, nullptr), 0);
    EXPECT_EQ(sx, 3);
    EXPECT_EQ(get_grpnm(fh, &group, text), 0);
    EXPECT_STREQ(text, "NEXT");
    fim_fclose(fh);

    // A size before the point does not end it; the angle after the point does.
    open("40\n9\n10\n1\n20\n2\n50\n45\n");
    EXPECT_EQ(get_coordinates(fh, &x, &y, nullptr, &sx, &r), 0);
    EXPECT_EQ(sx, 9);
    EXPECT_EQ(r, 45);
    fim_fclose(fh);

    // A last y without a line feed still counts.
    open("10\n8\n20\n5.0");
    EXPECT_EQ(get_coordinates(fh, &x, &y, nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(y, 5.0);
    fim_fclose(fh);

    // Running out of groups: the read's status.
    open("10\n1\n0\nLINE\n");
    EXPECT_LT(get_coordinates(fh, &x, &y, nullptr, &sx, nullptr), 0);
    EXPECT_TRUE(hostk::alerts().empty());
}

TEST_F(Reader, ZGroupsAreRefusedWithTheAlert) {
    double x, y, sx;
    open("10\n1\n20\n2\n30\n0.0\n40\n3\n");
    EXPECT_EQ(get_coordinates(fh, &x, &y, nullptr, &sx, nullptr), ST_NOT3D);
    ASSERT_EQ(hostk::alerts().size(), 1u);
    EXPECT_EQ(hostk::alerts()[0].caption, "Not Supported");
    EXPECT_EQ(hostk::alerts()[0].text, "This version does not support 3D drawings.");
    // The groups after the z group stay unread.
    EXPECT_EQ(get_grpnm(fh, &group, text), 0);
    EXPECT_EQ(group, 40u);
    fim_fclose(fh);

    // A group 0 does not end the collection: the next entity's z is refused.
    open("10\n1\n20\n2\n0\nLINE\n10\n0\n31\n1\n");
    EXPECT_EQ(get_coordinates(fh, &x, &y, nullptr, &sx, nullptr), ST_NOT3D);
}

TEST_F(Reader, DropTableStopsAtEndtab) {
    open("2\nA\n70\n1\n0\nENDTABLE\n0\nNEXT\n");
    EXPECT_EQ(drop_table(fh), 0);
    EXPECT_EQ(get_grpnm(fh, &group, text), 0);
    EXPECT_STREQ(text, "NEXT");
    fim_fclose(fh);

    open("70\n1\n0\nENDTAB");
    EXPECT_EQ(drop_table(fh), 0); // last pair without a line feed
    fim_fclose(fh);

    open("70\n1\n0\nLTYPE\n");
    EXPECT_LT(drop_table(fh), 0);
}

TEST(ReaderText, CharacterSets) {
    EXPECT_EQ(in_text('a', "banana"), 2u);
    EXPECT_EQ(in_text('z', "abc"), 0u);
    EXPECT_EQ(in_text('\0', "abc"), 0u);
    EXPECT_EQ(validate_string("ab", "a", "b"), 0);
    EXPECT_EQ(validate_string("b", "a", "b"), -1);
    EXPECT_EQ(validate_string("ac", "a", "b"), -1);
    EXPECT_EQ(validate_string("", "", "xyz"), 0);
}

} // namespace
