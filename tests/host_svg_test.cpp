// Pictures of an object: the page, the mapping of both grids, and each element's path; arcs
// are checked on the rendered pixels too, since their direction is easy to get backwards.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "dxfhost/png.h"
#include "dxfhost/svg.h"
#include "host_objects.h"

using hostobj::ObjectBuilder;

namespace {

// The path of the one record of an object whose best size is square (page 1024 x 1024, the
// grid on 12 .. 1012).
std::string path_of(int xpos, int ypos, int width, int height, std::initializer_list<int> words) {
    view::Object obj =
        view::read_object(ObjectBuilder().record(xpos, ypos, width, height, words).terminator().b);
    EXPECT_EQ(obj.records.size(), 1u);
    if (obj.records.empty()) {
        return "";
    }
    return svg::path_data(svg::page_for(100000, 100000), obj.records[0]);
}

std::string full_arc(int a0, int a1) {
    return path_of(0, 0, 16384, 16384, {3, 8192, 8192, 8192, 8192, a0, a1, 15});
}

} // namespace

TEST(HostSvg, PageFollowsTheBestSizeAndGuardsItsExtremes) {
    svg::Page tall = svg::page_for(150000, 800000);
    EXPECT_DOUBLE_EQ(tall.area_h, 1000);
    EXPECT_DOUBLE_EQ(tall.area_w, 187.5);
    EXPECT_DOUBLE_EQ(tall.width, 211.5);
    svg::Page wide = svg::page_for(500000, 200000);
    EXPECT_DOUBLE_EQ(wide.area_w, 1000);
    EXPECT_DOUBLE_EQ(wide.area_h, 400);
    svg::Page zero = svg::page_for(0, 123);
    EXPECT_DOUBLE_EQ(zero.area_w, zero.area_h);
    svg::Page thin = svg::page_for(4294967295u, 1);
    EXPECT_DOUBLE_EQ(thin.area_h, 10);
    svg::Page high = svg::page_for(1, 4294967295u);
    EXPECT_DOUBLE_EQ(high.area_w, 10);
}

TEST(HostSvg, RecordGridGoesThroughTheBoxOntoThePage) {
    // The line of a drawing 10 x 10 from (0, 0) to (10, 5): box at y 8192, half the height.
    EXPECT_EQ(path_of(0, 8192, 16384, 8192, {0, 0, 16384, 1, 16384, 0, 15}), "M12 1012 L1012 512");
    // A box in the upper-left quarter; negative positions lie left of the page's grid.
    EXPECT_EQ(path_of(0, 0, 8192, 8192, {0, 0, 0, 1, 16384, 16384, 15}), "M12 12 L512 512");
    EXPECT_EQ(path_of(-8192, 0, 8192, 16384, {0, 16384, 0, 15}), "M12 12");
    // A line with no point before it starts its subpath there.
    EXPECT_EQ(path_of(0, 0, 16384, 16384, {1, 0, 0, 1, 16384, 0, 15}), "M12 12 L1012 12");
}

TEST(HostSvg, QuarterArcsRunCounterClockwiseFromStartToEnd) {
    // East to north, north to west, west to south, south to east: each a new subpath at its
    // start point, a small arc (flag 0) drawn counter-clockwise on the page (sweep flag 0).
    EXPECT_EQ(full_arc(0, 90), "M1012 512 A500 500 0 0 0 512 12");
    EXPECT_EQ(full_arc(90, 180), "M512 12 A500 500 0 0 0 12 512");
    EXPECT_EQ(full_arc(180, 270), "M12 512 A500 500 0 0 0 512 1012");
    EXPECT_EQ(full_arc(270, 360), "M512 1012 A500 500 0 0 0 1012 512");
    // Three quarters take the large arc; a sweep across 0 degrees is the short way round.
    EXPECT_EQ(full_arc(0, 270), "M1012 512 A500 500 0 1 0 512 1012");
    EXPECT_EQ(full_arc(-90, 0), "M512 1012 A500 500 0 0 0 1012 512");
    EXPECT_EQ(full_arc(270, 0), full_arc(-90, 0));
    // No sweep draws nothing; a sweep of a multiple of 360 is the whole ellipse in two halves.
    EXPECT_EQ(full_arc(45, 45).find('A'), std::string::npos);
    EXPECT_EQ(full_arc(0, 360), "M1012 512 A500 500 0 0 0 12 512 A500 500 0 0 0 1012 512");
    EXPECT_EQ(full_arc(90, -270), "M512 12 A500 500 0 0 0 512 1012 A500 500 0 0 0 512 12");
}

