// ink.cpp: lays round-ended pieces onto the pixels (see ink.h).
//
// Each row of pixels that a piece reaches is looked at only around the part of the piece within
// reach of it, and not at all where the runs of cells there are black already. Pieces wait in
// a list until it is full, and are then laid band by band. A stroke's coverage of each pixel is
// the largest of its pieces' (the pieces of one stroke overlap at every joint); at its end the
// stroke is laid over the picture as black ink of that opacity, as an SVG renderer lays one path
// over the paths before it.
#include "dxfhost/ink.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#if defined(__SSE2__) || defined(_M_X64)
#include <emmintrin.h>
#define DXFHOST_INK_SSE2 1
#endif

namespace ink {

namespace {

// A pixel this dark takes no more ink: a few grey levels are not seen, and dense drawings
// leave most of their pixels this dark long before their last records.
constexpr unsigned kBlack = 8;
// The coverage a cell as good as black keeps, so that no stroke adds to it.
constexpr unsigned kFull = 0xFF00u;
constexpr int kLargest = 16384;         // pixels a side
constexpr std::size_t kLine = 64;       // bytes of a cache line
constexpr int kBandRows = 32;           // rows of a band: 64 KB of cells at 1024 pixels across
constexpr std::size_t kWaiting = 32768; // pieces gathered before they are laid
constexpr uint32_t kNoStroke = UINT32_MAX;
constexpr int kNarrow = 4; // columns of a piece looked at whole in every row

// The larger and the smaller of a and b, without a branch where the processor allows (for
// numbers, as std::max and std::min give them).
inline double larger(double a, double b) {
#if defined(DXFHOST_INK_SSE2)
    return _mm_cvtsd_f64(_mm_max_sd(_mm_set_sd(a), _mm_set_sd(b)));
#else
    return a > b ? a : b;
#endif
}

inline double smaller(double a, double b) {
#if defined(DXFHOST_INK_SSE2)
    return _mm_cvtsd_f64(_mm_min_sd(_mm_set_sd(a), _mm_set_sd(b)));
#else
    return a < b ? a : b;
#endif
}

// The band of row y (0 or above).
inline unsigned band_of(int y) {
    return unsigned(y) / unsigned(kBandRows);
}

// True when every cell of the row from column left to right is as good as black.
bool black_between(const Canvas& c, std::size_t at, int left, int right) {
    const uint8_t* dark = c.dark.data() + at / Canvas::kRun;
    for (unsigned run = unsigned(left) / Canvas::kRun; run <= unsigned(right) / Canvas::kRun;
         ++run) {
        if (dark[run] != Canvas::kRun) {
            return false;
        }
    }
    return true;
}

// The whole numbers k whose pixel centre k + 0.5 lies within lo to hi, held to 0 to last: into
// *first and *end (first > end when none). A pixel centre just outside is only looked at; one
// inside is never missed (the margin covers the rounding of the bounds). (The values are held
// at -1 or above before they become whole numbers, where a truncation does what floor would.)
void centres_within(double lo, double hi, double last, int* first, int* end) {
    constexpr double kMargin = 1e-6;
    *first = int(std::clamp(lo - 0.5 - kMargin, -1.0, last + 1) + 1.0);
    *end = int(std::clamp(hi - 0.5 + kMargin, -1.0, last));
}

// The rows a piece from (x0, y0) to (x1, y1) may reach, into *top and *bottom (top > bottom
// when none): those whose centres lie within reach of its span of heights.
void rows_of(const Canvas& c, double y0, double y1, int* top, int* bottom) {
    const double reach = c.half_width + 0.5;
    centres_within(std::min(y0, y1) - reach, std::max(y0, y1) + reach, c.height - 1, top, bottom);
}

// Lays one piece onto rows top to bottom, row by row: each row looks only at the pixels the
// piece may reach there.
void lay(Canvas& c, double x0, double y0, double x1, double y1, int top, int bottom) {
    const double r = c.half_width;
    const double reach = r + 0.5; // beyond this distance a pixel centre gets no ink
    const double reach2 = reach * reach;
    const double scale = Canvas::kSteps / reach2;
    const double w = c.width;
    const double dx = x1 - x0, dy = y1 - y0;
    const double len2 = dx * dx + dy * dy;
    const double inv = len2 > 0 ? 1.0 / len2 : 0.0;
    const double inv_dy = dy != 0 ? 1.0 / dy : 0.0;
    const double step = dx * inv; // along the row the parameter of the nearest point grows so
    // A level piece is all within reach of each of its rows.
    const double t_reach = dy != 0 ? reach * std::fabs(inv_dy) : HUGE_VAL;
#if defined(DXFHOST_INK_SSE2)
    const __m128d zero = _mm_setzero_pd(), one = _mm_set1_pd(1.0), two = _mm_set1_pd(2.0);
    const __m128d vx0 = _mm_set1_pd(x0), vdx = _mm_set1_pd(dx), vdy = _mm_set1_pd(dy);
    const __m128d vscale = _mm_set1_pd(scale), vreach2 = _mm_set1_pd(reach2);
    const __m128d vsteps = _mm_set1_pd(Canvas::kSteps), vstep2 = _mm_set1_pd(2 * step);
    const __m128i last_step = _mm_set1_epi32(Canvas::kSteps);
#endif
    // The columns the piece may reach at all. A piece that reaches a few only (most pieces of
    // a deeply nested drawing) looks at all of them in each row: that costs less than finding
    // the part of each row it reaches.
    int box_left = 0, box_right = 0;
    centres_within(std::min(x0, x1) - reach, std::max(x0, x1) + reach, w - 1, &box_left,
                   &box_right);
    const bool narrow = box_right - box_left < kNarrow;
    for (int y = top; y <= bottom; ++y) {
        const double cy = y + 0.5;
        const std::size_t at = std::size_t(y) * std::size_t(c.stride);
        int left = box_left, right = box_right;
        if (!narrow) {
            // The part of the piece within reach of this row, and the columns around it.
            const double t_row = (cy - y0) * inv_dy;
            const double ta = larger(t_row - t_reach, 0.0), tb = smaller(t_row + t_reach, 1.0);
            const double xa = x0 + ta * dx, xb = x0 + tb * dx;
            centres_within(std::min(xa, xb) - reach, std::max(xa, xb) + reach, w - 1, &left,
                           &right);
            if (left > right || black_between(c, at, left, right)) {
                continue;
            }
        }
        uint16_t* row = c.cells + at;
        const double fy = cy - y0;
        double along = ((left + 0.5 - x0) * dx + fy * dy) * inv;
        // Without branches where the compiler allows: which pixels are dark, near or newly
        // covered follows no pattern.
        uint32_t* const touched = c.touched.data();
        std::size_t n = c.ntouched;
        // Cell x takes the ink at step k of the distance (the last step past the reach, which
        // gives none): its coverage grows to the ink's; a black cell's is full already.
        auto ink_cell = [&](int x, int k) {
            const int cover = c.ink[k];
            const int cell = row[x];
            const int now = std::max(cell, (cell & 0xFF) | (cover << 8));
            // Newly covered: no coverage before (cell below 256), some now.
            touched[n] = uint32_t(at) + uint32_t(x);
            n += unsigned((cell - 256) & ~(now - 256)) >> 31;
            row[x] = uint16_t(now);
        };
        double centre = left + 0.5; // of pixel x
        int x = left;
#if defined(DXFHOST_INK_SSE2)
        // Two pixels at a time; when their number is odd, the cell past the last is looked at
        // too and takes no ink: it lies out of reach, or past the row's last pixel, where every
        // row has a cell to spare, black and fully covered.
        {
            const __m128d vfy = _mm_set1_pd(fy);
            __m128d valong = _mm_set_pd(along + step, along);
            __m128d vcentre = _mm_set_pd(centre + 1.0, centre);
            for (; x <= right; x += 2) {
                const __m128d t = _mm_min_pd(_mm_max_pd(valong, zero), one);
                const __m128d ex = _mm_sub_pd(_mm_add_pd(vx0, _mm_mul_pd(t, vdx)), vcentre);
                const __m128d ey = _mm_sub_pd(_mm_mul_pd(t, vdy), vfy);
                const __m128d d2 = _mm_add_pd(_mm_mul_pd(ex, ex), _mm_mul_pd(ey, ey));
                const __m128i k0 = _mm_cvttpd_epi32(_mm_min_pd(_mm_mul_pd(d2, vscale), vsteps));
                const __m128i past = _mm_shuffle_epi32(_mm_castpd_si128(_mm_cmpge_pd(d2, vreach2)),
                                                       _MM_SHUFFLE(3, 3, 2, 0));
                const __m128i k =
                    _mm_or_si128(_mm_andnot_si128(past, k0), _mm_and_si128(past, last_step));
                ink_cell(x, _mm_cvtsi128_si32(k));
                ink_cell(x + 1, _mm_cvtsi128_si32(_mm_srli_si128(k, 4)));
                valong = _mm_add_pd(valong, vstep2);
                vcentre = _mm_add_pd(vcentre, two);
            }
            along = _mm_cvtsd_f64(valong);
            centre = _mm_cvtsd_f64(vcentre);
        }
#endif
        for (; x <= right; ++x, along += step, centre += 1.0) {
            const double t = smaller(larger(along, 0.0), 1.0);
            const double ex = x0 + t * dx - centre, ey = t * dy - fy;
            const double d2 = ex * ex + ey * ey;
            const int k0 = int(smaller(d2 * scale, Canvas::kSteps));
            const int past = int(d2 >= reach2);
            ink_cell(x, k0 + past * (Canvas::kSteps - k0));
        }
        c.ntouched = n;
    }
}

} // namespace

bool start(Canvas& c, int width, int height, double half_width) {
    if (width < 1 || width > kLargest || height < 1 || height > kLargest) {
        return false;
    }
    c.width = width;
    c.height = height;
    c.stride = (width + Canvas::kRun) / Canvas::kRun * Canvas::kRun; // at least one to spare
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
    // White pixels; the cells that only pad a row out to a whole run count as black, so that
    // a row's last run can be black too.
    c.store.assign(cells + Canvas::kRun, uint16_t(255));
    const auto address = reinterpret_cast<std::uintptr_t>(c.store.data());
    c.cells = c.store.data() + (kLine - address % kLine) % kLine / sizeof(uint16_t);
    // The cells past a row's last pixel are black with full coverage: the one just past it is
    // looked at beside an odd last pixel, and must take no ink.
    for (int y = 0; y < height; ++y) {
        std::fill_n(c.cells + std::size_t(y) * std::size_t(c.stride) + width, c.stride - width,
                    uint16_t(kFull));
    }
    c.dark.assign(cells / Canvas::kRun, 0);
    const int padding = c.stride - width;
    for (int y = 0; y < height && padding > 0; ++y) {
        c.dark[(std::size_t(y) + 1) * std::size_t(c.stride) / Canvas::kRun - 1] = uint8_t(padding);
    }
    // A stroke covers each cell of a band at most once (and one more is written past the last).
    c.touched.assign(std::size_t(kBandRows) * std::size_t(c.stride) + 1, 0);
    c.ntouched = 0;
    c.pieces.clear();
    c.pieces.reserve(kWaiting);
    c.stroke = 0;
    return true;
}

namespace {

// Lays the stroke whose pieces were just laid onto the pixels it covers.
void lay_stroke(Canvas& c) {

    for (std::size_t k = 0; k < c.ntouched; ++k) {
        const uint32_t i = c.touched[k];
        const unsigned cell = c.cells[i];
        const unsigned px = cell & 0xFFu, cover = cell >> 8;
        const unsigned now = (px * (255u - cover) + 127u) / 255u;
        c.cells[i] = uint16_t(now < kBlack ? now | kFull : now);
        if (now < kBlack) {
            ++c.dark[i / Canvas::kRun]; // it was not, or it would have taken no ink
        }
    }
    c.ntouched = 0;
}

// Lays the waiting pieces, band by band, each band's in the order they came. When the current
// stroke has pieces among them (the list filled up in its middle), its coverage in each band
// is carried over to the next time, to be laid when the stroke ends.
void lay_waiting(Canvas& c) {
    const std::size_t bands = std::size_t((c.height + kBandRows - 1) / kBandRows);
    c.band_at.assign(bands + 1, 0);
    for (const Piece& p : c.pieces) {
        for (unsigned b = band_of(p.top); b <= band_of(p.bottom); ++b) {
            ++c.band_at[std::size_t(b) + 1];
        }
    }
    for (std::size_t b = 0; b < bands; ++b) {
        c.band_at[b + 1] += c.band_at[b];
    }
    c.band_pieces.resize(c.band_at[bands]);
    c.next.assign(c.band_at.begin(), c.band_at.end() - 1);
    for (std::size_t i = 0; i < c.pieces.size(); ++i) {
        const Piece& p = c.pieces[i];
        for (unsigned b = band_of(p.top); b <= band_of(p.bottom); ++b) {
            c.band_pieces[c.next[std::size_t(b)]++] = uint32_t(i);
        }
    }
    const bool carried = !c.carry.empty();
    const bool open = !c.pieces.empty() && c.pieces.back().stroke == c.stroke;
    c.carry_next.clear();
    c.carry_next_at.assign(open ? bands + 1 : 0, 0);
    for (std::size_t b = 0; b < bands; ++b) {
        const int first = int(b) * kBandRows, last = first + kBandRows - 1;
        uint32_t stroke = kNoStroke;
        if (carried && c.carry_at[b] < c.carry_at[b + 1]) {
            std::copy(c.carry.begin() + c.carry_at[b], c.carry.begin() + c.carry_at[b + 1],
                      c.touched.begin());
            c.ntouched = c.carry_at[b + 1] - c.carry_at[b];
            stroke = c.carry_stroke;
        }
        for (uint32_t k = c.band_at[b]; k < c.band_at[b + 1]; ++k) {
            const Piece& p = c.pieces[c.band_pieces[k]];
            if (p.stroke != stroke) {
                lay_stroke(c);
                stroke = p.stroke;
            }
            lay(c, p.x0, p.y0, p.x1, p.y1, std::max(p.top, first), std::min(p.bottom, last));
        }
        if (open && stroke == c.stroke) {
            c.carry_next.insert(c.carry_next.end(), c.touched.begin(),
                                c.touched.begin() + std::ptrdiff_t(c.ntouched));
            c.ntouched = 0;
        } else {
            lay_stroke(c);
        }
        if (open) {
            c.carry_next_at[b + 1] = uint32_t(c.carry_next.size());
        }
    }
    c.carry.swap(c.carry_next);
    c.carry_at.swap(c.carry_next_at);
    c.carry_stroke = c.stroke;
    c.pieces.clear();
}

} // namespace

void end_stroke(Canvas& c) {
    ++c.stroke;
}

void finish(Canvas& c) {
    lay_waiting(c);
}

void grey_row(const Canvas& c, const Canvas* other, int y, uint8_t* out) {
    const uint16_t* row = c.cells + std::size_t(y) * std::size_t(c.stride);
    if (other == nullptr) {
        for (int x = 0; x < c.width; ++x) {
            out[x] = uint8_t(row[x]);
        }
        return;
    }
    const uint16_t* from = other->cells + std::size_t(y) * std::size_t(other->stride);
    for (int x = 0; x < c.width; ++x) {
        out[x] = uint8_t(((row[x] & 0xFFu) * (from[x] & 0xFFu) + 127u) / 255u);
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
    Piece p{x0, y0, x1, y1, c.stroke, 0, 0};
    rows_of(c, y0, y1, &p.top, &p.bottom);
    if (p.top > p.bottom) {
        return;
    }
    if (c.pieces.size() == kWaiting) {
        lay_waiting(c);
    }
    c.pieces.push_back(p);
}

} // namespace ink
