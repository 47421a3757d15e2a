// png_file.h: encodes the pixels of a picture as a PNG file, quickly.
//
// Receives the picture's rows through a function that fills one row at a time, whether they are
// grey levels (one byte a pixel) or RGB (three), and an open file. Writes an 8-bit PNG at
// zlib's fastest level with no row filters: a drawing's picture is mostly white (or, when dense,
// mostly black), and compressing it harder takes longer than drawing it. Grey pictures are
// compressed by run-length matching, which finds the runs of black and of white at a fraction
// of the cost of a search for repeats.
//
// The rows are compressed in two parts, the second on another processor where the tool chain
// has threads, and the parts joined into one stream. The parts are the same with or without
// threads, so the file is the same byte for byte.
#ifndef DXFHOST_PNG_FILE_H
#define DXFHOST_PNG_FILE_H

#include <cstdint>
#include <cstdio>

namespace png {

// Fills row y (width bytes when grey, 3 x width when RGB: red, green, blue) at out.
using RowFiller = void (*)(const void* source, int y, uint8_t* out);

// False when memory or zlib fails (the file's own errors show in ferror(out)); *why then says
// what failed.
bool encode(RowFiller fill, const void* source, int width, int height, bool grey, std::FILE* out,
            const char** why);

// Whether cairo's RGB24 pixels (one 32-bit word per pixel, 0x00RRGGBB) are all grey levels,
// red, green and blue alike: a drawing's strokes are black on white, and only texts in colour
// would make them otherwise.
bool all_grey(const uint8_t* pixels, int width, int height, int stride);

} // namespace png

#endif
