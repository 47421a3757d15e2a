// png.cpp: renders an object's SVG picture into a PNG through librsvg and cairo.
//
// Receives the SVG text and the page size it declares. Draws a white background, lets librsvg
// lay the page over the whole picture and has cairo write the PNG (or hands the pixels on as
// grey levels). Where the libraries are absent (a build without them) every request reports
// that PNG pictures are not available.
#include "dxfhost/png.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#if defined(DXFHOST_HAVE_PNG)
#include <cairo.h>
#include <librsvg/rsvg.h>
#endif

namespace png {

int height_for(double page_w, double page_h, int width) {
    if (!(page_w > 0) || !(page_h > 0) || width < 1) {
        return 1;
    }
    double h = std::round(double(width) * page_h / page_w);
    return int(std::clamp(h, 1.0, double(kMaxSide)));
}

int width_for(double page_w, double page_h, int width) {
    if (!(page_w > 0) || !(page_h > 0) || width < 1) {
        return width;
    }
    if (std::round(double(width) * page_h / page_w) <= double(kMaxSide)) {
        return width;
    }
    const double w = std::floor(double(kMaxSide) * page_w / page_h);
    return int(std::clamp(w, 1.0, double(width)));
}

#if defined(DXFHOST_HAVE_PNG)

bool available() {
    return true;
}

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
    if (surface == nullptr) {
        return false;
    }
    // The file is opened here, so that a failure is told in the system's words.
    errno = 0;
    const bool to_stdout = path == "-";
    std::FILE* out = to_stdout ? stdout : std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        cairo_surface_destroy(surface);
        *err = "cannot write '" + path + "': " + std::strerror(errno);
        return false;
    }
    auto put = [](void* file, const unsigned char* data, unsigned int length) {
        return std::fwrite(data, 1, length, static_cast<std::FILE*>(file)) == length
                   ? CAIRO_STATUS_SUCCESS
                   : CAIRO_STATUS_WRITE_ERROR;
    };
    const cairo_status_t st = cairo_surface_write_to_png_stream(surface, put, out);
    cairo_surface_destroy(surface);
    const int write_errno = std::ferror(out) ? errno : 0;
    const bool closed = to_stdout ? std::fflush(out) == 0 : std::fclose(out) == 0;
    if (st != CAIRO_STATUS_SUCCESS || !closed) {
        const int e = write_errno != 0 ? write_errno : errno;
        *err = "cannot write '" + path +
               "': " + (e != 0 ? std::strerror(e) : cairo_status_to_string(st));
        return false;
    }
    return true;
}

bool rasterize(const std::string& svg_text, double page_w, double page_h, int width, Raster* out,
               std::string* err) {
    cairo_surface_t* surface = draw(svg_text, page_w, page_h, width, err);
    if (surface == nullptr) {
        return false;
    }
    const int w = cairo_image_surface_get_width(surface);
    const int h = cairo_image_surface_get_height(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    const unsigned char* data = cairo_image_surface_get_data(surface);
    out->width = w;
    out->height = h;
    out->grey.assign(std::size_t(w) * std::size_t(h), 255);
    for (int y = 0; y < h; ++y) {
        const uint32_t* row = reinterpret_cast<const uint32_t*>(data + std::size_t(y) * stride);
        for (int x = 0; x < w; ++x) {
            const uint32_t px = row[x]; // 0x00RRGGBB
            const unsigned r = (px >> 16) & 0xFF, g = (px >> 8) & 0xFF, b = px & 0xFF;
            out->grey[std::size_t(y) * std::size_t(w) + x] = uint8_t((r + g + b) / 3);
        }
    }
    cairo_surface_destroy(surface);
    return true;
}

#else

bool available() {
    return false;
}

static const char* const kNoPng =
    "this dxfhost was built without PNG support (librsvg and cairo were not found)";

bool write(const std::string&, double, double, int, const std::string&, std::string* err) {
    *err = kNoPng;
    return false;
}

bool rasterize(const std::string&, double, double, int, Raster*, std::string* err) {
    *err = kNoPng;
    return false;
}

#endif

} // namespace png
