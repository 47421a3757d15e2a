// dxfhost's PNG pictures, drawn straight from the object, against the SVG picture of the same
// object rendered by librsvg: pixel by pixel, on the bundled examples and on generated drawings
// of many lines, arcs, circles and nested, mirrored blocks, at several widths.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "dxfhost/ink.h"
#include "dxfhost/object_walk.h"
#include "dxfhost/png.h"
#include "dxfhost/png_surface.h"
#include "dxfhost/svg.h"
#include "host_objects.h"
#include "host_run.h"

namespace {

namespace fs = std::filesystem;

std::string g(int code, const std::string& value) {
    return std::to_string(code) + "\n" + value + "\n";
}
std::string num(double v) {
    std::ostringstream o;
    o << v;
    return o.str();
}

// A drawing of extents 0..w x 0..h: random lines, polylines, circles and arcs (seeded), and
// INSERTs of a block of a line and an arc, some of them mirrored and scaled.
std::string generated(unsigned seed, int count, double w, double h) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> ux(0, w), uy(0, h), ur(0.2, std::min(w, h) / 8),
        ua(0, 360);
    std::string d = g(0, "SECTION") + g(2, "HEADER") + g(9, "$ACADVER") + g(1, "AC1009") +
                    g(9, "$EXTMIN") + g(10, "0") + g(20, "0") + g(9, "$EXTMAX") + g(10, num(w)) +
                    g(20, num(h)) + g(0, "ENDSEC");
    d += g(0, "SECTION") + g(2, "BLOCKS") + g(0, "BLOCK") + g(8, "0") + g(2, "DOOR") + g(70, "0") +
         g(10, "0") + g(20, "0") + g(0, "LINE") + g(8, "0") + g(10, "0") + g(20, "0") + g(11, "0") +
         g(21, "1") + g(0, "ARC") + g(8, "0") + g(10, "0") + g(20, "0") + g(40, "1") + g(50, "0") +
         g(51, "90") + g(0, "ENDBLK") + g(8, "0") + g(0, "ENDSEC");
    d += g(0, "SECTION") + g(2, "ENTITIES");
    for (int i = 0; i < count; ++i) {
        const double x = ux(rng), y = uy(rng);
        switch (i % 5) {
        case 0:
            d += g(0, "LINE") + g(8, "0") + g(10, num(x)) + g(20, num(y)) + g(11, num(ux(rng))) +
                 g(21, num(uy(rng)));
            break;
        case 1:
            d += g(0, "CIRCLE") + g(8, "0") + g(10, num(x)) + g(20, num(y)) + g(40, num(ur(rng)));
            break;
        case 2:
            d += g(0, "ARC") + g(8, "0") + g(10, num(x)) + g(20, num(y)) + g(40, num(ur(rng))) +
                 g(50, num(ua(rng))) + g(51, num(ua(rng)));
            break;
        case 3:
            d += g(0, "POLYLINE") + g(8, "0") + g(66, "1");
            for (int k = 0; k < 4; ++k) {
                d += g(0, "VERTEX") + g(8, "0") + g(10, num(ux(rng))) + g(20, num(uy(rng)));
            }
            d += g(0, "SEQEND") + g(8, "0");
            break;
        default: {
            const double s = ur(rng) * ((i / 5) % 2 ? -1 : 1);
            d += g(0, "INSERT") + g(8, "0") + g(2, "DOOR") + g(10, num(x)) + g(20, num(y)) +
                 g(41, num(s)) + g(42, num(std::fabs(s)));
        }
        }
    }
    return d + g(0, "ENDSEC") + g(0, "EOF");
}

struct Difference {
    std::size_t stroke = 0;   // pixels of the drawing area that either picture inks
    std::size_t differ = 0;   // of them, those whose grey levels are far apart
    std::size_t text[2] = {}; // inked pixels of the margins (the texts), in each picture
};

// Pixels darker than kInk in either picture are stroke pixels; they differ when their grey
// levels are more than kApart apart (edges that anti-aliasing shades a little differently are
// within it).
constexpr int kInk = 224;
constexpr int kApart = 96;

// The drawing area is compared pixel by pixel; the top and bottom margins hold the texts,
// whose glyphs come from two text engines, so there only the amount of ink is compared.
Difference compare(const png::Raster& a, const png::Raster& b, const svg::Page& page) {
    const double scale = std::min(a.width / page.width, a.height / page.height);
    const double top = (a.height - page.height * scale) / 2 + page.margin * scale;
    const double bottom = top + page.area_h * scale;
    Difference d;
    for (int y = 0; y < a.height; ++y) {
        const bool margin = y + 1 < top || y > bottom;
        for (int x = 0; x < a.width; ++x) {
            const int ga = a.at(x, y), gb = b.at(x, y);
            if (margin) {
                d.text[0] += ga < kInk ? 1 : 0;
                d.text[1] += gb < kInk ? 1 : 0;
            } else if (ga < kInk || gb < kInk) {
                ++d.stroke;
                d.differ += std::abs(ga - gb) > kApart ? 1 : 0;
            }
        }
    }
    return d;
}

} // namespace

