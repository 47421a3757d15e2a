// paint_records.cpp: the records' paths laid onto a canvas (see paint_records.h).
//
// A record's grid maps to the pixels by one scale and one offset on each axis, worked out once
// per record (svg::to_page followed by the page's fit to the picture). The elements are read in
// place from the path the walk has checked. An arc's points come from turning the previous one
// by the same small angle, which gives the points of the cosines and sines of each angle to far
// below a pixel at a fraction of their cost.
#include "dxfhost/paint_records.h"

#include <algorithm>
#include <cmath>

#include "dxfhost/object_view.h"

namespace paint {

namespace {

constexpr double kGrid = 16384.0;
constexpr double kPi = 3.14159265358979323846;
constexpr double kTolerance = 0.2; // pixels an arc's pieces may stray from the arc
constexpr double kShortest = 0.25; // pixels of the shortest piece inked on its own

int16_t word_at(const uint8_t* p) {
    return int16_t(uint16_t(p[0] | (p[1] << 8)));
}

// Lays the records' paths onto the pixels, in pixel coordinates.
struct Painter {
    ink::Canvas* canvas = nullptr;
    const Mapping* m = nullptr;
    VOH box{};
    double kx = 0, ky = 0;   // pixels per record grid unit on each axis (never negative)
    double ox = 0, oy = 0;   // the pixel of the record grid's origin
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
        ink::piece(*canvas, at.x, at.y, p.x, p.y);
        at = p;
        pending = false;
    }
    // Inks what the subpath still owes (a dot, for a subpath of no length).
    void settle() {
        if (pending) {
            ink::piece(*canvas, at.x, at.y, tip.x, tip.y);
            pending = false;
        }
    }
    void end_record() {
        settle();
        ink::end_stroke(*canvas);
    }

    void begin_record(const VOH& head) {
        end_record();
        box = head;
        have_point = false;
        const svg::Page& page = m->page;
        kx = head.width / kGrid * page.area_w / kGrid * m->scale;
        ky = head.height / kGrid * page.area_h / kGrid * m->scale;
        ox = m->tx + (page.margin + head.xpos * page.area_w / kGrid) * m->scale;
        oy = m->ty + (page.margin + head.ypos * page.area_h / kGrid) * m->scale;
    }
    svg::Point pixel(double x, double y) const { return svg::Point{ox + kx * x, oy + ky * y}; }
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
    void line_to(svg::Point grid) { to(pixel(grid.x, grid.y)); }

    // One arc element (cx, cy, rx, ry, a0, a1), as svg::path_data draws it.
    void arc(const int16_t* w) {
        const double cx = w[0], cy = w[1], rx = w[2], ry = w[3];
        const int a0 = w[4], a1 = w[5];
        const int sweep = svg::arc_sweep(a0, a1);

        const svg::Point start = svg::arc_point(cx, cy, rx, ry, a0);
        move(start.x, start.y);
        if (sweep == 0) {
            return;
        }
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
        const double ax = kx * rx, ay = ky * ry;
        const double radius = std::max(std::fabs(ax), std::fabs(ay));
        const double step = radius > kTolerance ? 2 * std::acos(1 - kTolerance / radius) : kPi / 2;
        const double span = sweep * kPi / 180.0;
        const int pieces = std::max((sweep + 89) / 90, int(std::ceil(span / step)));
        const double t0 = a0 * kPi / 180.0, turn = span / pieces;
        const double turn_cos = std::cos(turn), turn_sin = std::sin(turn);
        double cos_t = std::cos(t0), sin_t = std::sin(t0);
        for (int i = 1; i < pieces; ++i) {
            const double next_cos = cos_t * turn_cos - sin_t * turn_sin;
            sin_t = sin_t * turn_cos + cos_t * turn_sin;
            cos_t = next_cos;
            to(svg::Point{c.x + ax * cos_t, c.y - ay * sin_t});
        }
        line_to(svg::arc_point(cx, cy, rx, ry, a0 + sweep));
    }

    // The elements of a record whose path the walk has checked.
    void path(const view::RecordRef& rec) {
        const uint8_t* p = rec.path;
        const uint8_t* const end = rec.path + rec.path_size;
        int16_t a[6];
        while (end - p >= 2) {
            switch (word_at(p)) {
            case view::EL_MOVE:
                move(word_at(p + 2), word_at(p + 4));
                p += 6;
                break;
            case view::EL_LINE:
                line(word_at(p + 2), word_at(p + 4));
                p += 6;
                break;
            case view::EL_ARC:
                for (int i = 0; i < 6; ++i) {
                    a[i] = word_at(p + 2 + 2 * i);
                }
                arc(a);
                p += 14;
                break;
            default: // the end of the path (the walk lets no other code through)
                return;
            }
        }
    }
};

} // namespace

void ink_records(view::Walk& walk, uint64_t until, const Mapping& m, ink::Canvas& canvas) {
    Painter p;
    p.canvas = &canvas;
    p.m = &m;
    view::RecordRef rec;
    while (walk.off < until && view::next_record(walk, &rec)) {
        p.begin_record(rec.head);
        p.path(rec);
    }
    p.end_record();
    ink::finish(canvas);
}

bool middle_record(const view::Walk& walk, uint64_t* offset, std::size_t* index) {
    if (walk.done) {
        return false;
    }
    // As next_record reads a record's type and size; its path is checked when it is inked.
    const uint64_t middle = walk.off + (walk.total - walk.off) / 2;
    uint64_t off = walk.off;
    std::size_t n = walk.shape.records;
    while (off < middle) {
        if (off + view::kRecordHeaderSize > walk.total ||
            word_at(walk.bytes + off) != view::REC_VECTOR) {
            return false;
        }
        VOH head;
        std::copy_n(walk.bytes + off, sizeof head, reinterpret_cast<uint8_t*>(&head));
        const uint64_t next = head.nxtoff;
        if (next < view::kRecordHeaderSize + 2 || next % 4 != 0 || off + next > walk.total) {
            return false;
        }
        off += next;
        ++n;
    }
    if (off + 2 > walk.total || word_at(walk.bytes + off) != view::REC_VECTOR) {
        return false; // the object ends at or just after the middle: nothing to share
    }
    *offset = off;
    *index = n;
    return true;
}

} // namespace paint
