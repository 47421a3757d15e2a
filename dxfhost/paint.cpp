// paint.cpp: strokes an object's records on a cairo image surface (see paint.h).
//
// Receives the block's bytes. The page is laid over the picture as an SVG renderer fits a
// document to its viewport (the same scale on both axes, centred), so that one page unit maps
// to the same pixels as in the SVG picture. Records are walked once, in place, and inked
// straight onto grey pixels (paint_records.h, ink.h): all records share one thin black
// round-capped stroke, which a general scan converter would draw many times slower. Where the
// tool chain has threads and the picture is not too large, the object's second half is inked
// on another processor, on a canvas of its own, and the two canvases are combined as the rows
// are read: strokes
// darken pixels in any order alike. cairo makes the surface and sets the texts, for pictures
// that have texts.
#include "dxfhost/paint.h"

#if defined(DXFHOST_HAVE_PNG)

#include <cmath>
#include <cstdint>
#include <exception>
#include <optional>
#include <vector>

#if defined(_GLIBCXX_HAS_GTHREADS) || !defined(__GLIBCXX__)
#include <thread>
#define DXFHOST_PAINT_THREADS 1
#endif

#include "dxfhost/ink.h"
#include "dxfhost/object_walk.h"
#include "dxfhost/paint_records.h"
#include "dxfhost/png.h"
#include "dxfhost/svg.h"
#include "dxfhost/utf8.h"

namespace paint {

namespace {

// Text as the SVG picture carries it (control characters as '?'), made valid UTF-8 for cairo.
std::string shown_text(const std::string& text) {
    std::string out = text;
    for (char& c : out) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 && u != '\t' && u != '\n' && u != '\r') {
            c = '?';
        }
    }
    return utf8::valid(out);
}

void text(cairo_t* cr, double x, double y, double size, const std::string& s) {
    cairo_select_font_face(cr, "sans-serif", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, size);
    cairo_set_source_rgb(cr, 0xC0 / 255.0, 0, 0);
    cairo_move_to(cr, x, y);
    cairo_show_text(cr, shown_text(s).c_str());
    cairo_new_path(cr);
}

#if defined(DXFHOST_PAINT_THREADS)
// Pictures of at most this many pixels are inked on two processors: the second canvas takes
// two bytes a pixel, a few MB at the usual sizes.
constexpr double kSharedPixels = 4.2e6;
#endif

// Inks all the records the walk hands on onto canvas; the walk ends where the object ends or
// breaks, and tells it in its shape. False, with the reason in *err, when memory runs out.
bool ink_object(view::Walk& walk, const Mapping& m, Picture* pic, std::string* err) {
    ink::Canvas& canvas = pic->canvas;
#if defined(DXFHOST_PAINT_THREADS)
    uint64_t middle = 0;
    std::size_t index = 0;
    if (double(canvas.width) * canvas.height <= kSharedPixels &&
        middle_record(walk, &middle, &index)) {
        // The second half goes on from the record in the middle, as the walk would reach it.
        view::Walk second = walk;
        const uint64_t elements_before = walk.shape.elements;
        second.off = middle;
        second.shape.records = index;
        ink::Canvas& other = pic->second;
        bool second_failed = false;
        auto second_half = [&] {
            try {
                ink::start(other, canvas.width, canvas.height, canvas.half_width);
                ink_records(second, UINT64_MAX, m, other);
            } catch (const std::exception&) {
                second_failed = true;
            }
        };
        std::optional<std::thread> beside;
        try {
            beside.emplace(second_half);
        } catch (const std::exception&) {
            // No thread to be had: the halves one after the other.
        }
        try {
            ink_records(walk, middle, m, canvas);
        } catch (...) {
            if (beside) {
                beside->join();
            }
            throw;
        }
        if (beside) {
            beside->join();
        } else if (!walk.done) {
            second_half();
        }
        if (second_failed) {
            *err = "the picture cannot be drawn: out of memory";
            return false;
        }
        // The second half belongs to the picture only when the first led soundly to it.
        if (!walk.done) {
            pic->two = true;
            // Both walks counted the elements before the first record once.
            second.shape.elements += walk.shape.elements - elements_before;
            walk = std::move(second);
        }
        return true;
    }
#endif
    (void)err;
    ink_records(walk, UINT64_MAX, m, canvas);
    return true;
}

} // namespace

