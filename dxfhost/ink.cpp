// ink.cpp: lays round-ended pieces onto the pixels (see ink.h).
//
// Each row of pixels that a piece reaches is looked at only around the part of the piece within
// reach of it, and not at all where the runs of cells there are black already. A stroke's
// coverage of each pixel is the largest of its pieces' (the pieces of one stroke overlap at
// every joint); at its end the stroke is laid over the picture as black ink of that opacity, as
// an SVG renderer lays one path over the paths before it.
#include "dxfhost/ink.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace ink {

namespace {

// A pixel this dark takes no more ink: a few grey levels are not seen, and dense drawings
// leave most of their pixels this dark long before their last records.
constexpr unsigned kBlack = 8;
constexpr int kLargest = 16384;   // pixels a side
constexpr std::size_t kLine = 64; // bytes of a cache line

// True when every cell of the row from column left to right is as good as black.
bool black_between(const Canvas& c, std::size_t at, int left, int right) {
    const uint8_t* dark = c.dark.data() + at / Canvas::kRun;
    for (int run = left / Canvas::kRun; run <= right / Canvas::kRun; ++run) {
        if (dark[run] != Canvas::kRun) {
            return false;
        }
    }
    return true;
}

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
    const double step = dx * inv; // along the row the parameter of the nearest point grows so
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
        if (left > right) {
            continue;
        }
        const std::size_t at = std::size_t(y) * std::size_t(c.stride);
        if (black_between(c, at, left, right)) {
            continue;
        }
        uint16_t* row = c.cells + at;
        const double fy = cy - y0;
        double along = ((left + 0.5 - x0) * dx + fy * dy) * inv;
        for (int x = left; x <= right; ++x, along += step) {
            const unsigned cell = row[x];
            if ((cell & 0xFFu) < kBlack) {
                continue; // as good as black already
            }
            const double t = std::clamp(along, 0.0, 1.0);
            const double ex = x0 + t * dx - (x + 0.5), ey = t * dy - fy;
            const double d2 = ex * ex + ey * ey;
            if (d2 >= reach2) {
                continue;
            }
            const unsigned cover = c.ink[int(d2 * scale)];
            const unsigned had = cell >> 8;
            if (cover > had) {
                if (had == 0) {
                    c.touched.push_back(uint32_t(at + std::size_t(x)));
                }
                row[x] = uint16_t((cell & 0xFFu) | (cover << 8));
            }
        }
    }
}

} // namespace

bool start(Canvas& c, int width, int height, double half_width) {
    if (width < 1 || width > kLargest || height < 1 || height > kLargest) {
        return false;
    }
    c.width = width;
    c.height = height;
    c.stride = (width + Canvas::kRun - 1) / Canvas::kRun * Canvas::kRun;
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
    const std::size_t cells = std::size_t(c.stride) * std::size_t(height);
    c.store.assign(cells + Canvas::kRun, 0);
    const auto address = reinterpret_cast<std::uintptr_t>(c.store.data());
    c.cells = c.store.data() + (kLine - address % kLine) % kLine / sizeof(uint16_t);
    // White pixels; the cells that only pad a row out to a whole run count as black, so that
    // a row's last run can be black too.
    for (int y = 0; y < height; ++y) {
        std::fill_n(c.cells + std::size_t(y) * std::size_t(c.stride), width, uint16_t(255));
    }
    c.dark.assign(cells / Canvas::kRun, 0);
    const int padding = c.stride - width;
    for (int y = 0; y < height && padding > 0; ++y) {
        c.dark[(std::size_t(y) + 1) * std::size_t(c.stride) / Canvas::kRun - 1] = uint8_t(padding);
    }
    c.touched.clear();
    return true;
}

void end_stroke(Canvas& c) {
    for (uint32_t i : c.touched) {
        const unsigned cell = c.cells[i];
        const unsigned px = cell & 0xFFu, cover = cell >> 8;
        const unsigned now = (px * (255u - cover) + 127u) / 255u;
        c.cells[i] = uint16_t(now);
        if (now < kBlack) {
            ++c.dark[i / Canvas::kRun]; // it was not, or it would have taken no ink
        }
    }
    c.touched.clear();
}

void combine(Canvas& c, const Canvas& other) {
    for (int y = 0; y < c.height; ++y) {
        const std::size_t at = std::size_t(y) * std::size_t(c.stride);
        uint16_t* row = c.cells + at;
        const uint16_t* from = other.cells + at;
        for (int x = 0; x < c.width; ++x) {
            const unsigned px = row[x] & 0xFFu;
            const unsigned now = (px * (from[x] & 0xFFu) + 127u) / 255u;
            row[x] = uint16_t(now);
            if (px >= kBlack && now < kBlack) {
                ++c.dark[(at + std::size_t(x)) / Canvas::kRun];
            }
        }
    }
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