TEST(HostPaint, PicturesDrawnFromTheObjectMatchTheSvgPictureRendered) {
    if (!png::available()) {
        GTEST_SKIP() << "built without PNG support";
    }
    const std::string dir = hostrun::temp_dir("host_paint_", "drawings");
    std::vector<std::string> drawings;
    const fs::path examples = fs::path(TEST_DATA_DIR) / ".." / ".." / "examples";
    for (const auto& e : fs::directory_iterator(examples)) {
        if (e.path().extension() == ".dxf") {
            drawings.push_back(e.path().string());
        }
    }
    ASSERT_GE(drawings.size(), 5u);
    const struct {
        unsigned seed;
        int count;
        double w, h;
    } made[] = {{1, 300, 100, 100}, {2, 2000, 400, 150}, {3, 200, 20, 90}};
    for (const auto& m : made) {
        drawings.push_back(dir + "/made" + std::to_string(m.seed) + ".dxf");
        hostrun::write_text(drawings.back(), generated(m.seed, m.count, m.w, m.h));
    }

    for (const std::string& drawing : drawings) {
        const std::string object = dir + "/" + fs::path(drawing).stem().string() + ".obj";
        const hostrun::Ran ran = hostrun::dxfhost({"--object", object, drawing});
        ASSERT_NE(ran.status, 64) << ran.err;
        const std::string bytes = hostrun::read_text(object);
        const auto* data = reinterpret_cast<const uint8_t*>(bytes.data());
        // A refused drawing carries its note in the bottom margin; the texts are compared too.
        const std::string note = ran.status == 0 ? "" : "refused: the module stopped here";
        const std::string picture = svg::render(data, bytes.size(), "title", note);
        const view::Shape shape = view::shape_of(data, bytes.size());
        const svg::Page p = svg::page_for(shape.head.bestw, shape.head.besth);
        // Not much wider: the SVG picture's coordinates have two decimals, which can move the
        // centre of a circle drawn as two half arcs by up to half a page unit, a whole pixel at
        // twice the default width; the picture drawn from the object has no such error.
        for (int width : {1024, 300, 640}) {
            png::Raster mine, theirs;
            std::string err;
            ASSERT_TRUE(png::rasterize_object(data, bytes.size(), note, width, &mine, &err)) << err;
            ASSERT_TRUE(png::rasterize(picture, p.width, p.height, width, &theirs, &err)) << err;
            ASSERT_EQ(mine.width, theirs.width) << drawing;
            ASSERT_EQ(mine.height, theirs.height) << drawing;
            const Difference d = compare(mine, theirs, p);
            EXPECT_GT(d.stroke, 100u) << drawing << " at " << width;
            EXPECT_LE(double(d.differ), 0.03 * double(d.stroke))
                << drawing << " at " << width << ": " << d.differ << " of " << d.stroke
                << " stroke pixels differ";
            // The texts: as much ink in the margins, give or take a fifth.
            EXPECT_LE(double(d.text[0]), 1.2 * double(d.text[1]) + 20)
                << drawing << " at " << width;
            EXPECT_GE(double(d.text[0]), 0.8 * double(d.text[1]) - 20)
                << drawing << " at " << width;
            if (std::getenv("PAINT_TEST_VERBOSE") != nullptr) {
                std::printf("%s %d: %zu of %zu differ, margins %zu / %zu\n", drawing.c_str(), width,
                            d.differ, d.stroke, d.text[0], d.text[1]);
            }
        }
    }
}

// An object of eight records, each a level line across its own eighth of the page, with the
// path of one record broken (or none): the picture shows the records before the break and none
// after it, wherever the break lies, and tells the damage.
TEST(HostPaint, APictureEndsWhereTheObjectBreaks) {
    if (!png::available()) {
        GTEST_SKIP() << "built without PNG support";
    }
    constexpr int kRecords = 8, kBand = 16384 / kRecords;
    for (int broken = -1; broken < kRecords; ++broken) {
        SCOPED_TRACE(broken);
        hostobj::ObjectBuilder b;
        for (int k = 0; k < kRecords; ++k) {
            const int code = k == broken ? 9 : 1; // 9 is no element
            b.record(0, k * kBand, 16384, kBand, {0, 0, 8192, code, 16384, 8192, 15});
        }
        const hostobj::Bytes bytes = b.terminator().bytes();
        png::Raster r;
        std::string err;
        ASSERT_TRUE(png::rasterize_object(bytes.data(), bytes.size(), "", 1024, &r, &err)) << err;
        const svg::Page page = svg::page_for(100000, 100000);
        const double scale = std::min(r.width / page.width, r.height / page.height);
        const double ty = (r.height - page.height * scale) / 2;
        for (int k = 0; k < kRecords; ++k) {
            const VOH box{4, 0, 0, 0, int16_t(k * kBand), 16384, uint16_t(kBand), {}, {}, {}};
            const int y = int(ty + svg::to_page(page, box, 0, 8192).y * scale);
            int darkest = 255;
            for (int dy = -2; dy <= 2; ++dy) {
                darkest = std::min(darkest, int(r.at(r.width / 2, y + dy)));
            }
            EXPECT_EQ(darkest < 64, broken < 0 || k < broken) << "record " << k;
        }
        // The damage is told in the top margin.
        std::size_t told = 0;
        for (int y = 0; y < int(ty + page.margin * scale); ++y) {
            for (int x = 0; x < r.width; ++x) {
                told += r.at(x, y) < 224 ? 1 : 0;
            }
        }
        EXPECT_EQ(told > 20, broken >= 0);
    }
}

