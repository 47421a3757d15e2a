// paint.cpp: strokes an object's records on a cairo image surface (see paint.h).
//
// Receives the block's bytes. The page is laid over the picture as an SVG renderer fits a
// document to its viewport (the same scale on both axes, centred), so that one page unit maps
// to the same pixels as in the SVG picture. Records are walked once, in place; every grid point
// goes through svg::to_page, an arc becomes straight pieces within a fifth of a pixel of it,
// and the pieces are inked straight onto the surface's pixels (ink.h): all records share one
// thin black round-capped stroke, which a general scan converter would draw many times slower.
// cairo makes the surface, sets the texts and writes the PNG.
#include "dxfhost/paint.h"

#if defined(DXFHOST_HAVE_PNG)

#include <cmath>
#include <vector>

#include "dxfhost/ink.h"
#include "dxfhost/object_walk.h"
#include "dxfhost/png.h"
#include "dxfhost/svg.h"
#include "dxfhost/utf8.h"

namespace paint {

namespace {

constexpr double kGrid = 16384.0;
constexpr double kPi = 3.14159265358979323846;
constexpr double kTolerance = 0.2; // pixels an arc's pieces may stray from the arc
constexpr double kShortest = 0.25; // pixels of the shortest piece inked on its own

// Lays the records' paths onto the pixels, in pixel coordinates.
struct Painter {
    ink::Canvas canvas;
    svg::Page page;
    double scale = 1, tx = 0, ty = 0; // page units to pixels
    VOH box{};
    bool have_point = false; // a subpath of the current record is open
    bool pending = false;    // the subpath has gone on from `at` to `tip`, not inked yet
    svg::Point tip;          // its current point, when pending
    svg::Point at;           // its current point, in pixels

    // The subpath goes on to p. Pieces shorter than kShortest go on into the next one, which
    // starts where the last inked one ended: deeply nested blocks are mostly made of them.
    void to(svg::Point p) {
        const double dx = p.x - at.x, dy = p.y - at.y;
        if (dx * dx + dy * dy < kShortest * kShortest) {
            tip = p;
            pending = true;
            return;
        }
        ink::piece(canvas, at.x, at.y, p.x, p.y);
        at = p;
        pending = false;
    }
    // Inks what the subpath still owes (a dot, for a subpath of no length).
    void settle() {
        if (pending) {
            ink::piece(canvas, at.x, at.y, tip.x, tip.y);
            pending = false;
        }
    }
    void end_record() {
        settle();
        ink::end_stroke(canvas);
    }

    void begin_record(const VOH& head) {
        end_record();
        box = head;
        have_point = false;
    }
    svg::Point pixel(double x, double y) const {
        const svg::Point p = svg::to_page(page, box, x, y);
        return svg::Point{tx + p.x * scale, ty + p.y * scale};
    }
    void move(double x, double y) {
        settle();
        at = pixel(x, y);
        have_point = true;
    }
    void line(double x, double y) {
        const svg::Point p = pixel(x, y);
        if (have_point) {
            to(p);
        } else {
            at = p;
        }
        have_point = true;
    }
    void line_to(svg::Point grid) {
        const svg::Point p = pixel(grid.x, grid.y);
        to(p);
    }

