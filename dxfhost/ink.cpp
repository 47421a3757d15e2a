// ink.cpp: lays round-ended pieces onto the pixels (see ink.h).
//
// Each row of pixels that a piece reaches is looked at only around the part of the piece within
// reach of it. A stroke's coverage of each pixel is the largest of its pieces' (the pieces of one
// stroke overlap at every joint); at its end the stroke is laid over the picture as black ink of
// that opacity, as an SVG renderer lays one path over the paths before it.
#include "dxfhost/ink.h"

#include <algorithm>
#include <cmath>

namespace ink {

namespace {

// A pixel this dark takes no more ink: a few grey levels are not seen, and dense drawings
// leave most of their pixels this dark long before their last records.
constexpr unsigned kBlack = 8;

// Lays one piece, row by row: each row looks only at the pixels the piece may reach there.
void lay(Canvas& c, double x0, double y0, double x1, double y1) {
    const double r = c.half_width;
    const double reach = r + 0.5; // beyond this distance a pixel centre gets no ink
    const double reach2 = reach * reach;
    const double scale = Canvas::kSteps / reach2;
    // Bounds are held to the canvas before they become whole numbers.
    const double h = c.height, w = c.width;
    // (Held at 0 or above, or just below, a truncation does what floor would, and costs less;
    // a last column or row one too many is only looked at.)
    const int top = int(std::clamp(std::min(y0, y1) - reach, 0.0, h));
    const int bottom = int(std::clamp(std::max(y0, y1) + reach, -1.0, h - 1));
    const double dx = x1 - x0, dy = y1 - y0;
    const double len2 = dx * dx + dy * dy;
    const double inv = len2 > 0 ? 1.0 / len2 : 0.0;
    const double inv_dy = dy != 0 ? 1.0 / dy : 0.0;
    for (int y = top; y <= bottom; ++y) {
        const double cy = y + 0.5;
        // The part of the piece within reach of this row, and the columns around it.
        double ta = 0, tb = 1;
        if (dy != 0) {
            ta = (cy - reach - y0) * inv_dy;
            tb = (cy + reach - y0) * inv_dy;
            if (ta > tb) {
                std::swap(ta, tb);
            }
            ta = std::max(ta, 0.0);
            tb = std::min(tb, 1.0);
        }
        const double xa = x0 + ta * dx, xb = x0 + tb * dx;
        const int left = int(std::clamp(std::min(xa, xb) - reach, 0.0, w));
        const int right = int(std::clamp(std::max(xa, xb) + reach, -1.0, w - 1));
        const std::size_t at = std::size_t(y) * std::size_t(c.stride);
        uint8_t* row = c.pixels + at;
        uint8_t* cover_row = c.cover.data() + at;
        // Along the row the parameter of the nearest point grows by a fixed step.
        const double fy = cy - y0;
        const double step = dx * inv;
        double along = ((left + 0.5 - x0) * dx + fy * dy) * inv;
        for (int x = left; x <= right; ++x, along += step) {
            if (row[x] < kBlack) {
                continue; // as good as black already
            }
            const double t = std::clamp(along, 0.0, 1.0);
            const double ex = x0 + t * dx - (x + 0.5), ey = t * dy - fy;
            const double d2 = ex * ex + ey * ey;
            if (d2 >= reach2) {
                continue;
            }
            const uint8_t cover = c.ink[int(d2 * scale)];
            if (cover > cover_row[x]) {
                if (cover_row[x] == 0) {
                    c.touched.push_back(uint32_t(at + std::size_t(x)));
                }
                cover_row[x] = cover;
            }
        }
    }
}

} // namespace

void set_half_width(Canvas& c, double half_width) {
    c.half_width = half_width;
    const double r = half_width, reach = r + 0.5;
    for (int i = 0; i <= Canvas::kSteps; ++i) {
        // The middle of the step's range of squared distances.
        const double d = std::sqrt((i + 0.5) * reach * reach / Canvas::kSteps);
        // The part of the pixel's width that a band of half width r at distance d covers.
        const double cover = std::clamp(std::min(d + r, 0.5) - std::max(d - r, -0.5), 0.0, 1.0);
        c.ink[i] = uint8_t(int(cover * 255.0 + 0.5));
    }
    c.ink[Canvas::kSteps] = 0;
    c.cover.assign(std::size_t(c.stride) * std::size_t(c.height), 0);
    c.touched.clear();
}

void end_stroke(Canvas& c) {
    for (uint32_t i : c.touched) {
        uint8_t& px = c.pixels[i];
        uint8_t& cover = c.cover[i];
        px = uint8_t((unsigned(px) * (255u - cover) + 127u) / 255u);
        cover = 0;
    }
    c.touched.clear();
}

void piece(Canvas& c, double x0, double y0, double x1, double y1) {
    if (!std::isfinite(x0) || !std::isfinite(y0) || !std::isfinite(x1) || !std::isfinite(y1)) {
        return;
    }
    const double reach = c.half_width + 0.5;
    // Wholly outside the canvas: nothing to do, however long it is.
    if (std::max(x0, x1) + reach < 0 || std::min(x0, x1) - reach > c.width ||
        std::max(y0, y1) + reach < 0 || std::min(y0, y1) - reach > c.height) {
        return;
    }
    lay(c, x0, y0, x1, y1);
}

} // namespace ink
