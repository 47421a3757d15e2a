// ink.h: thin black strokes laid straight onto the pixels of a picture.
//
// Receives pixel coordinates of the straight pieces of strokes and the strokes' half width in
// pixels. Darkens the pixels of a grey picture (one byte per pixel, 255 white, rows stride bytes
// apart; a quarter of the memory of a colour one, so that more of it stays in the cache while
// records land all over it) by how much of each pixel the stroke covers: the stroke is the union of
// round-ended pieces, so round joins and round caps come on their own, and overlapping pieces
// of one stroke never darken a pixel twice, while one stroke over another does. The coverage of a
// pixel is that of a straight band through its centre at the piece's distance, which is exact for
// level and upright pieces and within a few grey levels elsewhere; it costs a few operations per
// pixel, where a general scan converter spends hundreds on a one-pixel-wide outline.
#ifndef DXFHOST_INK_H
#define DXFHOST_INK_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ink {

struct Canvas {
    uint8_t* pixels = nullptr; // the first row of grey levels
    int width = 0;
    int height = 0;
    int stride = 0;          // bytes from one row to the next
    double half_width = 0.5; // of the stroke, in pixels (set by set_half_width)
    // The ink a pixel gets at a squared distance d2 from a piece: ink[d2 * kSteps / reach²].
    static constexpr int kSteps = 1024;
    uint8_t ink[kSteps + 1] = {};
    std::vector<uint8_t> cover;    // the current stroke's coverage of each pixel (0 to 255),
                                   // laid out as the pixels are
    std::vector<uint32_t> touched; // the pixels it covers, as offsets from the first
};

// Sets the stroke's half width and what goes with it; after the size, before the first piece.
void set_half_width(Canvas& canvas, double half_width);

// One round-ended straight piece of the current stroke from (x0, y0) to (x1, y1); a piece of no
// length is a dot. Pieces that lie outside the canvas, or whose coordinates are not finite,
// add nothing.
void piece(Canvas& canvas, double x0, double y0, double x1, double y1);

// Lays the current stroke onto the pixels, darkening each by its coverage; a new stroke begins.
void end_stroke(Canvas& canvas);

} // namespace ink

#endif
