// png_file.cpp: the PNG encoder (see png_file.h).
//
// libpng reports errors by a long jump back to where the encoding began; nothing between that
// point and the jump owns memory that a destructor would have to free, the row buffer being
// handed in by the caller.
#include "dxfhost/png_file.h"

#if defined(DXFHOST_HAVE_PNG)

#include <csetjmp>
#include <vector>

#include <png.h>
#include <zlib.h>

namespace png {

namespace {

void on_error(png_structp png, png_const_charp message) {
    const char** why = static_cast<const char**>(png_get_error_ptr(png));
    if (why != nullptr) {
        *why = message; // libpng's messages are static texts or kept in the struct
    }
    png_longjmp(png, 1);
}

void on_warning(png_structp, png_const_charp) {}

// True when every pixel is a grey level (red, green and blue alike): a drawing's strokes are
// black on white, and only the texts bring colour.
bool all_grey(const uint8_t* pixels, int width, int height, int stride) {
    for (int y = 0; y < height; ++y) {
        const uint32_t* src = reinterpret_cast<const uint32_t*>(pixels + std::size_t(y) * stride);
        uint32_t colour = 0;
        for (int x = 0; x < width; ++x) {
            const uint32_t px = src[x];
            colour |= (px ^ (px >> 8)) & 0xFFFFu; // red against green, green against blue
        }
        if (colour != 0) {
            return false;
        }
    }
    return true;
}

bool encode_rows(png_structp png, png_infop info, const uint8_t* pixels, int width, int height,
                 int stride, bool grey, std::FILE* out, png_bytep row) {
    if (setjmp(png_jmpbuf(png))) {
        return false;
    }
    png_init_io(png, out);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8,
                 grey ? PNG_COLOR_TYPE_GRAY : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, Z_BEST_SPEED);
    // A grey picture is runs of black and of white, which run-length matching finds at a
    // fraction of the cost of a search for repeats, and in fewer bytes.
    if (grey) {
        png_set_compression_strategy(png, Z_RLE);
    }
    png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_NONE);
    png_write_info(png, info);
    for (int y = 0; y < height; ++y) {
        const uint32_t* src = reinterpret_cast<const uint32_t*>(pixels + std::size_t(y) * stride);
        if (grey) {
            for (int x = 0; x < width; ++x) {
                row[x] = png_byte(src[x]);
            }
        } else {
            for (int x = 0; x < width; ++x) {
                row[3 * x] = png_byte(src[x] >> 16);
                row[3 * x + 1] = png_byte(src[x] >> 8);
                row[3 * x + 2] = png_byte(src[x]);
            }
        }
        png_write_row(png, row);
    }
    png_write_end(png, info);
    return true;
}

} // namespace

bool encode(const uint8_t* pixels, int width, int height, int stride, std::FILE* out,
            const char** why) {
    *why = nullptr;
    std::vector<png_byte> row(std::size_t(width) * 3);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, why, on_error, on_warning);
    if (png == nullptr) {
        *why = "libpng cannot start";
        return false;
    }
    png_infop info = png_create_info_struct(png);
    const bool grey = all_grey(pixels, width, height, stride);
    const bool ok = info != nullptr &&
                    encode_rows(png, info, pixels, width, height, stride, grey, out, row.data());
    png_destroy_write_struct(&png, &info);
    return ok;
}

} // namespace png

#endif
