// Tests of the host program dxfhost, run as a separate process on temporary files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#if !defined(_WIN32)
#include <sys/wait.h>
#endif

namespace {

using Bytes = std::vector<uint8_t>;

std::string temp_path(const std::string& name) {
    static int serial = 0;
    return ::testing::TempDir() + "dxfhost_" + std::to_string(++serial) + "_" + name;
}

std::string write_temp(const std::string& content, const std::string& name) {
    std::string path = temp_path(name);
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

Bytes read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string shell_quote(const std::string& arg) {
    std::string q = "'";
    for (char c : arg) {
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    }
    return q + "'";
}

struct Outcome {
    int status = -1; // exit status
    std::string err; // what it wrote on standard error
};

Outcome dxfhost(const std::vector<std::string>& args) {
    std::string err_path = temp_path("stderr");
    std::string cmd = shell_quote(DXFHOST_PATH);
    for (const std::string& a : args) {
        cmd += " " + shell_quote(a);
    }
    cmd += " >/dev/null 2>" + shell_quote(err_path);
    int raw = std::system(cmd.c_str());
    Outcome r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    Bytes err = read_file(err_path);
    r.err.assign(err.begin(), err.end());
    return r;
}

uint16_t u16(const Bytes& b, std::size_t off) {
    return uint16_t(b.at(off) | (b.at(off + 1) << 8));
}
uint32_t u32(const Bytes& b, std::size_t off) {
    return uint32_t(u16(b, off)) | (uint32_t(u16(b, off + 2)) << 16);
}

const std::string kSmallest = "0\nSECTION\n2\nHEADER\n9\n$EXTMIN\n10\n0\n20\n0\n9\n$EXTMAX\n10\n"
                              "10\n20\n10\n0\nENDSEC\n0\nEOF\n";

TEST(DxfHost, UsageErrors) {
    for (const std::vector<std::string>& args :
         std::vector<std::vector<std::string>>{{},
                                               {"--bogus", "a.dxf"},
                                               {"--svg", "x.svg", "a.dxf", "b.dxf"},
                                               {"--memory-limit", "0", "a.dxf"},
                                               {"--memory-limit", "many", "a.dxf"},
                                               {"--object"}}) {
        Outcome r = dxfhost(args);
        EXPECT_EQ(r.status, 64) << r.err;
        EXPECT_NE(r.err.find("Usage:"), std::string::npos) << r.err;
    }
    EXPECT_EQ(dxfhost({"--help"}).status, 0);
}

TEST(DxfHost, UnreadableDrawingsGetTheHostsMessage) {
    std::string object = temp_path("object");
    Outcome r = dxfhost({"--object", object, temp_path("missing.dxf")});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "error: file not found (status -110)\n");
    EXPECT_EQ(read_file(object), Bytes(24, 0)); // written even though the import failed

    r = dxfhost({::testing::TempDir()});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "error: file cannot be opened (status -111)\n");

    r = dxfhost({"--module", write_temp("not a library", "module.so"), temp_path("a.dxf")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("cannot load the module"), std::string::npos) << r.err;
}

TEST(DxfHost, SmallestDrawingFillsTheFrame) {
    std::string drawing = write_temp(kSmallest, "plan.dxf");
    std::string object = temp_path("object");
    std::string header = temp_path("header");
    Outcome r = dxfhost({"--object", object, "--frame-header", header, drawing});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    Bytes obj = read_file(object);
    ASSERT_EQ(obj.size(), 26u);
    EXPECT_EQ(u16(obj, 24), 0x00FF); // the terminator right after the object header
    Bytes frh = read_file(header);
    std::string name = drawing.substr(drawing.find_last_of('/') + 1);
    ASSERT_EQ(frh.size(), 60 + name.size() + 1);
    EXPECT_EQ(u32(frh, 44), 1u);    // one sub-entry
    EXPECT_EQ(frh[3] & 0x80, 0x80); // a name follows
    EXPECT_EQ(std::string(frh.begin() + 60, frh.end() - 1), name);

    // The module named explicitly gives the same.
    r = dxfhost({"--module", MODULE_PATH, "--object", object, drawing});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(read_file(object), obj);
}

TEST(DxfHost, RefusedAndOversizedDrawingsFail) {
    std::string object = temp_path("object");
    std::string bad = write_temp("0\nSECTION\n2\nNOTHING\n", "bad.dxf");
    Outcome r = dxfhost({"--object", object, bad});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "alert: Invalid DXF File: This is not a valid DXF File.\n"
                     "  at " +
                         bad +
                         ":4: NOTHING\n"
                         "error: the operation failed (status -1)\n");

    // Some 1.5 MiB of records do not fit a host of 1 MiB.
    std::ostringstream dxf;
    dxf << "0\nSECTION\n2\nHEADER\n9\n$EXTMIN\n10\n0\n20\n0\n9\n$EXTMAX\n10\n100\n20\n100\n"
           "0\nENDSEC\n0\nSECTION\n2\nENTITIES\n";
    for (int i = 0; i < 36000; ++i) {
        dxf << "0\nLINE\n8\n0\n10\n" << i % 100 << "\n20\n0\n11\n50\n21\n50\n";
    }
    dxf << "0\nENDSEC\n0\nEOF\n";
    std::string big = write_temp(dxf.str(), "big.dxf");
    r = dxfhost({"--memory-limit", "1", "--object", object, big});
    EXPECT_EQ(r.status, 2);
    const std::string alert = "alert: Invalid DXF File: This is not a valid DXF File.\n";
    const std::string message = "error: out of memory (status -101)\n";
    EXPECT_EQ(r.err.substr(0, alert.size() + 5 + big.size()), alert + "  at " + big);
    EXPECT_EQ(r.err.substr(r.err.size() - message.size()), message);
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 3);
    EXPECT_LE(read_file(object).size(), std::size_t(1) << 20);
    EXPECT_EQ(dxfhost({"--memory-limit", "4", big}).status, 0);
}

} // namespace
