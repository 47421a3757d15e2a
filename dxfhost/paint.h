// paint.h: draws a frame's vector object with cairo, straight from the object's bytes.
//
// Receives the bytes of a data block, the note to write in the bottom margin and the picture's
// width. Walks the records once (object_walk.h) and strokes them on a cairo image surface
// where the SVG picture (svg.h) puts them when it is rendered at that width: the same page,
// mapping, stroke, colours, background and texts. Hands on the surface.
#ifndef DXFHOST_PAINT_H
#define DXFHOST_PAINT_H

#include <cstddef>
#include <cstdint>
#include <string>

#if defined(DXFHOST_HAVE_PNG)
#include <cairo.h>

namespace paint {

// A new image surface (RGB24) of the picture, width pixels across (1 to png::kMaxSide; less
// when the page is so tall that the height would pass png::kMaxSide). The caller destroys it.
// Null, with the reason in *err, when the width is out of range or cairo fails.
cairo_surface_t* draw(const uint8_t* object, std::size_t size, const std::string& note, int width,
                      std::string* err);

} // namespace paint

#endif
#endif
