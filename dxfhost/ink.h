// ink.h: thin black strokes laid straight onto the pixels of a picture.
//
// Receives pixel coordinates of the straight pieces of strokes and the strokes' half width in
// pixels. Darkens the pixels of a grey picture by how much of each pixel the stroke covers: the
// stroke is the union of round-ended pieces, so round joins and round caps come on their own,
// and overlapping pieces of one stroke never darken a pixel twice, while one stroke over another
// does. The coverage of a pixel is that of a straight band through its centre at the piece's
// distance, which is exact for level and upright pieces and within a few grey levels elsewhere;
// it costs a few operations per pixel, where a general scan converter spends hundreds on a
// one-pixel-wide outline.
//
// Each pixel is one 16-bit cell: its grey level and the current stroke's coverage of it side by
// side, so that a piece landing anywhere on the picture brings one cache line per row into the
// cache, not two. Every run of 32 cells (one cache line) keeps a count of its pixels that are as
// good as black, so that rows of a dense drawing that are black already are passed over without
// being read at all.
//
// Strokes darken a pixel by multiplying its grey level, which does not depend on their order:
// two canvases inked with different strokes combine into the picture of all of them.
#ifndef DXFHOST_INK_H
#define DXFHOST_INK_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ink {

struct Canvas {
    int width = 0;
    int height = 0;
    int stride = 0;          // cells from one row to the next (a multiple of kRun)
    double half_width = 0.5; // of the stroke, in pixels
    // The ink a pixel gets at a squared distance d2 from a piece: ink[d2 * kSteps / reach²].
    static constexpr int kSteps = 1024;
    uint8_t ink[kSteps + 1] = {};
    static constexpr int kRun = 32; // cells counted together
    std::vector<uint16_t> store;    // the cells, with room to start them on a cache line
    uint16_t* cells = nullptr;      // grey level (low byte, 255 white), coverage (high byte)
    std::vector<uint8_t> dark;      // per run of kRun cells: how many are as good as black
    std::vector<uint32_t> touched;  // the cells the current stroke covers
};

// Makes the canvas width x height white pixels, the stroke half_width pixels wide on each side.
// False when the sizes are out of range (1 to 16384 pixels a side).
bool start(Canvas& canvas, int width, int height, double half_width);

// One round-ended straight piece of the current stroke from (x0, y0) to (x1, y1); a piece of no
// length is a dot. Pieces that lie outside the canvas, or whose coordinates are not finite,
// add nothing.
void piece(Canvas& canvas, double x0, double y0, double x1, double y1);

// Lays the current stroke onto the pixels, darkening each by its coverage; a new stroke begins.
void end_stroke(Canvas& canvas);

// Lays the ink of other (a canvas of the same size whose strokes have all ended) onto canvas.
void combine(Canvas& canvas, const Canvas& other);

// The grey level of pixel (x, y).
inline uint8_t grey(const Canvas& c, int x, int y) {
    return uint8_t(c.cells[std::size_t(y) * std::size_t(c.stride) + std::size_t(x)]);
}

} // namespace ink

#endif
