// png.h: PNG pictures of an object.
//
// Receives the bytes of an object (or, for the tests' yardstick, its SVG text made by svg.h)
// and the wanted width in pixels. Hands on a PNG file of that width whose height keeps the
// page's aspect ratio, drawn on a white background: from the object straight with cairo, as the
// SVG picture looks when an SVG renderer draws it at that width.
#ifndef DXFHOST_PNG_H
#define DXFHOST_PNG_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace png {

constexpr int kDefaultWidth = 1024;
constexpr int kMaxSide = 16384; // neither side of a picture is larger

// False when this program was built without cairo.
bool available();

// The picture's height for a page of page_w x page_h at width pixels (at least 1).
int height_for(double page_w, double page_h, int width);

// The width actually drawn: width itself, or less when the height would pass kMaxSide, so that
// a tall page keeps its proportions.
int width_for(double page_w, double page_h, int width);

// Draws the object (a data block's bytes) into a PNG of width pixels written to path ("-":
// standard output): its records as svg::render draws them, the damage in the top margin, the
// note (when not empty) in the bottom one. width must lie between 1 and kMaxSide. Returns false
// with the reason in *err when the picture cannot be made or the file cannot be written.
bool write_object(const uint8_t* object, std::size_t size, const std::string& note, int width,
                  const std::string& path, std::string* err);

// The yardstick of the tests (png_svg.cpp, with librsvg; not part of dxfhost):
// Renders svg_text into a PNG of width pixels written to path ("-": standard output). width must
// lie between 1 and kMaxSide. Returns false with the reason in *err when the SVG cannot be read,
// the picture cannot be made or the file cannot be written.
bool write(const std::string& svg_text, double page_w, double page_h, int width,
           const std::string& path, std::string* err);

// A picture in memory: one grey level per pixel (0 black, 255 white), rows from the top.
struct Raster {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> grey; // width x height values
    uint8_t at(int x, int y) const { return grey[std::size_t(y) * std::size_t(width) + x]; }
};

// Draws the object as write_object() does, into memory instead of a file.
bool rasterize_object(const uint8_t* object, std::size_t size, const std::string& note, int width,
                      Raster* out, std::string* err);

// Renders svg_text as write() does, into memory instead of a file.
bool rasterize(const std::string& svg_text, double page_w, double page_h, int width, Raster* out,
               std::string* err);

} // namespace png

#endif
