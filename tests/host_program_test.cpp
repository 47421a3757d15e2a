// dxfhost as people use it, run as a separate process: pictures of drawings whose look is
// known, the place shown for each kind of refusal, a damaged object described, the bundled
// examples against their expected pictures, and a folder of 200 drawings in one run.
#include <gtest/gtest.h>

#include "host_run.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

#include "dxfhost/object_view.h"
#include "dxfhost/png.h"
#include "dxfhost/svg.h"

namespace {

namespace fs = std::filesystem;

using hostrun::dxfhost;
using hostrun::quote;
using hostrun::Ran;
using hostrun::read_text;
using hostrun::write_text;

std::string temp_dir(const std::string& name) {
    return hostrun::temp_dir("host_program_", name);
}

// ---- drawings written as DXF groups ----

std::string g(int code, const std::string& value) {
    return std::to_string(code) + "\n" + value + "\n";
}
std::string num(double v) {
    std::ostringstream o;
    o << v;
    return o.str();
}
std::string header(double w, double h) {
    return g(0, "SECTION") + g(2, "HEADER") + g(9, "$ACADVER") + g(1, "AC1009") + g(9, "$EXTMIN") +
           g(10, "0") + g(20, "0") + g(9, "$EXTMAX") + g(10, num(w)) + g(20, num(h)) +
           g(0, "ENDSEC");
}
std::string line(double x0, double y0, double x1, double y1) {
    return g(0, "LINE") + g(8, "0") + g(10, num(x0)) + g(20, num(y0)) + g(30, "0") +
           g(11, num(x1)) + g(21, num(y1)) + g(31, "0");
}
std::string arc(double cx, double cy, double r, double a0, double a1) {
    return g(0, "ARC") + g(8, "0") + g(10, num(cx)) + g(20, num(cy)) + g(40, num(r)) +
           g(50, num(a0)) + g(51, num(a1));
}
std::string circle(double cx, double cy, double r) {
    return g(0, "CIRCLE") + g(8, "0") + g(10, num(cx)) + g(20, num(cy)) + g(40, num(r));
}
std::string entities(const std::string& body) {
    return g(0, "SECTION") + g(2, "ENTITIES") + body + g(0, "ENDSEC");
}
const std::string kEof = g(0, "EOF");

// A drawing of extents 0..100 x 0..100, imported and drawn at 1024 pixels: a drawing point
// (X, Y) lies at pixel (12 + 10 X, 12 + 10 (100 - Y)).
struct Picture {
    png::Raster raster;
    bool dark_near(double x, double y) const {
        const int px = int(12 + 10 * x + 0.5), py = int(12 + 10 * (100 - y) + 0.5);
        for (int dy = -2; dy <= 2; ++dy) {
            for (int dx = -2; dx <= 2; ++dx) {
                if (raster.at(px + dx, py + dy) < 160) {
                    return true;
                }
            }
        }
        return false;
    }
};

Picture draw(const std::string& dxf) {
    Picture p;
    const std::string dir = temp_dir("draw");
    const std::string drawing = dir + "/d.dxf", object = dir + "/d.obj", svg = dir + "/d.svg";
    write_text(drawing, dxf);
    Ran r = dxfhost({"--object", object, "--svg", svg, drawing});
    EXPECT_EQ(r.status, 0) << r.err;
    const std::string bytes = read_text(object);
    view::Object obj =
        view::read_object(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
    const svg::Page page = svg::page_for(obj.head.bestw, obj.head.besth);
    std::string err;
    EXPECT_TRUE(png::rasterize(read_text(svg), page.width, page.height, 1024, &p.raster, &err))
        << err;
    return p;
}

} // namespace

TEST(HostProgram, PicturesOfDrawingsWhoseLookIsKnown) {
    if (!png::available()) {
        GTEST_SKIP() << "built without PNG support";
    }
    // A square, and a short line at the top: the drawing's y axis points up on the page.
    Picture sq = draw(header(100, 100) +
                      entities(line(10, 10, 90, 10) + line(90, 10, 90, 90) + line(90, 90, 10, 90) +
                               line(10, 90, 10, 10) + line(40, 97, 60, 97)) +
                      kEof);
    for (auto [x, y] : {std::pair{50, 10}, {90, 50}, {50, 90}, {10, 50}, {50, 97}}) {
        EXPECT_TRUE(sq.dark_near(x, y)) << x << "," << y;
    }
    EXPECT_FALSE(sq.dark_near(50, 50));
    EXPECT_FALSE(sq.dark_near(50, 3));

    // A circle.
    Picture ci = draw(header(100, 100) + entities(circle(50, 50, 40)) + kEof);
    for (int deg = 0; deg < 360; deg += 45) {
        const double a = deg * 3.14159265358979 / 180;
        EXPECT_TRUE(ci.dark_near(50 + 40 * std::cos(a), 50 + 40 * std::sin(a))) << deg;
    }
    EXPECT_FALSE(ci.dark_near(50, 50));

    // A quarter arc in each quadrant, each counter-clockwise from its start angle: only the
    // middle of its own quarter is drawn.
    Picture q = draw(header(100, 100) +
                     entities(arc(25, 75, 20, 0, 90) + arc(75, 75, 20, 90, 180) +
                              arc(25, 25, 20, 180, 270) + arc(75, 25, 20, 270, 360)) +
                     kEof);
    const double d = 20 * 0.7071;
    EXPECT_TRUE(q.dark_near(25 + d, 75 + d));  // north-east of its centre
    EXPECT_FALSE(q.dark_near(25 - d, 75 - d)); // not the opposite quarter
    EXPECT_TRUE(q.dark_near(75 - d, 75 + d));  // north-west
    EXPECT_FALSE(q.dark_near(75 + d, 75 - d));
    EXPECT_TRUE(q.dark_near(25 - d, 25 - d)); // south-west
    EXPECT_FALSE(q.dark_near(25 + d, 25 + d));
    EXPECT_TRUE(q.dark_near(75 + d, 25 - d)); // south-east
    EXPECT_FALSE(q.dark_near(75 - d, 25 + d));

    // A flag block (pole at x 0, its tip at x 10) inserted as it is and mirrored: the mirrored
    // flag points left from its pole.
    const std::string flag = g(0, "BLOCK") + g(8, "0") + g(2, "FLAG") + g(70, "0") + g(10, "0") +
                             g(20, "0") + g(30, "0") + line(0, 0, 0, 20) + line(0, 20, 10, 15) +
                             line(10, 15, 0, 10) + g(0, "ENDBLK");
    const std::string blocks = g(0, "SECTION") + g(2, "BLOCKS") + flag + g(0, "ENDSEC");
    const std::string inserts = g(0, "INSERT") + g(8, "0") + g(2, "FLAG") + g(10, "20") +
                                g(20, "40") + g(0, "INSERT") + g(8, "0") + g(2, "FLAG") +
                                g(10, "80") + g(20, "40") + g(41, "-1");
    Picture fl = draw(header(100, 100) + blocks + entities(inserts) + kEof);
    EXPECT_TRUE(fl.dark_near(20, 50));  // the pole
    EXPECT_TRUE(fl.dark_near(30, 55));  // its tip, right of the pole
    EXPECT_TRUE(fl.dark_near(80, 50));  // the mirrored pole
    EXPECT_TRUE(fl.dark_near(70, 55));  // its tip, left of the pole
    EXPECT_FALSE(fl.dark_near(90, 55)); // nothing right of the mirrored pole
}

TEST(HostProgram, EachKindOfRefusalNamesTheLineWhereTheModuleStopped) {
    const std::string dir = temp_dir("refusals");
    struct Case {
        const char* name;
        std::string dxf;
        std::string lines; // expected module lines, FILE standing for the drawing's path
        std::string why;   // what the why: line says
        std::string fix;   // what the fix: line says ("" for none)
    };
    const std::string z_circle = header(100, 100) +
                                 entities(line(0, 0, 10, 10) + g(0, "CIRCLE") + g(8, "0") +
                                          g(10, "5") + g(20, "5") + g(30, "0.0") + g(40, "1")) +
                                 kEof;
    auto extents = [](const std::string& mn, const std::string& mx) {
        std::string h = g(0, "SECTION") + g(2, "HEADER") + g(9, "$ACADVER") + g(1, "AC1009");
        if (!mn.empty()) {
            h += g(9, "$EXTMIN") + g(10, mn.substr(0, mn.find(','))) +
                 g(20, mn.substr(mn.find(',') + 1));
        }
        if (!mx.empty()) {
            h += g(9, "$EXTMAX") + g(10, mx.substr(0, mx.find(','))) +
                 g(20, mx.substr(mx.find(',') + 1));
        }
        return h + g(0, "ENDSEC") + entities(line(2, 3, 40, 50)) + kEof;
    };
    const std::string invalid = "alert: Invalid DXF File: This is not a valid DXF File.\n";
    const std::string failed = "error: the operation failed (status -1)\n";
    const std::string geometry_fix = "its geometry spans x 2 to 40, y 3 to 50: set $EXTMIN to 2,3 "
                                     "and $EXTMAX to 40,50";
    // An R14 header as CAD programs write it: codes indented, lines ended by CR LF.
    std::string r14 =
        "  0\r\nSECTION\r\n  2\r\nHEADER\r\n  9\r\n$ACADVER\r\n  1\r\nAC1014\r\n"
        "  9\r\n$ACADMAINTVER\r\n 70\r\n     0\r\n  9\r\n$INSUNITS\r\n 70\r\n     4\r\n"
        "  0\r\nENDSEC\r\n  0\r\nEOF\r\n";
    const std::string block_arc =
        header(100, 100) + g(0, "SECTION") + g(2, "BLOCKS") + g(0, "BLOCK") + g(8, "0") +
        g(2, "DOOR") + g(70, "0") + g(10, "0") + g(20, "0") + g(30, "0") + g(0, "ARC") +
        g(8, "DOORS") + g(10, "0") + g(20, "0") + g(30, "0.0") + g(40, "1") + g(50, "0") +
        g(51, "90") + g(0, "ENDBLK") + g(0, "ENDSEC") + kEof;
    const Case cases[] = {
        {"circle.dxf", z_circle,
         "alert: Not Supported: This version does not support 3D drawings.\n"
         "  at FILE:52: 0.0 (group 30)\n"
         "error: the operation failed (status -2)\n",
         "the CIRCLE at line 44 (layer 0) has a Z value (group 30 at line 52: 0.0); circles and "
         "arcs may carry no Z group at all, 0.0 included",
         "without Z values"},
        {"block_arc.dxf", block_arc,
         "alert: Not Supported: This version does not support 3D drawings.\n"
         "  at FILE:50: 0.0 (group 30)\n"
         "error: the operation failed (status -2)\n",
         "the ARC at line 42 in block DOOR (layer DOORS) has a Z value", "without Z values"},
        {"variable.dxf",
         g(0, "SECTION") + g(2, "HEADER") + g(9, "$ACADVER") + g(1, "AC1009") + g(9, "$INSUNITS") +
             g(70, "4") + g(0, "ENDSEC") + kEof,
         failed + "  at FILE:10: $INSUNITS\n",
         "the header variable $INSUNITS (line 10) is not one the module knows; the drawing is "
         "DXF R12 (AC1009)",
         "save the drawing as DXF R12"},
        {"r14.dxf", r14, failed + "  at FILE:10: $ACADMAINTVER\n",
         "the header variable $ACADMAINTVER (line 10) is not one the module knows, nor are 1 more "
         "of this header; the drawing is DXF R14 (AC1014)",
         "save the drawing as DXF R12 (AC1009)"},
        {"classes.dxf",
         header(100, 100) + g(0, "SECTION") + g(2, "CLASSES") + g(0, "ENDSEC") + kEof,
         invalid + "  at FILE:26: CLASSES\n" + failed,
         "the drawing has a CLASSES section, which only DXF R13 and later write",
         "save the drawing as DXF R12"},
        {"comment.dxf", header(100, 100) + g(999, "written by hand") + kEof,
         invalid + "  at FILE:24: written by hand (group 999)\n" + failed,
         "line 24 is a comment (group 999) before a section or between sections; the module "
         "accepts comments only inside the HEADER section",
         "delete the comment's two lines"},
        {"cut.dxf", header(100, 100) + entities(line(0, 0, 10, 10)),
         invalid + "  at FILE:44: ENDSEC\nerror: unexpected end of file (status -113)\n",
         "the file ends at line 44, without its end marker (0 EOF): it is cut short",
         "save or copy the drawing again"},
        {"no_extents.dxf", extents("", ""), invalid + "  at FILE:10: ENDSEC\n" + failed,
         "the header has no $EXTMIN and no $EXTMAX", geometry_fix},
        {"equal.dxf", extents("5,5", "5,9"), invalid + "  at FILE:22: ENDSEC\n" + failed,
         "the x of $EXTMAX (5) equals the x of $EXTMIN (5): the drawing has no width",
         geometry_fix},
        {"inverted.dxf", extents("0,100", "100,0"), invalid + "  at FILE:22: ENDSEC\n" + failed,
         "the y of $EXTMAX (0) is below the y of $EXTMIN (100): the drawing has no height",
         geometry_fix},
        {"unset.dxf", extents("1e+20,1e+20", "-1e+20,-1e+20"),
         invalid + "  at FILE:22: ENDSEC\n" + failed,
         "the extents hold the \"unset\" values ($EXTMIN 1e+20,1e+20, $EXTMAX -1e+20,-1e+20)",
         geometry_fix},
        {"binary.dxf", std::string("Some Binary DXF\r\n\x1A\0\x01\x02", 21),
         invalid + "  at FILE:2: ????\nerror: unexpected end of file (status -113)\n",
         "the file is a binary DXF file (its first line says so)", "save the drawing as ASCII DXF"},
        {"picture.dxf", std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR", 16),
         invalid + "  at FILE:2: ?\n" + failed, "the file is not text", "saved as ASCII DXF"},
        {"empty.dxf", "", invalid + "error: unexpected end of file (status -113)\n",
         "the file is empty", "export the drawing again"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir + "/" + c.name;
        write_text(path, c.dxf);
        Ran r = dxfhost({path});
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.out, "");
        std::string expected = c.lines;
        if (expected.find("FILE") != std::string::npos) {
            expected.replace(expected.find("FILE"), 4, path);
        }
        EXPECT_EQ(r.err.substr(0, expected.size()), expected) << r.err;
        const std::string rest = r.err.substr(std::min(expected.size(), r.err.size()));
        EXPECT_EQ(rest.rfind("why: ", 0), 0u) << r.err;
        EXPECT_NE(rest.find(c.why), std::string::npos) << rest;
        const std::size_t fix = rest.find("\nfix: ");
        EXPECT_NE(fix, std::string::npos) << rest;
        EXPECT_NE(rest.find(c.fix, fix), std::string::npos) << rest;
        EXPECT_EQ(std::count(rest.begin(), rest.end(), '\n'), 2) << rest;
    }
    // A drawing that imports shows nothing at all.
    const std::string good = dir + "/good.dxf";
    write_text(good, header(100, 100) + entities(line(0, 0, 10, 10)) + kEof);
    Ran ok = dxfhost({good});
    EXPECT_EQ(ok.status, 0);
    EXPECT_EQ(ok.out + ok.err, "");
}

TEST(HostProgram, DumpAndJsonDescribeFailedImportsAndDamagedObjects) {
    const std::string dir = temp_dir("describe");
    const std::string drawing = dir + "/circle.dxf", object = dir + "/circle.obj";
    write_text(drawing, header(100, 100) +
                            entities(line(0, 0, 10, 10) + g(0, "CIRCLE") + g(10, "5") + g(20, "5") +
                                     g(30, "1") + g(40, "1")) +
                            kEof);
    Ran dump = dxfhost({"--dump", "--object", object, drawing});
    EXPECT_EQ(dump.status, 2);
    EXPECT_NE(dump.out.find("best size 100000 x 100000 (object of 68 bytes)\nrecord 0 at 24 "),
              std::string::npos)
        << dump.out;
    EXPECT_NE(dump.out.find("damaged at offset 68: the object ends at offset 68 without a "
                            "terminator\n"),
              std::string::npos);
    Ran json = dxfhost({"--json", drawing});
    EXPECT_EQ(json.status, 2);
    const nlohmann::json j = nlohmann::json::parse(json.out);
    EXPECT_EQ(j["schema_version"], 2);
    EXPECT_EQ(j["drawing"], drawing);
    EXPECT_EQ(j["exit_status"], 2);
    EXPECT_EQ(j["result"], -1);
    EXPECT_EQ(j["outcome"], "refused");
    EXPECT_EQ(j["where"]["group"], "30");
    EXPECT_EQ(j["messages"][0]["status"], -2);
    EXPECT_TRUE(j["object"]["terminator"].is_null());
    EXPECT_NE(j["why"].get<std::string>().find("the CIRCLE at line 44 has a Z value"),
              std::string::npos);

    // A damaged object saved earlier: its second record's size points outside the block.
    std::string bytes = read_text(object);
    ASSERT_EQ(bytes.size(), 68u);
    bytes += bytes.substr(24, 44); // a second record
    bytes[68 + 4] = char(0xF0);    // nxtoff 0x..F0 past the block's end
    bytes += std::string("\xFF\x00", 2);
    const std::string damaged = dir + "/damaged.obj";
    write_text(damaged, bytes);
    Ran d = dxfhost({"--read-object", damaged, "--dump"});
    EXPECT_EQ(d.status, 2);
    EXPECT_NE(d.out.find("record 0 at 24 size 44"), std::string::npos) << d.out;
    EXPECT_EQ(d.out.find("\nrecord 1 at"), std::string::npos);
    EXPECT_NE(d.out.find("damaged at offset 72: record 1 gives its size as 240, which points to "
                         "offset 308, outside the block of 114 bytes\n"),
              std::string::npos)
        << d.out;
    EXPECT_NE(d.err.find("is damaged at offset 72"), std::string::npos);
    Ran dj = dxfhost({"--read-object", damaged, "--json", "--svg", dir + "/damaged.svg"});
    EXPECT_EQ(dj.status, 2);
    const nlohmann::json dd = nlohmann::json::parse(dj.out);
    EXPECT_EQ(dd["exit_status"], 2);
    EXPECT_EQ(dd["object"]["size"], 114);
    EXPECT_EQ(dd["object"]["damage"]["offset"], 72);
    EXPECT_NE(read_text(dir + "/damaged.svg").find("<title>record 0</title>"), std::string::npos);
    // An object cut short in its header, and one that is not there.
    write_text(dir + "/short.obj", "\x01\x02\x03");
    Ran s = dxfhost({"--read-object", dir + "/short.obj", "--json"});
    EXPECT_EQ(s.status, 2);
    EXPECT_TRUE(nlohmann::json::parse(s.out)["object"]["best_size"].is_null());
    Ran none = dxfhost({"--read-object", dir + "/none.obj"});
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.err.find("cannot read the object"), std::string::npos);
    // Asking for both at once, or for a drawing and a saved object, is a usage error.
    EXPECT_EQ(dxfhost({"--dump", "--json", drawing}).status, 64);
    EXPECT_EQ(dxfhost({"--read-object", damaged, drawing}).status, 64);
    EXPECT_EQ(dxfhost({"--png", "a.png", "--width", "0", drawing}).status, 64);
}

