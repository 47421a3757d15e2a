// png.cpp: PNG pictures of an object, drawn straight from its bytes with cairo (paint.h).
//
// Receives the object's bytes, the note for its margin and the wanted width. Has paint ink the
// picture and writes it as a PNG (png_file.h): straight from the grey levels when the picture
// has no texts, else from the cairo surface paint lays the texts on (or hands the pixels on as
// grey levels). Where cairo is
// absent (a build without it) every request reports that PNG pictures are not available.
#include "dxfhost/png.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "dxfhost/paint.h"
#include "dxfhost/png_file.h"
#include "dxfhost/png_surface.h"

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

// Rows of cairo's RGB24 pixels, as grey levels or as red, green and blue.
struct SurfaceRows {
    const uint8_t* data;
    int width, stride;
};

void grey_surface_row(const void* source, int y, uint8_t* out) {
    const SurfaceRows& s = *static_cast<const SurfaceRows*>(source);
    const uint32_t* row = reinterpret_cast<const uint32_t*>(s.data + std::size_t(y) * s.stride);
    for (int x = 0; x < s.width; ++x) {
        out[x] = uint8_t(row[x]);
    }
}

void rgb_surface_row(const void* source, int y, uint8_t* out) {
    const SurfaceRows& s = *static_cast<const SurfaceRows*>(source);
    const uint32_t* row = reinterpret_cast<const uint32_t*>(s.data + std::size_t(y) * s.stride);
    for (int x = 0; x < s.width; ++x) {
        out[3 * x] = uint8_t(row[x] >> 16);
        out[3 * x + 1] = uint8_t(row[x] >> 8);
        out[3 * x + 2] = uint8_t(row[x]);
    }
}

void picture_row(const void* source, int y, uint8_t* out) {
    paint::grey_row(*static_cast<const paint::Picture*>(source), y, out);
}

// Writes the rows as a PNG file at path ("-": standard output).
bool write_rows(RowFiller fill, const void* source, int width, int height, bool grey,
                const std::string& path, std::string* err) {
    // The file is opened here, so that a failure is told in the system's words.
    errno = 0;
    const bool to_stdout = path == "-";
    std::FILE* out = to_stdout ? stdout : std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        *err = "cannot write '" + path + "': " + std::strerror(errno);
        return false;
    }
    const char* why = nullptr;
    const bool encoded = encode(fill, source, width, height, grey, out, &why);
    const int write_errno = std::ferror(out) ? errno : 0;
    const bool closed = to_stdout ? std::fflush(out) == 0 : std::fclose(out) == 0;
    if (!encoded || write_errno != 0 || !closed) {
        const int e = write_errno != 0 ? write_errno : errno;
        *err = "cannot write '" + path + "': " +
               (e != 0           ? std::strerror(e)
                : why != nullptr ? why
                                 : "the PNG encoder failed");
        return false;
    }
    return true;
}

} // namespace

bool write_surface(cairo_surface_t* surface, const std::string& path, std::string* err) {
    cairo_surface_flush(surface);
    const SurfaceRows rows{cairo_image_surface_get_data(surface),
                           cairo_image_surface_get_width(surface),
                           cairo_image_surface_get_stride(surface)};
    const int height = cairo_image_surface_get_height(surface);
    const bool grey = all_grey(rows.data, rows.width, height, rows.stride);
    const bool ok = write_rows(grey ? grey_surface_row : rgb_surface_row, &rows, rows.width, height,
                               grey, path, err);
    cairo_surface_destroy(surface);
    return ok;
}

void surface_raster(cairo_surface_t* surface, Raster* out) {
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
}

bool write_object(const uint8_t* object, std::size_t size, const std::string& note, int width,
                  const std::string& path, std::string* err) {
    paint::Picture pic;
    if (!paint::ink_picture(object, size, width, &pic, err)) {
        return false;
    }
    // A picture without texts is all grey levels: written straight from the canvas.
    if (note.empty() && !pic.damaged) {
        return write_rows(picture_row, &pic, pic.canvas.width, pic.canvas.height, true, path, err);
    }
    cairo_surface_t* surface = paint::to_surface(pic, note, err);
    return surface != nullptr && write_surface(surface, path, err);
}

bool rasterize_object(const uint8_t* object, std::size_t size, const std::string& note, int width,
                      Raster* out, std::string* err) {
    cairo_surface_t* surface = paint::draw(object, size, note, width, err);
    if (surface == nullptr) {
        return false;
    }
    surface_raster(surface, out);
    return true;
}

#else

bool available() {
    return false;
}

static const char* const kNoPng =
    "this dxfhost was built without PNG support (cairo was not found)";

bool write_object(const uint8_t*, std::size_t, const std::string&, int, const std::string&,
                  std::string* err) {
    *err = kNoPng;
    return false;
}

bool rasterize_object(const uint8_t*, std::size_t, const std::string&, int, Raster*,
                      std::string* err) {
    *err = kNoPng;
    return false;
}

#endif

} // namespace png