void grey_row(const Picture& pic, int y, uint8_t* out) {
    ink::grey_row(pic.canvas, pic.two ? &pic.second : nullptr, y, out);
}

bool ink_picture(const uint8_t* object, std::size_t size, int width, Picture* pic,
                 std::string* err) {
    if (width < 1 || width > png::kMaxSide) {
        *err = "the width must lie between 1 and " + std::to_string(png::kMaxSide) + " pixels";
        return false;
    }
    view::Walk walk = view::start_walk(object, size);
    Mapping& m = pic->mapping;
    m.page = svg::page_for(walk.shape.head.bestw, walk.shape.head.besth);
    width = png::width_for(m.page.width, m.page.height, width);
    const int height = png::height_for(m.page.width, m.page.height, width);

    // The page fitted to the picture, centred, as an SVG document is fitted to its viewport;
    // the stroke is one page unit wide.
    m.scale = std::fmin(width / m.page.width, height / m.page.height);
    m.tx = (width - m.page.width * m.scale) / 2;
    m.ty = (height - m.page.height * m.scale) / 2;
    if (!ink::start(pic->canvas, width, height, m.scale / 2)) {
        *err = "the picture cannot be made: it would be " + std::to_string(width) + " x " +
               std::to_string(height) + " pixels";
        return false;
    }
    if (!ink_object(walk, m, pic, err)) {
        return false;
    }
    pic->damaged = walk.shape.damage.has_value();
    if (pic->damaged) {
        pic->damage = walk.shape.damage->what;
    }
    return true;
}

cairo_surface_t* to_surface(const Picture& pic, const std::string& note, std::string* err) {
    const ink::Canvas& canvas = pic.canvas;
    const int width = canvas.width, height = canvas.height;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        *err = std::string("the picture cannot be made: ") +
               cairo_status_to_string(cairo_surface_status(surface));
        cairo_surface_destroy(surface);
        return nullptr;
    }
    // The grey picture onto the surface (every pixel of it): black ink on the white page.
    cairo_surface_flush(surface);
    uint8_t* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    std::vector<uint8_t> grey(static_cast<std::size_t>(width));
    for (int y = 0; y < height; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(data + std::size_t(y) * stride);
        grey_row(pic, y, grey.data());
        for (int x = 0; x < width; ++x) {
            row[x] = grey[std::size_t(x)] * 0x010101u;
        }
    }
    cairo_surface_mark_dirty(surface);

    // The texts in page units, as the SVG picture places them.
    const Mapping& m = pic.mapping;
    cairo_t* cr = cairo_create(surface);
    cairo_translate(cr, m.tx, m.ty);
    cairo_scale(cr, m.scale, m.scale);
    const svg::Page& page = m.page;
    if (pic.damaged) {
        text(cr, page.margin, page.margin * 0.8, page.margin * 0.75,
             "unfinished object: " + pic.damage);
    }
    if (!note.empty()) {
        text(cr, page.margin, page.height - page.margin * 0.25, page.margin * 0.6, note);
    }
    const cairo_status_t st = cairo_status(cr);
    cairo_destroy(cr);
    if (st != CAIRO_STATUS_SUCCESS) {
        *err = std::string("the picture cannot be drawn: ") + cairo_status_to_string(st);
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_surface_flush(surface);
    return surface;
}

cairo_surface_t* draw(const uint8_t* object, std::size_t size, const std::string& note, int width,
                      std::string* err) {
    Picture pic;
    if (!ink_picture(object, size, width, &pic, err)) {
        return nullptr;
    }
    return to_surface(pic, note, err);
}

} // namespace paint

#endif
