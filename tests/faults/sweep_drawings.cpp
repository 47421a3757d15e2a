// The fault sweep's drawings: files from the test data and examples folders, and generated
// drawings, each a few dozen entities at most, so that failing every call of every one stays
// quick.
#include "sweep_drawings.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "import/headervars.h"

namespace sweep {
namespace {

// Builds DXF text group by group: code line, then value line.
struct Dxf {
    std::string text;
    Dxf& g(int code, const std::string& value) {
        text += std::to_string(code) + "\n" + value + "\n";
        return *this;
    }
    Dxf& point(double x, double y, int base = 10) {
        return g(base, std::to_string(x)).g(base + 10, std::to_string(y));
    }
    Dxf& point3(double x, double y, double z, int base = 10) {
        return point(x, y, base).g(base + 20, std::to_string(z));
    }
    Dxf& section(const char* name) { return g(0, "SECTION").g(2, name); }
    Dxf& endsec() { return g(0, "ENDSEC"); }
    Dxf& extents(double minx, double miny, double maxx, double maxy) {
        section("HEADER");
        g(9, "$EXTMIN").point3(minx, miny, 0);
        g(9, "$EXTMAX").point3(maxx, maxy, 0);
        return endsec();
    }
    Dxf& line(double x0, double y0, double x1, double y1) {
        return g(0, "LINE").g(8, "0").point3(x0, y0, 0).point3(x1, y1, 0, 11);
    }
    Dxf& arc(double cx, double cy, double r, double a0, double a1) {
        return g(0, "ARC")
            .g(8, "0")
            .point(cx, cy)
            .g(40, std::to_string(r))
            .g(50, std::to_string(a0))
            .g(51, std::to_string(a1));
    }
    Dxf& circle(double cx, double cy, double r) {
        return g(0, "CIRCLE").g(8, "0").point(cx, cy).g(40, std::to_string(r));
    }
    Dxf& polyline(std::initializer_list<std::pair<double, double>> pts, bool seqend = true) {
        g(0, "POLYLINE").g(8, "0").g(66, "1").point3(0, 0, 0);
        for (const auto& p : pts)
            g(0, "VERTEX").g(8, "0").point3(p.first, p.second, 0);
        return seqend ? g(0, "SEQEND").g(8, "0") : *this;
    }
    Dxf& insert(const char* name, double x, double y, double sx = 1, double sy = 1,
                double rot = 0) {
        return g(0, "INSERT")
            .g(8, "0")
            .g(2, name)
            .point3(x, y, 0)
            .g(41, std::to_string(sx))
            .g(42, std::to_string(sy))
            .g(50, std::to_string(rot));
    }
    Dxf& block(const char* name, double bx, double by) {
        return g(0, "BLOCK").g(8, "0").g(2, name).g(70, "0").point3(bx, by, 0).g(3, name);
    }
    Dxf& endblk() { return g(0, "ENDBLK").g(8, "0"); }
    Dxf& eof() { return g(0, "EOF"); }
};

// Every header variable the module knows, each with a value of its kind.
std::string all_header_variables() {
    Dxf d;
    d.section("HEADER");
    for (const HVAR& v : hvars) {
        std::string name = v.name;
        d.g(9, name);
        bool max = name == "$EXTMAX" || name == "$LIMMAX";
        switch (v.kind) {
        case HV_VERSION:
            d.g(1, "AC1009");
            break;
        case HV_TEXT:
        case HV_TEXT80:
            d.g(name == "$MENU" ? 1 : 7, "STANDARD");
            break;
        case HV_POINT:
        case HV_SKIP2:
            d.point(max ? 200 : 0, max ? 100 : 0);
            break;
        case HV_POINTZ:
        case HV_SKIP2Z:
            d.point3(max ? 200 : 0, max ? 100 : 0, 0);
            break;
        case HV_REAL:
        case HV_REAL64:
            d.g(40, "2.5");
            break;
        default:
            d.g(70, "1");
            break;
        }
    }
    d.endsec();
    d.section("ENTITIES").line(0, 0, 200, 100).circle(100, 50, 20).endsec();
    return d.eof().text;
}

// Every table kind, an empty table, layers and line types that the entities name.
std::string all_tables() {
    Dxf d;
    d.extents(0, 0, 50, 50).section("TABLES");
    d.g(0, "TABLE")
        .g(2, "VPORT")
        .g(70, "1")
        .g(0, "VPORT")
        .g(2, "*ACTIVE")
        .g(70, "0")
        .point(0, 0)
        .point(1, 1, 11)
        .g(0, "ENDTAB");
    d.g(0, "TABLE").g(2, "LTYPE").g(70, "2");
    d.g(0, "LTYPE")
        .g(2, "CONTINUOUS")
        .g(70, "0")
        .g(3, "Solid line")
        .g(72, "65")
        .g(73, "0")
        .g(40, "0.0");
    d.g(0, "LTYPE")
        .g(2, "DASHED")
        .g(70, "0")
        .g(3, "__ __ __")
        .g(72, "65")
        .g(73, "2")
        .g(40, "0.75")
        .g(49, "0.5")
        .g(49, "-0.25");
    d.g(0, "ENDTAB");
    d.g(0, "TABLE").g(2, "LAYER").g(70, "3");
    d.g(0, "LAYER").g(2, "0").g(70, "0").g(62, "7").g(6, "CONTINUOUS");
    d.g(0, "LAYER").g(2, "WALLS").g(70, "0").g(62, "-1").g(6, "DASHED");
    d.g(0, "LAYER").g(2, "HIDDEN").g(70, "4").g(62, "3").g(6, "NOSUCHTYPE");
    d.g(0, "ENDTAB");
    d.g(0, "TABLE")
        .g(2, "STYLE")
        .g(70, "1")
        .g(0, "STYLE")
        .g(2, "STANDARD")
        .g(70, "0")
        .g(40, "0")
        .g(41, "1")
        .g(3, "txt")
        .g(0, "ENDTAB");
    d.g(0, "TABLE")
        .g(2, "VIEW")
        .g(70, "1")
        .g(0, "VIEW")
        .g(2, "TOP")
        .g(70, "0")
        .g(40, "10")
        .point(5, 5)
        .g(41, "10")
        .g(0, "ENDTAB");
    d.g(0, "TABLE")
        .g(2, "UCS")
        .g(70, "1")
        .g(0, "UCS")
        .g(2, "W")
        .g(70, "0")
        .point3(0, 0, 0)
        .g(0, "ENDTAB");
    d.g(0, "TABLE").g(2, "APPID").g(70, "0").g(0, "ENDTAB");
    d.g(0, "TABLE")
        .g(2, "DIMSTYLE")
        .g(70, "1")
        .g(0, "DIMSTYLE")
        .g(2, "STANDARD")
        .g(70, "0")
        .g(0, "ENDTAB");
    d.endsec();
    d.section("ENTITIES");
    d.g(0, "LINE").g(8, "WALLS").g(6, "BYLAYER").g(62, "256").point3(0, 0, 0).point3(50, 50, 0, 11);
    d.g(0, "LINE").g(8, "HIDDEN").g(6, "DASHED").g(62, "1").point(0, 50).point(50, 0, 11);
    d.g(0, "LINE").g(8, "NOSUCHLAYER").point(10, 10).point(40, 10, 11);
    return d.endsec().eof().text;
}

// Every entity kind, converted or passed over, with attributes after an INSERT.
std::string all_entities() {
    Dxf d;
    d.extents(-10, -10, 110, 110);
    d.section("BLOCKS")
        .block("TAG", 0, 0)
        .g(0, "ATTDEF")
        .g(8, "0")
        .point(0, 0)
        .g(40, "1")
        .g(1, "v")
        .g(3, "Tag?")
        .g(2, "T")
        .g(70, "0")
        .line(0, 0, 5, 5)
        .endblk()
        .endsec();
    d.section("ENTITIES");
    d.line(0, 0, 100, 100).circle(50, 50, 25).arc(50, 50, 40, 350, 80);
    d.polyline({{0, 0}, {10, 0}, {10, 10}, {0, 10}});
    d.g(0, "POLYLINE")
        .g(8, "0")
        .g(66, "1")
        .g(70, "1")
        .point3(0, 0, 0)
        .g(0, "VERTEX")
        .g(8, "0")
        .point(20, 20)
        .g(42, "0.5")
        .g(0, "VERTEX")
        .g(8, "0")
        .g(20, "30")
        .g(10, "25")
        .g(0, "SEQEND");
    d.g(0, "POINT").g(8, "0").point3(5, 5, 0);
    d.g(0, "SOLID").g(8, "0").point(0, 0).point(1, 0, 11).point(0, 1, 12).point(1, 1, 13);
    d.g(0, "TRACE").g(8, "0").point(0, 0).point(1, 0, 11).point(0, 1, 12).point(1, 1, 13);
    d.g(0, "TEXT").g(8, "0").point3(1, 1, 0).g(40, "2").g(1, "LINE in a text").g(50, "0");
    d.g(0, "SHAPE").g(8, "0").point(1, 1).g(40, "1").g(2, "BOX");
    d.g(0, "3DFACE")
        .g(8, "0")
        .point3(0, 0, 1)
        .point3(1, 0, 1, 11)
        .point3(1, 1, 1, 12)
        .point3(0, 1, 1, 13);
    d.g(0, "DIMENSION").g(8, "0").g(2, "*D1").point3(0, 0, 0).point3(1, 1, 0, 11).g(70, "0");
    d.g(0, "ATTDEF").g(8, "0").point(0, 0).g(40, "1").g(1, "v").g(3, "p").g(2, "T").g(70, "0");
    d.insert("TAG", 60, 60).g(66, "1");
    d.g(0, "ATTRIB").g(8, "0").point(60, 60).g(40, "1").g(1, "value").g(2, "T").g(70, "0");
    d.g(0, "SEQEND").g(8, "0");
    d.line(100, 0, 0, 100);
    return d.endsec().eof().text;
}

// Blocks: base points away from the corner, nested, mirrored and scaled INSERTs, arcs, a
// polyline ending at "ENDBLK", a LINE with z, an attribute definition and a dimension
// (group 2s that open no block), an insert of an undefined block, a circle inside a block.
std::string block_features() {
    Dxf d;
    d.extents(-100, -100, 100, 100);
    d.section("BLOCKS");
    d.block("LEAF", 5, 5).arc(5, 5, 4, 0, 90).line(5, 5, 9, 5).endblk();
    d.block("DOOR", 2, 1)
        .line(0, 0, 10, 0)
        .arc(0, 0, 10, 0, 90)
        .insert("LEAF", 3, 3, -1, 1)
        .insert("NOWHERE", 0, 0);
    d.g(0, "ATTDEF").g(8, "0").point(0, 0).g(40, "1").g(1, "d").g(3, "p").g(2, "DOORNO").g(70, "0");
    d.g(0, "POLYLINE")
        .g(8, "0")
        .g(66, "1")
        .point3(0, 0, 0)
        .g(0, "VERTEX")
        .g(8, "0")
        .point(0, 0)
        .g(0, "VERTEX")
        .g(8, "0")
        .point(0, 8);
    d.endblk();
    d.block("FRAME", 0, 0)
        .insert("DOOR", 10, 10, 2, -0.5)
        .insert("DOOR", -10, 10, -1, -1)
        .insert("LEAF", 0, 0, 0.5, 3);
    d.circle(1, 1, 1)
        .g(0, "DIMENSION")
        .g(8, "0")
        .g(2, "*D2")
        .point(0, 0)
        .point(1, 1, 11)
        .line(-5, -5, 5, 5)
        .endblk();
    d.endsec();
    d.section("ENTITIES");
    d.insert("DOOR", 0, 0)
        .insert("DOOR", 20, 20, -1, 1)
        .insert("DOOR", -20, 20, 1, -1)
        .insert("DOOR", -20, -20, -2, -2, 45);
    d.insert("FRAME", 30, -30, 1.5, 1.5).insert("NOWHERE", 1, 1).insert("LEAF", 50, 50, 3, 0.5);
    d.line(-100, -100, 100, 100);
    return d.endsec().eof().text;
}

// Blocks that refer to themselves, directly and through another: refused as invalid.
std::string self_references() {
    Dxf d;
    d.extents(0, 0, 10, 10).section("BLOCKS");
    d.block("SELF", 0, 0).line(0, 0, 1, 1).insert("SELF", 1, 1).endblk();
    d.block("PING", 0, 0)
        .insert("PONG", 1, 0)
        .endblk()
        .block("PONG", 0, 0)
        .insert("PING", 0, 1)
        .endblk();
    d.endsec().section("ENTITIES").insert("SELF", 0, 0).endsec();
    return d.eof().text;
}

// A 3-D arc after some line work: refused with the 3-D alert.
std::string refused_3d() {
    Dxf d;
    d.extents(0, 0, 10, 10).section("ENTITIES").line(0, 0, 10, 10);
    d.g(0, "ARC").g(8, "0").point3(5, 5, 2).g(40, "1").g(50, "0").g(51, "90");
    return d.endsec().eof().text;
}

} // namespace

std::vector<Drawing> generated_drawings() {
    std::vector<Drawing> set;
    set.push_back({"all_header", all_header_variables()});
    set.push_back({"all_tables", all_tables()});
    set.push_back({"all_entities", all_entities()});
    set.push_back({"block_features", block_features()});
    set.push_back({"self_references", self_references()});
    set.push_back({"refused_3d", refused_3d()});
    // invalid at the top level, an unknown section, entities before any extents
    set.push_back({"comment_at_top", "999\nnote\n" + Dxf().extents(0, 0, 1, 1).eof().text});
    set.push_back(
        {"unknown_section", Dxf().extents(0, 0, 1, 1).section("CLASSES").endsec().eof().text});
    set.push_back(
        {"entities_first", Dxf().section("ENTITIES").line(0, 0, 1, 1).endsec().eof().text});
    // a header after the blocks (the store is dropped), a last line without its line feed,
    // a value line longer than the reader keeps
    Dxf late;
    late.section("BLOCKS").block("B", 0, 0).line(0, 0, 1, 1).endblk().endsec();
    late.extents(0, 0, 4, 4).section("ENTITIES").insert("B", 1, 1).endsec().eof();
    set.push_back({"header_after_blocks", late.text});
    std::string cut =
        Dxf().extents(0, 0, 8, 8).section("ENTITIES").line(0, 0, 8, 8).endsec().eof().text;
    cut.pop_back();
    set.push_back({"eof_without_line_feed", cut});
    Dxf longline;
    longline.extents(0, 0, 8, 8).section("ENTITIES").g(0, "TEXT").g(1, std::string(300, 'x'));
    longline.line(0, 0, 8, 8).g(0, "LINE" + std::string(250, 'L')).point(0, 8).point(8, 0, 11);
    set.push_back({"long_values", longline.endsec().eof().text});
    return set;
}

std::vector<Drawing> drawing_set() {
    std::vector<Drawing> set;
    for (const char* dir : {TEST_DATA_DIR, EXAMPLES_DIR}) {
        std::vector<std::filesystem::path> files;
        for (const auto& entry : std::filesystem::directory_iterator(dir))
            if (entry.path().extension() == ".dxf")
                files.push_back(entry.path());
        std::sort(files.begin(), files.end());
        for (const auto& path : files) {
            std::ifstream in(path, std::ios::binary);
            set.push_back(
                {path.filename().string(), std::string(std::istreambuf_iterator<char>(in), {})});
        }
    }
    for (Drawing& d : generated_drawings())
        set.push_back(std::move(d));
    return set;
}

} // namespace sweep