TEST(HostSvg, CirclesEllipsesAndFlatArcs) {
    // The module's full circle: a move to the 0-degree point, then the circle itself.
    EXPECT_EQ(path_of(0, 0, 16384, 16384, {0, 16384, 8192, 3, 8192, 8192, 8192, 8192, 0, 360, 15}),
              "M1012 512 M1012 512 A500 500 0 0 0 12 512 A500 500 0 0 0 1012 512");
    // A circle's record in a box half as high is an ellipse on the page.
    EXPECT_EQ(path_of(0, 0, 16384, 8192, {3, 8192, 8192, 8192, 8192, 0, 90, 15}),
              "M1012 262 A500 250 0 0 0 512 12");
    // A box of no width: the arc is a segment run through its turning points.
    EXPECT_EQ(path_of(0, 0, 0, 16384, {3, 8192, 8192, 8192, 8192, 0, 180, 15}),
              "M12 512 L12 12 L12 512");
    EXPECT_EQ(path_of(0, 0, 16384, 0, {3, 8192, 8192, 8192, 8192, -45, 45, 15}),
              "M865.55 12 L1012 12 L865.55 12");
    // One mirrored radius turns the arc the other way round.
    EXPECT_EQ(path_of(0, 0, 16384, 16384, {3, 8192, 8192, -8192, 8192, 0, 90, 15}),
              "M12 512 A500 500 0 0 1 512 12");
}

TEST(HostSvg, DocumentHasAWhitePageAndOneTitledPathPerRecord) {
    view::Object obj =
        view::read_object(ObjectBuilder(500000, 200000).line_record().line_record().terminator().b);
    const std::string doc = svg::render(obj, "a <b> & \"c\"");
    EXPECT_NE(doc.find("width=\"1024\" height=\"424\" viewBox=\"0 0 1024 424\""),
              std::string::npos);
    EXPECT_NE(doc.find("<title>a &lt;b&gt; &amp; &quot;c&quot;</title>"), std::string::npos);
    EXPECT_NE(doc.find("<rect width=\"100%\" height=\"100%\" fill=\"white\"/>"), std::string::npos);
    EXPECT_NE(doc.find("fill=\"none\" stroke=\"black\""), std::string::npos);
    EXPECT_NE(doc.find("<title>record 0</title></path>"), std::string::npos);
    EXPECT_NE(doc.find("<title>record 1</title></path>"), std::string::npos);
    EXPECT_EQ(doc.find("<title>record 2</title>"), std::string::npos);

    // A damaged object shows the records before the damage and says where it broke.
    hostobj::Bytes b = ObjectBuilder().line_record().line_record().terminator().b;
    hostobj::set32(b, 72, 4000);
    const std::string broken = svg::render(view::read_object(b));
    EXPECT_NE(broken.find("<!-- damaged at offset 72: "), std::string::npos);
    EXPECT_NE(broken.find("fill=\"#c00000\">unfinished object: "), std::string::npos);
    EXPECT_EQ(doc.find("unfinished object"), std::string::npos);
    EXPECT_NE(broken.find("<title>record 0</title>"), std::string::npos);
    EXPECT_EQ(broken.find("<title>record 1</title>"), std::string::npos);
    EXPECT_EQ(svg::xml_escape(std::string("a\x01"
                                          "b")),
              "a?b");
}

