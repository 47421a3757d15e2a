// Tables section: line types and layers read into their tables, the skipped and the refused
// tables, the bounds of the tables and their fields, and the lookups by name.
#include "testutil.h"

namespace {

using testutil::lines;

class Tables : public testutil::ModuleTest {
  protected:
    void SetUp() override {
        ModuleTest::SetUp();
        MAXLAY = MAXLINE = 0;
        std::memset(Layer, 0, sizeof Layer);
        std::memset(Line, 0, sizeof Line);
    }
    void TearDown() override {
        if (fh)
            fim_fclose(fh);
        ModuleTest::TearDown();
    }
    // Runs the tables reader over body, the section's groups after its name.
    int32_t read(const std::string& body) {
        fh = open_text(body);
        return GetTables(fh, nullptr);
    }
    std::size_t invalid_alerts() {
        std::size_t n = 0;
        for (const hostk::Alert& a : hostk::alerts())
            n += a.caption == "Invalid DXF File" && a.text == "This is not a valid DXF File.";
        return n;
    }
    int32_t fh = 0;
};

const std::string kLtype =
    lines({"0",  "TABLE", "2",  "LTYPE",      "70", "2",   "0",  "LTYPE",  "2",  "CONTINUOUS",
           "70", "64",    "3",  "Solid line", "72", "65",  "73", "0",      "40", "0.0",
           "0",  "LTYPE", "2",  "DASHED",     "70", "64",  "3",  "dashes", "72", "65",
           "73", "2",     "40", "0.75",       "49", "0.5", "49", "-0.25",  "0",  "ENDTAB"});

std::string layer_table(std::initializer_list<std::string> entries) {
    std::string s = lines({"0", "TABLE", "2", "LAYER", "70", "9"});
    for (const std::string& e : entries)
        s += "0\nLAYER\n" + e;
    return s + "0\nENDTAB\n";
}

TEST_F(Tables, LineTypesAndLayers) {
    std::string body = kLtype +
                       layer_table({lines({"2", "0", "70", "0", "62", "7", "6", "DASHED"}),
                                    lines({"2", "WALLS", "62", "-7", "6", "CONTINUOUS"}),
                                    lines({"2", "DOORS", "6", "BYLAYER", "62", "300"}),
                                    lines({"2", "WALLS", "62", "1"})}) +
                       "0\nENDSEC\n";
    EXPECT_EQ(read(body), 0);
    EXPECT_TRUE(output.empty());

    ASSERT_EQ(MAXLINE, 2);
    EXPECT_STREQ(Line[0].name, "CONTINUOUS");
    EXPECT_STREQ(Line[0].desc, "Solid line");
    EXPECT_EQ(Line[0].nodli, 0);
    EXPECT_STREQ(Line[1].name, "DASHED");
    EXPECT_STREQ(Line[1].desc, "dashes");
    EXPECT_EQ(Line[1].nodli, 2);
    EXPECT_EQ(Line[1].tpl, 0.75);

    ASSERT_EQ(MAXLAY, 4);
    EXPECT_EQ(Layer[0].color, 7);
    EXPECT_EQ(Layer[0].linetype, 1);
    EXPECT_EQ(Layer[1].color, 65529); // -7: a layer switched off
    EXPECT_EQ(Layer[1].linetype, 0);
    EXPECT_EQ(Layer[2].linetype, 1); // BYLAYER in a layer: the line type of layer 0

    // Lookups by exact name; the first of two equal names; 0 for a name not there.
    EXPECT_EQ(get_layerno("WALLS"), 1);
    EXPECT_EQ(get_layerno("DOORS"), 2);
    EXPECT_EQ(get_layerno("walls"), 0);
    EXPECT_EQ(get_layerno("WALL"), 0);
    EXPECT_EQ(get_linetype("DASHED", 0), 1);
    EXPECT_EQ(get_linetype("BYLAYER", 1), 0);
    EXPECT_EQ(get_linetype("BYLAYER", 0), 1);
    EXPECT_EQ(get_linetype("BYBLOCK", 1), 0);
    EXPECT_EQ(get_color("BYLAYER", 1), 65529);
    EXPECT_EQ(get_color("BYLAYER", 2), 300);
    EXPECT_EQ(get_color("256", 1), 256);
    EXPECT_EQ(get_color("  -2", 1), 65534);
    EXPECT_EQ(get_color("BYBLOCK", 1), 0);
    EXPECT_EQ(get_color("bylayer", 1), 0); // not the keyword: no number in it

    // The lower-case word is a name like any other.
    std::strcpy(Line[1].name, "bylayer");
    EXPECT_EQ(get_linetype("bylayer", 0), 1);
}

TEST_F(Tables, LayersBeforeLineTypesGetLineTypeZero) {
    std::string body =
        layer_table({lines({"2", "A", "6", "DASHED"}), lines({"2", "B", "6", "CONTINUOUS"})}) +
        kLtype + "0\nENDSEC\n";
    EXPECT_EQ(read(body), 0);
    EXPECT_EQ(MAXLAY, 2);
    EXPECT_EQ(MAXLINE, 2);
    EXPECT_EQ(Layer[0].linetype, 0);
    EXPECT_EQ(Layer[1].linetype, 0);
}

TEST_F(Tables, SkippedTablesAndSecondTablesOfAKind) {
    std::string body =
        lines({"0",  "TABLE",  "2", "VPORT",    "70", "1",      "0",  "VPORT",    "2",  "*ACTIVE",
               "10", "0.0",    "0", "ENDTAB",   "0",  "TABLE",  "2",  "STYLE",    "70", "1",
               "0",  "STYLE",  "2", "STANDARD", "0",  "ENDTAB", "0",  "TABLE",    "2",  "APPID",
               "70", "0",      "0", "ENDTABLE", "0",  "TABLE",  "2",  "DIMSTYLE", "70", "0",
               "0",  "ENDTAB", "0", "TABLE",    "2",  "VIEW",   "70", "0",        "0",  "ENDTAB",
               "0",  "TABLE",  "2", "UCS",      "70", "0",      "0",  "ENDTAB"}) +
        layer_table({lines({"2", "A"})}) + layer_table({lines({"2", "B"}), lines({"2", "C"})}) +
        "0\nENDSEC\n";
    EXPECT_EQ(read(body), 0);
    EXPECT_EQ(MAXLINE, 0);
    ASSERT_EQ(MAXLAY, 3); // the second LAYER table appends
    EXPECT_STREQ(Layer[2].name, "C");
    EXPECT_TRUE(output.empty());
}

TEST_F(Tables, RefusedSections) {
    struct Case {
        const char* what;
        std::string body;
    };
    const Case cases[] = {
        {"a table outside the list",
         lines({"0", "TABLE", "2", "BLOCK_RECORD", "70", "1", "0", "ENDTAB", "0", "ENDSEC"})},
        {"a run into the next section's name", lines({"0", "TABLE", "2", "LAYER", "70", "0", "0",
                                                      "ENDTAB", "0", "SECTION", "2", "HEADER"})},
        {"HEADER in a group 1", lines({"1", "HEADERS"})},
        {"a comment at section level", lines({"999", "note", "0", "ENDSEC"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::size_t before = invalid_alerts();
        EXPECT_EQ(read(c.body), -1);
        EXPECT_EQ(invalid_alerts(), before + 1);
        fim_fclose(fh);
        fh = 0;
    }
}

TEST_F(Tables, EndOfFile) {
    // The last line without a line break still ends the section.
    EXPECT_EQ(read(layer_table({lines({"2", "A"})}) + "0\nENDSEC"), 0);
    EXPECT_EQ(MAXLAY, 1);
    fim_fclose(fh);

    // A file that ends inside a table: -1 without an alert; the entries closed so far stay.
    MAXLAY = 0;
    EXPECT_EQ(read(lines({"0", "TABLE", "2", "LAYER", "70", "2", "0", "LAYER", "2", "A", "0",
                          "LAYER", "2", "B"})),
              -1);
    EXPECT_EQ(MAXLAY, 1);
    EXPECT_STREQ(Layer[0].name, "A");
    EXPECT_EQ(invalid_alerts(), 0u);
    fim_fclose(fh);

    // The table readers themselves pass the read's status up.
    fh = open_text(lines({"0", "LTYPE", "2", "X"}));
    EXPECT_LT(get_ltype(fh), 0);
    EXPECT_EQ(MAXLINE, 0); // an entry broken off is not counted
    fim_fclose(fh);
    fh = open_text("");
    EXPECT_LT(get_layer(fh), 0);
}

TEST_F(Tables, EmptyTablesAddNothing) {
    std::string body = lines({"0", "TABLE", "2", "LAYER", "70", "0", "0", "ENDTAB"}) +
                       lines({"0", "TABLE", "2", "LTYPE", "70", "0", "0", "ENDTAB"}) +
                       layer_table({lines({"2", "A"})}) + "0\nENDSEC\n";
    EXPECT_EQ(read(body), 0);
    EXPECT_EQ(MAXLINE, 0);
    ASSERT_EQ(MAXLAY, 1);
    EXPECT_STREQ(Layer[0].name, "A");
}

TEST_F(Tables, TablesHoldAtMost255Entries) {
    std::string layers = lines({"0", "TABLE", "2", "LAYER", "70", "300"});
    std::string ltypes = lines({"0", "TABLE", "2", "LTYPE", "70", "300"});
    for (int i = 0; i < 300; ++i) {
        std::string n = std::to_string(i);
        layers += "0\nLAYER\n2\nL" + n + "\n62\n" + n + "\n";
        ltypes += "0\nLTYPE\n2\nT" + n + "\n3\nD" + n + "\n73\n" + n + "\n40\n" + n + "\n";
    }
    layers += "0\nENDTAB\n";
    ltypes += "0\nENDTAB\n";
    // A further table after the full ones is still read through, and so is the section's end.
    EXPECT_EQ(read(ltypes + layers + layer_table({lines({"2", "MORE"})}) +
                   lines({"0", "TABLE", "2", "STYLE", "70", "0", "0", "ENDTAB", "0", "ENDSEC"})),
              0);
    EXPECT_EQ(MAXLAY, 255);
    EXPECT_EQ(MAXLINE, 255);
    EXPECT_STREQ(Layer[254].name, "L254");
    EXPECT_EQ(Layer[254].color, 254);
    EXPECT_STREQ(Line[254].name, "T254");
    EXPECT_STREQ(Line[254].desc, "D254");
    EXPECT_EQ(Line[254].nodli, 254);
    EXPECT_EQ(Line[254].tpl, 254.0);
    EXPECT_EQ(get_layerno("L254"), 254);
    EXPECT_EQ(get_layerno("L255"), 0);
    EXPECT_EQ(get_layerno("MORE"), 0);
    EXPECT_EQ(get_linetype("T299", 0), 0);
}

TEST_F(Tables, LongTextsKeep39Characters) {
    std::string name(60, 'N');
    std::string desc(120, 'd');
    EXPECT_EQ(read(lines({"0", "TABLE", "2", "LTYPE", "70", "1", "0", "LTYPE", "2", name.c_str(),
                          "3", desc.c_str(), "0", "ENDTAB"}) +
                   layer_table({lines({"2", name.c_str(), "62", "3"})}) + "0\nENDSEC\n"),
              0);
    EXPECT_EQ(std::string(Line[0].name), name.substr(0, 39));
    EXPECT_EQ(std::string(Line[0].desc), desc.substr(0, 39));
    EXPECT_EQ(std::string(Layer[0].name), name.substr(0, 39));
    EXPECT_EQ(Layer[0].color, 3);
    EXPECT_EQ(get_layerno(name.c_str()), 0); // the full name is not in the table either
}

} // namespace

namespace {

using testutil::header;
using testutil::kEof;
using testutil::lines;
using testutil::section;

class TablesWalk : public testutil::ModuleTest {};

TEST_F(TablesWalk, TablesThroughTheDriver) {
    // The counts start afresh after the HEADER section, whatever an earlier import left.
    MAXLAY = 7;
    MAXLINE = 9;
    Walk w =
        walk(header(0, 0, 10, 10) +
             section("TABLES", kLtype + layer_table({lines({"2", "0", "6", "DASHED"})})) + kEof);
    EXPECT_EQ(w.status, 0);
    EXPECT_EQ(w.object.size(), 26u);
    EXPECT_EQ(MAXLINE, 2);
    EXPECT_EQ(MAXLAY, 1);
    EXPECT_EQ(Layer[0].linetype, 1);

    // A refused table: the reader's alert, then the driver's own.
    w = walk(
        header(0, 0, 10, 10) +
        section("TABLES", lines({"0", "TABLE", "2", "BLOCK_RECORD", "70", "1", "0", "ENDTAB"})) +
        kEof);
    EXPECT_EQ(w.status, -1);
    ASSERT_EQ(hostk::alerts().size(), 2u);
    EXPECT_EQ(hostk::alerts()[0].caption, "Invalid DXF File");
    EXPECT_EQ(hostk::alerts()[1].caption, "Invalid DXF File");
}

} // namespace
