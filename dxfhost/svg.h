// svg.h: draws a frame's vector object as an SVG picture.
//
// Receives an object read back by object_view, or its bytes, walked in place (object_walk). Hands
// on SVG text: a white page whose aspect ratio is the object's best size, one stroked <path> per
// record, placed by the record's box on the object grid and drawn from its point data on the record
// grid.
#ifndef DXFHOST_SVG_H
#define DXFHOST_SVG_H

#include <cstddef>
#include <cstdint>
#include <string>

#include "dxfhost/object_view.h"

namespace svg {

// The page in SVG user units: the object grid fills the drawing area, a margin surrounds it
// so that strokes on the grid's edges stay whole.
struct Page {
    double width = 0; // whole page
    double height = 0;
    double area_w = 0; // drawing area, the object grid's 16384 units across
    double area_h = 0;
    double margin = 0; // on every side
};

// The page for a best size bestw : besth. The longer side of the drawing area is 1000 units.
// A zero side gives a square page, and the ratio is held between 1:100 and 100:1 so that no
// side vanishes.
Page page_for(uint32_t bestw, uint32_t besth);

// Page coordinates of a point of a record grid: (x, y) inside the box (xpos, ypos, width,
// height) of the object grid; y runs downward on both grids and on the page.
struct Point {
    double x = 0;
    double y = 0;
};
Point to_page(const Page& page, const VOH& box, double x, double y);

// The point of an arc element (cx, cy, rx, ry on a record grid) at parameter angle deg in
// degrees: (cx + rx cos deg, cy - ry sin deg), exact at the multiples of 90 degrees.
Point arc_point(double cx, double cy, double rx, double ry, double deg);
// The degrees an arc from a0 to a1 sweeps counter-clockwise: 0 to 359, or 360 when the two
// differ by whole turns.
inline int arc_sweep(int a0, int a1) {
    const int d = a1 - a0;
    return d != 0 && d % 360 == 0 ? 360 : ((d % 360) + 360) % 360;
}

// The path data of one record ("M ... L ... A ..."): move, line, elliptic arc and full circle.
// An arc element (cx, cy, rx, ry, a0, a1) runs through the points (cx + rx cos a, cy - ry sin a)
// for a from a0 growing to a1 (counter-clockwise on the page for positive radii), starting a
// new subpath at its first point; a sweep that is a non-zero multiple of 360 degrees is a full
// ellipse. A line with no point before it starts the subpath at its own point.
std::string path_data(const Page& page, const view::Record& rec);

// The whole picture. title, when not empty, becomes the picture's <title>; note, when not empty,
// is written in the page's bottom margin (why a drawing was refused, say).
std::string render(const view::Object& obj, const std::string& title = "",
                   const std::string& note = "");

// The same picture, walked straight from an object's bytes (a data block).
std::string render(const uint8_t* object, std::size_t size, const std::string& title = "",
                   const std::string& note = "");

// Text made safe for XML character data and attribute values.
std::string xml_escape(const std::string& text);

} // namespace svg

#endif