TEST(HostPng, ArcsAreDrawnWhereTheyBelongOnThePixels) {
    if (!png::available()) {
        GTEST_SKIP() << "built without PNG support";
    }
    // One quarter arc from east to north about the page's centre (512, 512), radius 500.
    view::Object obj =
        view::read_object(ObjectBuilder()
                              .record(0, 0, 16384, 16384, {3, 8192, 8192, 8192, 8192, 0, 90, 15})
                              .terminator()
                              .b);
    const svg::Page page = svg::page_for(obj.head.bestw, obj.head.besth);
    png::Raster r;
    std::string err;
    ASSERT_TRUE(png::rasterize(svg::render(obj), page.width, page.height, 1024, &r, &err)) << err;
    ASSERT_EQ(r.width, 1024);
    ASSERT_EQ(r.height, 1024);
    auto dark_near = [&](int x, int y) {
        for (int dy = -2; dy <= 2; ++dy) {
            for (int dx = -2; dx <= 2; ++dx) {
                if (r.at(x + dx, y + dy) < 128) {
                    return true;
                }
            }
        }
        return false;
    };
    EXPECT_TRUE(dark_near(866, 158));  // 45 degrees: up and to the right of the centre
    EXPECT_FALSE(dark_near(158, 866)); // 225 degrees: not drawn
    EXPECT_FALSE(dark_near(866, 866)); // 315 degrees: not drawn
    EXPECT_FALSE(dark_near(762, 262)); // the chord's middle: it is an arc, not a line
    EXPECT_EQ(r.at(5, 5), 255);        // white page
}

TEST(HostPng, WritesAPngOfTheChosenWidthOrSaysWhyNot) {
    if (!png::available()) {
        std::string err;
        EXPECT_FALSE(png::write("<svg/>", 1, 1, 10, "x.png", &err));
        EXPECT_NE(err.find("without PNG support"), std::string::npos);
        return;
    }
    view::Object obj =
        view::read_object(ObjectBuilder(500000, 200000).line_record().terminator().b);
    const svg::Page page = svg::page_for(obj.head.bestw, obj.head.besth);
    const std::string path = ::testing::TempDir() + "host_png_test.png";
    std::string err;
    ASSERT_TRUE(png::write(svg::render(obj), page.width, page.height, 300, path, &err)) << err;
    std::ifstream in(path, std::ios::binary);
    unsigned char head[24] = {};
    in.read(reinterpret_cast<char*>(head), sizeof head);
    ASSERT_EQ(in.gcount(), 24);
    EXPECT_EQ(head[1], 'P');
    auto be32 = [&](int off) {
        return (unsigned(head[off]) << 24) | (head[off + 1] << 16) | (head[off + 2] << 8) |
               head[off + 3];
    };
    EXPECT_EQ(be32(16), 300u);
    EXPECT_EQ(be32(20), 124u); // 300 x 424 / 1024, rounded
    std::remove(path.c_str());

    EXPECT_FALSE(png::write(svg::render(obj), page.width, page.height, 0, path, &err));
    EXPECT_NE(err.find("width"), std::string::npos);
    EXPECT_FALSE(png::write("not a picture", 1, 1, 10, path, &err));
    EXPECT_FALSE(png::write(svg::render(obj), page.width, page.height, 10,
                            ::testing::TempDir() + "no/such/dir/x.png", &err));
    EXPECT_NE(err.find("No such file or directory"), std::string::npos) << err;

    // A page four times as tall as wide keeps its proportions when the height reaches the
    // largest side: the picture is drawn narrower instead.
    EXPECT_EQ(png::width_for(100, 400, 4000), 4000);
    EXPECT_EQ(png::width_for(100, 400, 8000), png::kMaxSide / 4);
    EXPECT_EQ(png::height_for(100, 400, png::width_for(100, 400, 8000)), png::kMaxSide);
    EXPECT_EQ(png::width_for(1, 1e9, 100), 1);
    EXPECT_EQ(png::width_for(0, 400, 300), 300);
}
