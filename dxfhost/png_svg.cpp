// png_svg.cpp: renders an object's SVG picture into a PNG through librsvg and cairo.
//
// Receives the SVG text and the page size it declares. Draws a white background, lets librsvg
// lay the page over the whole picture and has cairo write the PNG (or hands the pixels on as
// grey levels). dxfhost draws its pictures straight from the object (png.cpp); this is the
// yardstick they are compared with, built for the tests only. Where librsvg is absent every
// request reports that PNG pictures are not available.
#include <string>

#include "dxfhost/png.h"

#if defined(DXFHOST_HAVE_RSVG)
#include <librsvg/rsvg.h>

#include "dxfhost/png_surface.h"
#endif

namespace png {

#if defined(DXFHOST_HAVE_RSVG)

namespace {

std::string reason(GError* gerr) {
    std::string s = gerr != nullptr ? gerr->message : "unknown reason";
    if (gerr != nullptr) {
        g_error_free(gerr);
    }
    return s;
}

// Draws the picture on a new image surface; the caller destroys it. Null on failure.
cairo_surface_t* draw(const std::string& svg_text, double page_w, double page_h, int width,
                      std::string* err) {
    if (width < 1 || width > kMaxSide) {
        *err = "the width must lie between 1 and " + std::to_string(kMaxSide) + " pixels";
        return nullptr;
    }
    width = width_for(page_w, page_h, width);
    const int height = height_for(page_w, page_h, width);

    GError* gerr = nullptr;
    RsvgHandle* handle = rsvg_handle_new_from_data(reinterpret_cast<const guint8*>(svg_text.data()),
                                                   svg_text.size(), &gerr);
    if (handle == nullptr) {
        *err = "the picture cannot be read: " + reason(gerr);
        return nullptr;
    }
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1.0, 1.0, 1.0);
    cairo_paint(cr);
    bool ok = true;
    RsvgRectangle viewport{0.0, 0.0, double(width), double(height)};
    if (!rsvg_handle_render_document(handle, cr, &viewport, &gerr)) {
        *err = "the picture cannot be drawn: " + reason(gerr);
        ok = false;
    } else if (cairo_status(cr) != CAIRO_STATUS_SUCCESS) {
        *err =
            std::string("the picture cannot be drawn: ") + cairo_status_to_string(cairo_status(cr));
        ok = false;
    }
    // Released on every path; the surface only when it is not handed on.
    cairo_destroy(cr);
    g_object_unref(handle);
    if (!ok) {
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_flush(surface);
    return surface;
}

} // namespace

bool write(const std::string& svg_text, double page_w, double page_h, int width,
           const std::string& path, std::string* err) {
    cairo_surface_t* surface = draw(svg_text, page_w, page_h, width, err);
    return surface != nullptr && write_surface(surface, path, err);
}

bool rasterize(const std::string& svg_text, double page_w, double page_h, int width, Raster* out,
               std::string* err) {
    cairo_surface_t* surface = draw(svg_text, page_w, page_h, width, err);
    if (surface == nullptr) {
        return false;
    }
    surface_raster(surface, out);
    return true;
}

#else

static const char* const kNoSvgPng =
    "this program was built without PNG support for SVG pictures (librsvg was not found)";

bool write(const std::string&, double, double, int, const std::string&, std::string* err) {
    *err = kNoSvgPng;
    return false;
}

bool rasterize(const std::string&, double, double, int, Raster*, std::string* err) {
    *err = kNoSvgPng;
    return false;
}

#endif

} // namespace png
