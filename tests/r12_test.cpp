// A drawing written the way CAD programs write R12 files: the full header, every table, the
// model and paper space blocks, handles, CR LF line ends. It must import whole; the same
// drawing with a circle that carries a Z coordinate is refused.
#include "testutil.h"

#include <fstream>
#include <iterator>

namespace {

using testutil::Bytes;
using testutil::u16;
using testutil::u32;

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class R12Drawing : public testutil::ModuleTest {};

TEST_F(R12Drawing, ImportsWhole) {
    std::string dxf = read_file(std::string(TEST_DATA_DIR) + "/r12_full.dxf");
    ASSERT_FALSE(dxf.empty());
    Walk w = walk(dxf);
    EXPECT_EQ(w.status, 0);
    EXPECT_TRUE(hostk::alerts().empty());
    ASSERT_EQ(w.object.size(), 482u);
    EXPECT_EQ(u32(w.object, 8), 210000u); // extents 210 x 110
    EXPECT_EQ(u32(w.object, 12), 110000u);

    // Two lines, one polyline, four bolts (one mirrored); the text and point leave nothing.
    std::vector<uint32_t> starts;
    for (uint32_t off = 24; u16(w.object, off) != 0x00FF; off += u32(w.object, off + 4))
        starts.push_back(off);
    EXPECT_EQ(starts, (std::vector<uint32_t>{24, 68, 112, 160, 240, 320, 400}));
    EXPECT_EQ(u16(w.object, 480), 0x00FFu);
    // The mirrored bolt (X scale -1) starts its first line at the right edge of its box.
    EXPECT_EQ(u16(w.object, 320 + 28), 0u);
    EXPECT_EQ(u16(w.object, 320 + 30), 16384u);
    EXPECT_EQ(u16(w.object, 320 + 32), 8192u);
    // The bolt at (20, 20) has its base point, its centre, there: its 6 x 6 box's lower-left
    // corner is at (17, 17), 22 units from the extents' corner (-5, -5).
    EXPECT_EQ(u16(w.object, 160 + 8), 1716u);   // 22 * 16384 / 210
    EXPECT_EQ(u16(w.object, 160 + 10), 12213u); // (110 - 22 - 6) * 16384 / 110
    EXPECT_EQ(u16(w.object, 160 + 12), 468u);
}

TEST_F(R12Drawing, CircleWithZIsRefused) {
    std::string dxf = read_file(std::string(TEST_DATA_DIR) + "/r12_full.dxf");
    std::size_t at = dxf.find("  0\r\nTEXT\r\n");
    ASSERT_NE(at, std::string::npos);
    dxf.insert(at, "  0\r\nCIRCLE\r\n  8\r\n0\r\n 10\r\n100.0\r\n 20\r\n50.0\r\n 30\r\n0.0\r\n"
                   " 40\r\n10.0\r\n");
    Walk w = walk(dxf);
    EXPECT_EQ(w.status, ST_NOT3D);
    ASSERT_EQ(hostk::alerts().size(), 1u);
    EXPECT_EQ(hostk::alerts()[0].caption, "Not Supported");
    EXPECT_EQ(w.object.size(), 480u); // the records before the circle, no terminator
}

} // namespace
