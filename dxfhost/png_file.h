// png_file.h: encodes the pixels of a picture as a PNG file, quickly.
//
// Receives RGB24 pixels in cairo's layout (one 32-bit word per pixel, 0x00RRGGBB) and an open
// file. Writes an 8-bit PNG with libpng at zlib's fastest level and no row filters: a drawing's
// picture is mostly white (or, when dense, mostly black), and compressing it harder takes longer
// than drawing it. A picture with no colour in it (no texts) is written as grey levels, a third
// of the bytes to compress.
#ifndef DXFHOST_PNG_FILE_H
#define DXFHOST_PNG_FILE_H

#include <cstdint>
#include <cstdio>

namespace png {

// False when libpng reports a failure (the file's own errors show in ferror(out)); *why then
// holds libpng's message (or stays null).
bool encode(const uint8_t* pixels, int width, int height, int stride, std::FILE* out,
            const char** why);

} // namespace png

#endif
