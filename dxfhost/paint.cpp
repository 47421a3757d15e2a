// paint.cpp: strokes an object's records on a cairo image surface (see paint.h).
//
// Receives the block's bytes. The page is laid over the picture as an SVG renderer fits a
// document to its viewport (the same scale on both axes, centred), so that one page unit maps
// to the same pixels as in the SVG picture. Records are walked in place and added to one cairo
// path, which is stroked whenever it has grown to a few thousand elements and at the end: all
// records share one style, so a stroke covers many of them. Every grid point goes through
// svg::to_page; an arc becomes cubic Bezier pieces of at most 90 degrees in page units.
#include "dxfhost/paint.h"

#if defined(DXFHOST_HAVE_PNG)

#include <cmath>

#include "dxfhost/object_walk.h"
#include "dxfhost/png.h"
#include "dxfhost/svg.h"
#include "dxfhost/utf8.h"

namespace paint {

namespace {

constexpr double kGrid = 16384.0;
constexpr double kPi = 3.14159265358979323846;
constexpr std::size_t kElementsPerStroke = 4096;

// Builds the path of the records and strokes it in pieces.
struct Painter {
    cairo_t* cr = nullptr;
    svg::Page page;
    VOH box{};
    bool have_point = false; // a subpath of the current record is open
    std::size_t pending = 0; // elements in the path not stroked yet

    void begin_record(const VOH& head) {
        box = head;
        have_point = false;
    }
    void move(double x, double y) {
        const svg::Point p = svg::to_page(page, box, x, y);
        cairo_move_to(cr, p.x, p.y);
        have_point = true;
    }
    void line(double x, double y) {
        const svg::Point p = svg::to_page(page, box, x, y);
        if (have_point) {
            cairo_line_to(cr, p.x, p.y);
        } else {
            cairo_move_to(cr, p.x, p.y);
        }
        have_point = true;
    }
    void line_to(svg::Point grid) {
        const svg::Point p = svg::to_page(page, box, grid.x, grid.y);
        cairo_line_to(cr, p.x, p.y);
    }

    // One arc element, as svg::path_data draws it.
    void arc(const int16_t* w) {
        const double cx = w[0], cy = w[1], rx = w[2], ry = w[3];
        const int a0 = w[4], a1 = w[5];
        const int d = a1 - a0;
        const bool full = d != 0 && d % 360 == 0;
        const int sweep = full ? 360 : ((d % 360) + 360) % 360;

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
        // E(t) = C + (ax cos t, -ay sin t) on the page, t growing from a0.
        const double ax = kx * rx, ay = ky * ry;
        const int pieces = (sweep + 89) / 90;
        const double step = double(sweep) / pieces;
        const double h = 4.0 / 3.0 * std::tan(step * kPi / 180.0 / 4.0);
        double t0 = a0;
        svg::Point p0 = svg::to_page(page, box, start.x, start.y);
        for (int i = 1; i <= pieces; ++i) {
            const double t1 = i == pieces ? double(a0 + sweep) : a0 + step * i;
            const svg::Point g1 = svg::arc_point(cx, cy, rx, ry, t1);
            const svg::Point p1 = svg::to_page(page, box, g1.x, g1.y);
            const double r0 = t0 * kPi / 180.0, r1 = t1 * kPi / 180.0;
            // dE/dt = (-ax sin t, -ay cos t)
            cairo_curve_to(cr, p0.x - h * ax * std::sin(r0), p0.y - h * ay * std::cos(r0),
                           p1.x + h * ax * std::sin(r1), p1.y + h * ay * std::cos(r1), p1.x, p1.y);
            p0 = p1;
            t0 = t1;
        }
    }

    // Strokes what the path holds once it is long enough (or always, with force). A subpath cut
    // here goes on from the same point.
    void stroke(bool force) {
        if (pending == 0 || (!force && pending < kElementsPerStroke)) {
            return;
        }
        double x = 0, y = 0;
        const bool open = have_point && cairo_has_current_point(cr);
        if (open) {
            cairo_get_current_point(cr, &x, &y);
        }
        cairo_stroke(cr);
        if (open) {
            cairo_move_to(cr, x, y);
        }
        pending = 0;
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
    p.cr = cr;
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_paint(cr);

    // The page fitted to the picture, centred, as an SVG document is fitted to its viewport.
    const double scale = std::fmin(width / p.page.width, height / p.page.height);
    cairo_translate(cr, (width - p.page.width * scale) / 2, (height - p.page.height * scale) / 2);
    cairo_scale(cr, scale, scale);
    cairo_set_source_rgb(cr, 0, 0, 0);
    cairo_set_line_width(cr, 1.0);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);

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
            ++p.pending;
            p.stroke(false);
        }
    }
    p.stroke(true);
    cairo_new_path(cr);

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
