// testutil.h: what the module's tests share: DXF text written to temporary files, opened
// through the kernel, walked by the section driver, and the object's bytes read back.
#ifndef TESTS_TESTUTIL_H
#define TESTS_TESTUTIL_H

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "import/dxf.h"
#include "kernel/kernelctl.h"

namespace testutil {

using Bytes = std::vector<uint8_t>;

// A file under the test's temporary directory holding exactly these bytes.
inline std::string write_temp(const std::string& content, const std::string& name = "t.dxf") {
    static int serial = 0;
    std::string path = ::testing::TempDir() + "dxftest_" + std::to_string(++serial) + "_" + name;
    std::ofstream out(path, std::ios::binary);
    out.write(content.data(), std::streamsize(content.size()));
    return path;
}

// Groups written as DXF lines: {"0", "SECTION", "2", "HEADER"} -> "0\nSECTION\n2\nHEADER\n".
inline std::string lines(std::initializer_list<const char*> items, const char* eol = "\n") {
    std::string s;
    for (const char* item : items) {
        s += item;
        s += eol;
    }
    return s;
}

inline std::string num(double v) {
    std::ostringstream o;
    o.precision(17);
    o << v;
    return o.str();
}

// A HEADER section whose extents are (minx, miny) to (maxx, maxy).
inline std::string header(double minx, double miny, double maxx, double maxy) {
    return "0\nSECTION\n2\nHEADER\n9\n$EXTMIN\n10\n" + num(minx) + "\n20\n" + num(miny) +
           "\n9\n$EXTMAX\n10\n" + num(maxx) + "\n20\n" + num(maxy) + "\n0\nENDSEC\n";
}

// A section with the given body (groups as DXF text).
inline std::string section(const char* name, const std::string& body) {
    return std::string("0\nSECTION\n2\n") + name + "\n" + body + "0\nENDSEC\n";
}

inline const std::string kEof = "0\nEOF\n";

// Little-endian reads of an object's bytes.
inline uint16_t u16(const Bytes& b, std::size_t off) {
    return uint16_t(b.at(off) | (b.at(off + 1) << 8));
}
inline int16_t s16(const Bytes& b, std::size_t off) {
    return int16_t(u16(b, off));
}
inline uint32_t u32(const Bytes& b, std::size_t off) {
    return uint32_t(u16(b, off)) | (uint32_t(u16(b, off + 2)) << 16);
}

// Resets the kernel and silences its output; each test starts from a fresh host.
class ModuleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        hostk::reset();
        hostk::set_output_sink([this](const std::string& line) { output.push_back(line); });
    }
    void TearDown() override { hostk::set_output_sink({}); }

    // Opens a temporary file holding content through the kernel; 0 on failure.
    int32_t open_text(const std::string& content) {
        int32_t fh = 0;
        EXPECT_GE(fim_fopen(write_temp(content).c_str(), 0, &fh), 0);
        return fh;
    }

    struct Walk {
        int32_t status = 0; // parceFile's result
        Bytes object;       // the data block afterwards
    };
    // Runs the section driver over content into a fresh frame's 24-byte data block.
    Walk walk(const std::string& content) {
        hostk::Frame frame = hostk::create_frame();
        int32_t fh = open_text(content);
        Walk w;
        w.status = parceFile(fh, frame.hdat);
        fim_fclose(fh);
        w.object = hostk::block_bytes(frame.hdat);
        return w;
    }

    std::vector<std::string> output; // lines the kernel would have printed
};

} // namespace testutil

#endif
