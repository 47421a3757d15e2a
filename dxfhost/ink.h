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
// Pieces are gathered a few ten thousand at a time and laid band of rows by band of rows, each
// band small enough to stay in the processor's cache: the pieces of a drawing land all over the
// picture, and laid one after the other each row of each piece would be fetched from memory.
// Within a band the pieces keep their order, so every pixel sees the strokes in the order they
// were drawn, as if each had been laid at once.
//
// Strokes darken a pixel by multiplying its grey level, which does not depend on their order:
// two canvases inked with different strokes combine into the picture of all of them.
#ifndef DXFHOST_INK_H
#define DXFHOST_INK_H

#include <cstddef>
#include <cstdint>
#include <vector>

namespace ink {

// A piece waiting to be laid, with the number of its stroke and its rows.
struct Piece {
    double x0, y0, x1, y1;
    uint32_t stroke;
    int top, bottom;
};

struct Canvas {
    int width = 0;
    int height = 0;
    int stride = 0;          // cells from one row to the next (a multiple of kRun, > width)
    double half_width = 0.5; // of the stroke, in pixels
    // The ink a pixel gets at a squared distance d2 from a piece: ink[d2 * kSteps / reach²].
    static constexpr int kSteps = 1024;
    uint8_t ink[kSteps + 1] = {};
    static constexpr int kRun = 32;    // cells counted together
    std::vector<uint16_t> store;       // the cells, with room to start them on a cache line
    uint16_t* cells = nullptr;         // grey level (low byte, 255 white), coverage (high byte)
    std::vector<uint8_t> dark;         // per run of kRun cells: how many are as good as black
    std::vector<uint32_t> touched;     // the cells the stroke being laid covers: the first
    std::size_t ntouched = 0;          // ntouched of them
    std::vector<Piece> pieces;         // the pieces not laid yet, in order
    uint32_t stroke = 0;               // the current stroke's number
    std::vector<uint32_t> band_at;     // where each band's pieces begin in band_pieces
    std::vector<uint32_t> band_pieces; // the waiting pieces of each band, in order
    std::vector<uint32_t> next;        // (where the next of each band goes, while sorting)
    // The cells the current stroke covered before the pieces waiting now, by band (when the
    // list of pieces filled up in the middle of a stroke), and that stroke's number.
    std::vector<uint32_t> carry, carry_at, carry_next, carry_next_at;
    uint32_t carry_stroke = 0;
};

// Makes the canvas width x height white pixels, the stroke half_width pixels wide on each side.
// False when the sizes are out of range (1 to 16384 pixels a side).
bool start(Canvas& canvas, int width, int height, double half_width);

// One round-ended straight piece of the current stroke from (x0, y0) to (x1, y1); a piece of no
// length is a dot. Pieces that lie outside the canvas, or whose coordinates are not finite,
// add nothing.
void piece(Canvas& canvas, double x0, double y0, double x1, double y1);

// Ends the current stroke; a new stroke begins.
void end_stroke(Canvas& canvas);

// Lays every piece still waiting onto the pixels, darkening each by its strokes' coverage;
// after the last stroke has ended, before the pixels are read.
void finish(Canvas& canvas);

// The grey levels of row y of a finished canvas at out, laid over by those of other (a finished
// canvas of the same size) when it is given.
void grey_row(const Canvas& canvas, const Canvas* other, int y, uint8_t* out);

} // namespace ink

#endif
