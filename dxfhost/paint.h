// paint.h: draws a frame's vector object with cairo, straight from the object's bytes.
//
// Receives the bytes of a data block, the note to write in the bottom margin and the picture's
// width. Walks the records once (object_walk.h) and strokes them on a cairo image surface
// where the SVG picture (svg.h) puts them when it is rendered at that width: the same page,
// mapping, stroke, colours, background and texts. Hands on the grey picture of the strokes, or
// the surface with the texts laid over it.
#ifndef DXFHOST_PAINT_H
#define DXFHOST_PAINT_H

#include <cstddef>
#include <cstdint>
#include <string>

#if defined(DXFHOST_HAVE_PNG)
#include <cairo.h>

#include "dxfhost/ink.h"
#include "dxfhost/paint_records.h"

namespace paint {

// The strokes of an object inked at a width, and what its texts need.
struct Picture {
    ink::Canvas canvas;   // the grey levels, finished
    ink::Canvas second;   // those of the object's second half, when two is true
    bool two = false;     // the picture is both canvases, one laid over the other
    Mapping mapping;      // the page laid over the pixels
    bool damaged = false; // the object's layout breaks: the picture tells where
    std::string damage;   // how, when it does
};

// Inks the object's records onto pic, width pixels across (1 to png::kMaxSide; less when the
// page is so tall that the height would pass png::kMaxSide). False, with the reason in *err,
// when the width is out of range or memory runs out.
bool ink_picture(const uint8_t* object, std::size_t size, int width, Picture* pic,
                 std::string* err);

// The grey levels of row y of the picture (its width of them) at out.
void grey_row(const Picture& pic, int y, uint8_t* out);

// A new image surface (RGB24) of the picture with its texts: the damage in the top margin, the
// note in the bottom one. The caller destroys it. Null, with the reason in *err, when cairo
// fails.
cairo_surface_t* to_surface(const Picture& pic, const std::string& note, std::string* err);

// ink_picture and to_surface together.
cairo_surface_t* draw(const uint8_t* object, std::size_t size, const std::string& note, int width,
                      std::string* err);

} // namespace paint

#endif
#endif