// The PNG files dxfhost writes, read back by cairo's own PNG reader, hold the picture drawn in
// memory pixel for pixel: grey levels when the picture has no texts, colour when a note or the
// damage of a broken object is written on it; the smallest picture too, whose first half of
// rows (compressed apart from the second) is empty.
TEST(HostPaint, PngFilesReadBackAsThePictureDrawn) {
    if (!png::available()) {
        GTEST_SKIP() << "built without PNG support";
    }
    std::mt19937 rng(7);
    std::uniform_int_distribution<int> at(0, 16383);
    hostobj::ObjectBuilder whole, broken;
    for (int k = 0; k < 400; ++k) {
        const int x0 = at(rng), y0 = at(rng), x1 = at(rng), y1 = at(rng);
        whole.record(0, 0, 16384, 16384, {0, x0, y0, 1, x1, y1, 15});
        if (k == 300) {
            broken.record(0, 0, 16384, 16384, {0, x0, y0, 9}); // 9 is no element
        } else {
            broken.record(0, 0, 16384, 16384, {0, x0, y0, 1, x1, y1, 15});
        }
    }
    const hostobj::Bytes whole_bytes = whole.terminator().bytes();
    const hostobj::Bytes broken_bytes = broken.terminator().bytes();
    const struct {
        const hostobj::Bytes* object;
        std::string note;
        int width;
        int colour_type; // 0 grey, 2 red, green and blue
    } cases[] = {{&whole_bytes, "", 640, 0},
                 {&whole_bytes, "refused: the drawing has no entities", 333, 2},
                 {&broken_bytes, "", 500, 2},
                 {&whole_bytes, "", 1, 0}};
    const std::string path = ::testing::TempDir() + "host_paint_readback.png";
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " " + c.note);
        std::string err;
        ASSERT_TRUE(
            png::write_object(c.object->data(), c.object->size(), c.note, c.width, path, &err))
            << err;
        png::Raster drawn;
        ASSERT_TRUE(png::rasterize_object(c.object->data(), c.object->size(), c.note, c.width,
                                          &drawn, &err))
            << err;
        std::ifstream in(path, std::ios::binary);
        char head[26] = {};
        in.read(head, sizeof head);
        EXPECT_EQ(int(head[25]), c.colour_type);

        cairo_surface_t* read = cairo_image_surface_create_from_png(path.c_str());
        ASSERT_EQ(cairo_surface_status(read), CAIRO_STATUS_SUCCESS);
        png::Raster back;
        png::surface_raster(read, &back); // and destroys the surface
        ASSERT_EQ(back.width, drawn.width);
        ASSERT_EQ(back.height, drawn.height);
        EXPECT_TRUE(back.grey == drawn.grey);
        const auto dark =
            std::count_if(drawn.grey.begin(), drawn.grey.end(), [](uint8_t v) { return v < 128; });
        if (c.width > 1) {
            EXPECT_GT(dark, 100); // there is a picture to compare
        }
    }
    std::remove(path.c_str());
}

// Strokes laid at the right edge of a canvas whose rows end inside a run of cells: the cell past
// the last pixel, looked at beside it, must not count as a pixel gone black, or the run would
// pass for black while one of its pixels is still white, and the last stroke below, which
// reaches only that run, would be passed over.
TEST(HostPaint, StrokesAtTheRightEdgeOfTheCanvasAreAllLaid) {
    ink::Canvas c;
    ASSERT_TRUE(ink::start(c, 40, 4, 0.5)); // rows of 40 pixels: the second run holds 8 of them
    for (int x = 32; x < 39; ++x) {         // pixels 32 to 38 black, one upright stroke each
        ink::piece(c, x + 0.5, 0, x + 0.5, 4);
        ink::end_stroke(c);
    }
    ink::piece(c, 40.5, 0, 40.5, 4); // just past the edge: no pixel of the picture
    ink::end_stroke(c);
    ink::piece(c, 35.5, 1.5, 39.5, 1.5); // along row 1, over pixels 35 to 39
    ink::end_stroke(c);
    ink::finish(c);
    std::vector<uint8_t> row(40);
    ink::grey_row(c, nullptr, 1, row.data());
    EXPECT_LT(row[39], 32);
    ink::grey_row(c, nullptr, 3, row.data());
    EXPECT_EQ(row[39], 255); // the stroke past the edge left the last pixel white
    EXPECT_LT(row[38], 32);
}