    // One arc element, as svg::path_data draws it.
    void arc(const int16_t* w) {
        const double cx = w[0], cy = w[1], rx = w[2], ry = w[3];
        const int a0 = w[4], a1 = w[5];
        const int sweep = svg::arc_sweep(a0, a1);
        const bool full = sweep == 360;

        const svg::Point start = svg::arc_point(cx, cy, rx, ry, a0);
        move(start.x, start.y);
        if (sweep == 0) {
            return;
        }
        // Page units per record grid unit on each axis (never negative).
        const double kx = box.width / kGrid * page.area_w / kGrid;
        const double ky = box.height / kGrid * page.area_h / kGrid;
        if (kx * std::fabs(rx) == 0 || ky * std::fabs(ry) == 0) {
            // A flat ellipse: a segment run back and forth, turning at the multiples of 90.
            const int first = a0 - ((a0 % 90) + 90) % 90 + 90;
            for (int a = first; a < a0 + sweep; a += 90) {
                line_to(svg::arc_point(cx, cy, rx, ry, a));
            }
            line_to(svg::arc_point(cx, cy, rx, ry, a0 + sweep));
            return;
        }
        // E(t) = C + (ax cos t, -ay sin t) in pixels, t growing from a0, in pieces short enough
        // to stay within the tolerance of the arc.
        const svg::Point c = pixel(cx, cy);
        const double ax = kx * rx * scale, ay = ky * ry * scale;
        const double radius = std::max(std::fabs(ax), std::fabs(ay));
        const double step = radius > kTolerance ? 2 * std::acos(1 - kTolerance / radius) : kPi / 2;
        const double span = sweep * kPi / 180.0;
        const int pieces = std::max((sweep + 89) / 90, int(std::ceil(span / step)));
        const double t0 = a0 * kPi / 180.0;
        for (int i = 1; i < pieces; ++i) {
            const double t = t0 + span * i / pieces;
            const svg::Point p{c.x + ax * std::cos(t), c.y - ay * std::sin(t)};
            to(p);
        }
        line_to(svg::arc_point(cx, cy, rx, ry, a0 + sweep));
    }
};

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

} // namespace

cairo_surface_t* draw(const uint8_t* object, std::size_t size, const std::string& note, int width,
                      std::string* err) {
    if (width < 1 || width > png::kMaxSide) {
        *err = "the width must lie between 1 and " + std::to_string(png::kMaxSide) + " pixels";
        return nullptr;
    }
    view::Walk walk = view::start_walk(object, size);
    Painter p;
    p.page = svg::page_for(walk.shape.head.bestw, walk.shape.head.besth);
    width = png::width_for(p.page.width, p.page.height, width);
    const int height = png::height_for(p.page.width, p.page.height, width);

    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
    if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
        *err = std::string("the picture cannot be made: ") +
               cairo_status_to_string(cairo_surface_status(surface));
        cairo_surface_destroy(surface);
        return nullptr;
    }
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);
    cairo_surface_flush(surface);

    // The page fitted to the picture, centred, as an SVG document is fitted to its viewport;
    // the stroke is one page unit wide.
    p.scale = std::fmin(width / p.page.width, height / p.page.height);
    p.tx = (width - p.page.width * p.scale) / 2;
    p.ty = (height - p.page.height * p.scale) / 2;
    std::vector<uint8_t> grey(std::size_t(width) * std::size_t(height), 255);
    p.canvas.pixels = grey.data();
    p.canvas.width = width;
    p.canvas.height = height;
    p.canvas.stride = width;
    ink::set_half_width(p.canvas, p.scale / 2);

    view::RecordRef rec;
    view::ElementRef el;
    while (view::next_record(walk, &rec)) {
        p.begin_record(rec.head);
        view::ElementCursor c = view::elements_of(rec);
        while (view::next_element(c, &el)) {
            const int16_t* a = el.args();
            switch (el.code) {
            case view::EL_MOVE:
                p.move(a[0], a[1]);
                break;
            case view::EL_LINE:
                p.line(a[0], a[1]);
                break;
            case view::EL_ARC:
                p.arc(a);
                break;
            default:
                break;
            }
        }
    }
    p.end_record();
    // The grey picture onto the surface: black ink on the white page.
    uint8_t* data = cairo_image_surface_get_data(surface);
    const int stride = cairo_image_surface_get_stride(surface);
    for (int y = 0; y < height; ++y) {
        uint32_t* row = reinterpret_cast<uint32_t*>(data + std::size_t(y) * stride);
        const uint8_t* from = grey.data() + std::size_t(y) * width;
        for (int x = 0; x < width; ++x) {
            row[x] = from[x] * 0x010101u;
        }
    }
    std::vector<uint8_t>().swap(grey);
    cairo_surface_mark_dirty(surface);

    // The texts in page units, as the SVG picture places them.
    cairo_translate(cr, p.tx, p.ty);
    cairo_scale(cr, p.scale, p.scale);
    const svg::Page& page = p.page;
    if (walk.shape.damage) {
        text(cr, page.margin, page.margin * 0.8, page.margin * 0.75,
             "unfinished object: " + walk.shape.damage->what);
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

} // namespace paint

#endif
