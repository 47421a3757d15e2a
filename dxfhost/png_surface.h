// png_surface.h: what both picture paths share once a picture is drawn on a cairo surface.
//
// Receives an image surface (RGB24). Writes it as a PNG file (or to standard output), or hands
// its pixels on as grey levels. Both take the surface over and destroy it.
#ifndef DXFHOST_PNG_SURFACE_H
#define DXFHOST_PNG_SURFACE_H

#if defined(DXFHOST_HAVE_PNG)
#include <cairo.h>

#include <string>

#include "dxfhost/png.h"

namespace png {

// Writes the picture to path ("-": standard output). False, with the reason in *err.
bool write_surface(cairo_surface_t* surface, const std::string& path, std::string* err);

// The picture's pixels as grey levels.
void surface_raster(cairo_surface_t* surface, Raster* out);

} // namespace png

#endif
#endif
