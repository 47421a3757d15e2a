// png_file.cpp: the PNG encoder (see png_file.h).
//
// The file is a signature, an IHDR chunk, the IDAT chunks holding one zlib stream of the
// filtered rows (each row a filter byte, 0, and its pixels), and an IEND chunk. Each part of the
// rows is compressed as raw deflate data of its own; every part but the last ends with a sync
// flush, on a byte boundary, so that the parts joined are one deflate stream. The stream's
// Adler-32 is made from the parts' own.
#include "dxfhost/png_file.h"

#if defined(DXFHOST_HAVE_PNG)

#include <algorithm>
#include <array>
#include <exception>
#include <optional>
#include <vector>
#if defined(_GLIBCXX_HAS_GTHREADS) || !defined(__GLIBCXX__)
#include <thread>
#define DXFHOST_PNG_THREADS 1
#endif

#include <zlib.h>

namespace png {

namespace {

constexpr int kRowsAtOnce = 64;                      // rows handed to zlib together
constexpr std::size_t kOut = std::size_t(1) << 16;   // bytes zlib writes at a time
constexpr std::size_t kChunk = std::size_t(1) << 20; // most bytes of one IDAT chunk
constexpr uint8_t kZlibHeader[2] = {0x78, 0x01};     // deflate, 32 KB window, fastest level

// Some rows of the picture and what they compress to.
struct Part {
    int first = 0, end = 0; // the rows
    bool last = false;      // the stream ends with them
    std::vector<uint8_t> data;
    uLong adler = 1;       // Adler-32 of the filtered rows
    std::size_t bytes = 0; // of the filtered rows
    const char* failure = nullptr;
};

// Compresses the part's rows onto the end of part.data.
void compress(RowFiller fill, const void* source, int width, bool grey, Part& part) {
    const std::size_t row_bytes = 1 + std::size_t(width) * (grey ? 1u : 3u);
    z_stream zs{};
    if (deflateInit2(&zs, Z_BEST_SPEED, Z_DEFLATED, -15, 8, grey ? Z_RLE : Z_DEFAULT_STRATEGY) !=
        Z_OK) {
        part.failure = "zlib cannot start";
        return;
    }
    try {
        std::vector<uint8_t> rows(row_bytes * kRowsAtOnce);
        std::vector<uint8_t> buf(kOut);
        for (int y = part.first; y < part.end && part.failure == nullptr;) {
            const int n = std::min(kRowsAtOnce, part.end - y);
            for (int i = 0; i < n; ++i) {
                uint8_t* row = rows.data() + std::size_t(i) * row_bytes;
                row[0] = 0; // no filter
                fill(source, y + i, row + 1);
            }
            const std::size_t in = std::size_t(n) * row_bytes;
            part.adler = adler32(part.adler, rows.data(), uInt(in));
            part.bytes += in;
            y += n;
            const int flush = y < part.end ? Z_NO_FLUSH : part.last ? Z_FINISH : Z_SYNC_FLUSH;
            zs.next_in = rows.data();
            zs.avail_in = uInt(in);
            for (;;) {
                zs.next_out = buf.data();
                zs.avail_out = uInt(buf.size());
                const int st = deflate(&zs, flush);
                if (st == Z_STREAM_ERROR) {
                    part.failure = "zlib failed";
                    break;
                }
                part.data.insert(part.data.end(), buf.data(),
                                 buf.data() + (buf.size() - zs.avail_out));
                if (flush == Z_FINISH ? st == Z_STREAM_END : zs.avail_out != 0) {
                    break;
                }
            }
        }
    } catch (const std::exception&) {
        part.failure = "out of memory";
    }
    deflateEnd(&zs);
}

void put32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

// Writes one chunk of the given type and data.
void write_chunk(std::FILE* out, const char* type, const uint8_t* data, std::size_t n) {
    uint8_t head[8];
    put32(head, uint32_t(n));
    std::copy(type, type + 4, head + 4);
    uLong crc = crc32(0, head + 4, 4);
    if (n > 0) {
        crc = crc32(crc, data, uInt(n));
    }
    uint8_t tail[4];
    put32(tail, uint32_t(crc));
    std::fwrite(head, 1, sizeof head, out);
    if (n > 0) {
        std::fwrite(data, 1, n, out);
    }
    std::fwrite(tail, 1, sizeof tail, out);
}

void write_idat(std::FILE* out, const std::vector<uint8_t>& data) {
    for (std::size_t at = 0; at < data.size(); at += kChunk) {
        write_chunk(out, "IDAT", data.data() + at, std::min(kChunk, data.size() - at));
    }
}

} // namespace

bool encode(RowFiller fill, const void* source, int width, int height, bool grey, std::FILE* out,
            const char** why) {
    *why = nullptr;
    std::array<Part, 2> parts;
    parts[0].end = height / 2;
    parts[1].first = height / 2;
    parts[1].end = height;
    parts[1].last = true;
    try {
        parts[0].data.assign(kZlibHeader, kZlibHeader + sizeof kZlibHeader);
    } catch (const std::exception&) {
        *why = "out of memory";
        return false;
    }
    auto second = [&] { compress(fill, source, width, grey, parts[1]); };
#if defined(DXFHOST_PNG_THREADS)
    std::optional<std::thread> beside;
    try {
        beside.emplace(second);
    } catch (const std::exception&) {
        // No thread to be had: the parts one after the other.
    }
    compress(fill, source, width, grey, parts[0]);
    if (beside) {
        beside->join();
    } else {
        second();
    }
#else
    compress(fill, source, width, grey, parts[0]);
    second();
#endif
    for (const Part& p : parts) {
        if (p.failure != nullptr) {
            *why = p.failure;
            return false;
        }
    }
    const uLong adler = adler32_combine(parts[0].adler, parts[1].adler, z_off_t(parts[1].bytes));
    uint8_t trailer[4];
    put32(trailer, uint32_t(adler));
    try {
        parts[1].data.insert(parts[1].data.end(), trailer, trailer + sizeof trailer);
    } catch (const std::exception&) {
        *why = "out of memory";
        return false;
    }

    static const uint8_t kSignature[8] = {137, 80, 78, 71, 13, 10, 26, 10};
    std::fwrite(kSignature, 1, sizeof kSignature, out);
    uint8_t ihdr[13];
    put32(ihdr, uint32_t(width));
    put32(ihdr + 4, uint32_t(height));
    ihdr[8] = 8;            // bits a sample
    ihdr[9] = grey ? 0 : 2; // grey levels, or red, green and blue
    ihdr[10] = 0;           // deflate
    ihdr[11] = 0;           // the standard filters
    ihdr[12] = 0;           // not interlaced
    write_chunk(out, "IHDR", ihdr, sizeof ihdr);
    write_idat(out, parts[0].data);
    write_idat(out, parts[1].data);
    write_chunk(out, "IEND", nullptr, 0);
    return true;
}

bool all_grey(const uint8_t* pixels, int width, int height, int stride) {
    for (int y = 0; y < height; ++y) {
        const uint32_t* src = reinterpret_cast<const uint32_t*>(pixels + std::size_t(y) * stride);
        uint32_t colour = 0;
        for (int x = 0; x < width; ++x) {
            const uint32_t px = src[x];
            colour |= (px ^ (px >> 8)) & 0xFFFFu; // red against green, green against blue
        }
        if (colour != 0) {
            return false;
        }
    }
    return true;
}

} // namespace png

#endif