TEST(HostProgram, BundledExamplesDrawTheirExpectedPictures) {
    const fs::path examples = fs::path(TEST_DATA_DIR) / ".." / ".." / "examples";
    const std::string dir = temp_dir("examples");
    int seen = 0;
    for (const char* name : {"floor_plan", "part", "refused", "title_block", "base_points"}) {
        SCOPED_TRACE(name);
        const std::string svg = dir + "/" + name + ".svg";
        Ran r = dxfhost({"--svg", svg, (examples / (std::string(name) + ".dxf")).string()});
        EXPECT_EQ(r.status, std::string(name) == "refused" ? 2 : 0) << r.err;
        const std::string expected =
            read_text((examples / "expected" / (std::string(name) + ".svg")).string());
        ASSERT_FALSE(expected.empty());
        EXPECT_EQ(read_text(svg), expected)
            << "the picture changed; see examples/README.md before taking the new one";
        ++seen;
    }
    EXPECT_EQ(seen, 5);
}

TEST(HostProgram, AFolderOfTwoHundredDrawingsEndsWithATrueSummary) {
    const std::string dir = temp_dir("batch");
    const std::string out = dir + "/out";
    std::vector<std::string> args = {"--out-dir", out};
    int imported = 0, refused = 0, failed = 0;
    std::vector<std::string> rows;
    for (int i = 0; i < 200; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "d%03d.dxf", i);
        const std::string path = dir + "/" + name;
        if (i % 40 == 7) {
            fs::create_directories(path); // cannot be opened as a file
            ++failed;
        } else if (i % 10 == 3) {
            write_text(path, header(100, 100) + g(0, "SECTION") + g(2, "OBJECTS") + kEof);
            ++refused;
        } else {
            std::string body;
            for (int k = 0; k <= i % 4; ++k) {
                body += line(k, 0, 50, 50 + k);
            }
            write_text(path, header(100, 100) + entities(body) + kEof);
            ++imported;
        }
        args.push_back(path);
    }
    Ran r = dxfhost(args);
    EXPECT_EQ(r.status, 2);
    std::istringstream table(r.out);
    std::string row;
    std::getline(table, row);
    EXPECT_EQ(row.substr(0, 7), "drawing");
    for (int i = 0; i < 200; ++i) {
        ASSERT_TRUE(std::getline(table, row));
        std::istringstream fields(row);
        std::string path, outcome;
        std::size_t records = 0;
        fields >> path >> outcome >> records;
        EXPECT_EQ(path, args[std::size_t(i) + 2]);
        if (i % 40 == 7) {
            EXPECT_EQ(outcome, "failed") << row;
            EXPECT_NE(row.find("file cannot be opened (status -111) (it is a folder)"),
                      std::string::npos);
        } else if (i % 10 == 3) {
            EXPECT_EQ(outcome, "refused") << row;
            EXPECT_NE(row.find("Invalid DXF File: This is not a valid DXF File. at line 26: "
                               "OBJECTS"),
                      std::string::npos)
                << row;
        } else {
            EXPECT_EQ(outcome, "imported") << row;
            EXPECT_EQ(records, std::size_t(i % 4 + 1)) << row;
        }
    }
    std::getline(table, row);
    EXPECT_EQ(row, "200 drawings: " + std::to_string(imported) + " imported, " +
                       std::to_string(refused) + " refused, " + std::to_string(failed) + " failed");
    // Every drawing has its outputs, named after it; no progress line off a terminal.
    for (const char* ext : {".obj", ".svg", ".txt"}) {
        EXPECT_TRUE(fs::exists(out + "/d000" + ext));
        EXPECT_TRUE(fs::exists(out + "/d199" + ext));
    }
    EXPECT_EQ(std::count_if(fs::directory_iterator(out), fs::directory_iterator(),
                            [](auto&) { return true; }),
              (png::available() ? 4 : 3) * (200 - failed) + 3); // none for what is no file;
                                                                // the sheet and the summaries
    EXPECT_EQ(r.err.find("importing"), std::string::npos);
    // Each refusal in three lines: the reason, why, fix.
    EXPECT_NE(r.err.find(args[5] + ": Invalid DXF File: This is not a valid DXF File. at line 26: "
                                   "OBJECTS\n  why: the drawing has an OBJECTS section"),
              std::string::npos)
        << r.err;
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 3 * refused + failed);

    // The same drawings once more with every one imported gives status 0.
    Ran good = dxfhost({args[2], args[3], args[4]});
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_NE(good.out.find("3 drawings: 3 imported, 0 refused, 0 failed\n"), std::string::npos);
}
