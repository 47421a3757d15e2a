// Reading a frame's blocks back: the object's records and the frame's name, damaged blocks
// reported where their layout breaks.
#include <gtest/gtest.h>

#include "dxfhost/dump.h"
#include "dxfhost/object_view.h"
#include "dxfhost/object_walk.h"
#include "dxfhost/png.h"
#include "dxfhost/svg.h"
#include "host_objects.h"

using hostobj::Bytes;
using hostobj::ObjectBuilder;

namespace {

std::vector<std::vector<int16_t>> words_of(const view::Record& rec) {
    std::vector<std::vector<int16_t>> out;
    for (const view::Element& el : rec.elements) {
        out.push_back(el.words);
    }
    return out;
}

} // namespace

TEST(HostObject, ReadsALineRecordAsTheModuleLaysItOut) {
    Bytes b = ObjectBuilder(150000, 800000).line_record().terminator().bytes();
    ASSERT_EQ(b.size(), 70u);
    view::Object obj = view::read_object(b);
    ASSERT_TRUE(obj.has_header);
    EXPECT_EQ(obj.head.bestw, 150000u);
    EXPECT_EQ(obj.head.besth, 800000u);
    EXPECT_FALSE(obj.damage.has_value());
    ASSERT_EQ(obj.terminator, std::optional<uint32_t>(68));
    ASSERT_EQ(obj.records.size(), 1u);
    const view::Record& r = obj.records[0];
    EXPECT_EQ(r.offset, 24u);
    EXPECT_EQ(r.head.nxtoff, 44u);
    EXPECT_EQ(r.head.xpos, 0);
    EXPECT_EQ(r.head.ypos, 8192);
    EXPECT_EQ(r.head.width, 16384);
    EXPECT_EQ(r.head.height, 8192);
    EXPECT_EQ(view::rdef_word(r.head.ardef), 0x20u);
    EXPECT_EQ(view::ldef_word(r.head.ldef), 0x90u);
    EXPECT_EQ(r.fill, 2u);
    using W = std::vector<int16_t>;
    EXPECT_EQ(words_of(r), (std::vector<W>{W{0, 0, 16384}, W{1, 16384, 0}, W{15}}));
    EXPECT_EQ(r.elements[1].offset, 58u);

    EXPECT_EQ(dump::object_text(obj),
              "best size 150000 x 800000 (object of 70 bytes)\n"
              "record 0 at 24 size 44 box 0 8192 16384 8192 attributes 0x00000020 0x00000000 "
              "0x00000090: [0 0 16384] [1 16384 0] [15]\n"
              "terminator at 68\n");
}

TEST(HostObject, ReadsEmptyObjectsAndRecordsWithArcsAndNegativeWords) {
    view::Object empty = view::read_object(ObjectBuilder().terminator().bytes());
    EXPECT_TRUE(empty.records.empty());
    EXPECT_EQ(empty.terminator, std::optional<uint32_t>(24));
    EXPECT_FALSE(empty.damage.has_value());

    // A circle as the module writes it (52 bytes with fill), then a polyline of three points
    // (48 bytes, no fill) whose box starts left of the grid.
    Bytes b =
        ObjectBuilder()
            .record(6553, 6554, 3276, 3276, {0, 16384, 8192, 3, 8192, 8192, 8192, 8192, 0, 360, 15})
            .record(-100, 0, 16384, 16384, {0, 0, 16384, 1, 16384, 16384, 1, 16384, 0, 15})
            .terminator()
            .bytes();
    view::Object obj = view::read_object(b);
    ASSERT_FALSE(obj.damage.has_value()) << obj.damage->what;
    ASSERT_EQ(obj.records.size(), 2u);
    EXPECT_EQ(obj.records[0].head.nxtoff, 52u);
    EXPECT_EQ(obj.records[0].elements[1].words.size(), 7u);
    EXPECT_EQ(obj.records[1].offset, 76u);
    EXPECT_EQ(obj.records[1].head.nxtoff, 48u);
    EXPECT_EQ(obj.records[1].fill, 0u);
    EXPECT_EQ(obj.records[1].head.xpos, -100);
    EXPECT_EQ(obj.terminator, std::optional<uint32_t>(124));
}

TEST(HostObject, ReportsEachDamageWhereTheLayoutBreaks) {
    const Bytes good = ObjectBuilder().line_record().line_record().terminator().bytes();
    ASSERT_EQ(good.size(), 114u); // records at 24 and 68, terminator at 112
    struct Case {
        const char* name;
        Bytes bytes;
        uint32_t offset;     // where the damage is reported
        const char* what;    // part of its reason
        std::size_t records; // records kept before it
    };
    auto with = [&](std::size_t off, std::initializer_list<uint8_t> patch) {
        Bytes b = good;
        std::size_t i = off;
        for (uint8_t v : patch) {
            b.at(i++) = v;
        }
        return b;
    };
    Bytes cut = good;
    cut.resize(112); // an import that failed: no terminator
    Bytes trailing = good;
    trailing.push_back(0);
    trailing.push_back(0);
    Bytes short_header = good;
    short_header.resize(80);
    Bytes no_end = ObjectBuilder().record(0, 0, 10, 10, {0, 1, 2, 1, 3, 4}).terminator().bytes();
    Bytes long_fill = ObjectBuilder().record(0, 0, 10, 10, {0, 1, 2, 15, 0, 0, 0}).bytes();
    hostobj::put16(long_fill, 255);

    const Case cases[] = {
        {"block shorter than the header", Bytes(10, 0), 0, "needs 24 bytes", 0},
        {"no terminator", cut, 112, "without a terminator", 2},
        {"bytes after the terminator", trailing, 114, "2 bytes follow the terminator", 2},
        {"record type other than 4", with(68, {7, 0}), 68, "has type 7", 1},
        {"record header cut off", short_header, 68, "needs 28 bytes but only 12 remain", 1},
        {"size pointing outside", with(72, {0x00, 0x10, 0, 0}), 72, "outside the block", 1},
        {"size of 0xFFFFFFFC", with(72, {0xFC, 0xFF, 0xFF, 0xFF}), 72, "outside the block", 1},
        {"size below 30", with(72, {28, 0, 0, 0}), 72, "less than a header", 1},
        {"size not a multiple of 4", with(72, {42, 0, 0, 0}), 72, "not a multiple of 4", 1},
        {"unknown element code", with(102, {2, 0}), 102, "element code 2", 1},
        {"element past the record's end", with(108, {3, 0}), 108, "arc element needs 14", 1},
        {"path without its end", no_end, 64, "no end of path", 0},
        {"more than fill after the end", long_fill, 60, "8 bytes after its end", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        view::Object obj = view::read_object(c.bytes);
        ASSERT_TRUE(obj.damage.has_value());
        EXPECT_EQ(obj.damage->offset, c.offset);
        EXPECT_NE(obj.damage->what.find(c.what), std::string::npos) << obj.damage->what;
        EXPECT_EQ(obj.records.size(), c.records);
        // The dump tells the damage after the records it could read.
        const std::string text = dump::object_text(obj);
        EXPECT_NE(text.find("damaged at offset " + std::to_string(c.offset) + ": "),
                  std::string::npos);
    }
}

TEST(HostObject, EveryCutOfAnObjectIsReportedWithoutReadingPastIt) {
    const Bytes good =
        ObjectBuilder()
            .line_record()
            .record(0, 0, 100, 100, {0, 16384, 8192, 3, 8192, 8192, 8192, 8192, 0, 360, 15})
            .terminator()
            .bytes();
    for (std::size_t n = 0; n < good.size(); ++n) {
        SCOPED_TRACE(n);
        // A copy of exactly n bytes, so that a read past it is caught by the sanitizers.
        std::vector<uint8_t> prefix(good.begin(), good.begin() + std::ptrdiff_t(n));
        view::Object obj = view::read_object(prefix.data(), prefix.size());
        EXPECT_TRUE(obj.damage.has_value());
        EXPECT_FALSE(obj.terminator.has_value());
        EXPECT_LE(obj.records.size(), n >= 120 ? 2u : n >= 68 ? 1u : 0u);
    }
    // Every single changed byte is either read or reported, never followed outside.
    for (std::size_t i = 0; i < good.size(); ++i) {
        for (uint8_t v : {uint8_t(0), uint8_t(0x7F), uint8_t(0xFF)}) {
            Bytes b = good;
            b[i] = v;
            view::Object obj = view::read_object(b);
            EXPECT_TRUE(obj.terminator.has_value() || obj.damage.has_value());
            // The in-place walk finds what the copy found, and the pictures drawn from the
            // bytes are those drawn from the copy.
            const view::Shape shape = view::shape_of(b.data(), b.size());
            std::size_t elements = 0;
            for (const view::Record& r : obj.records) {
                elements += r.elements.size();
            }
            EXPECT_EQ(shape.records, obj.records.size());
            EXPECT_EQ(shape.elements, elements);
            EXPECT_EQ(shape.terminator, obj.terminator);
            EXPECT_EQ(shape.damage.has_value(), obj.damage.has_value());
            if (shape.damage && obj.damage) {
                EXPECT_EQ(shape.damage->offset, obj.damage->offset);
                EXPECT_EQ(shape.damage->what, obj.damage->what);
            }
            EXPECT_EQ(svg::render(b.data(), b.size(), "t", "n"), svg::render(obj, "t", "n"));
            png::Raster r;
            std::string err;
            EXPECT_EQ(png::rasterize_object(b.data(), b.size(), "n", 48, &r, &err),
                      png::available());
        }
    }
}

TEST(HostObject, ReadsTheFrameNameAfterTheSubEntries) {
    const std::string name = "plan.dxf";
    Bytes named = hostobj::frame_header(1, &name);
    ASSERT_EQ(named.size(), 69u);
    view::FrameHeader fh = view::read_frame_header(named);
    EXPECT_TRUE(fh.named);
    EXPECT_EQ(fh.name, "plan.dxf");
    EXPECT_EQ(fh.head.nsub, 1u);
    EXPECT_FALSE(fh.damage.has_value());

    view::FrameHeader plain = view::read_frame_header(hostobj::frame_header(1, nullptr));
    EXPECT_FALSE(plain.named);
    EXPECT_EQ(plain.name, "");
    EXPECT_FALSE(plain.damage.has_value());

    Bytes no_nul = named;
    no_nul.pop_back();
    view::FrameHeader broken = view::read_frame_header(no_nul);
    ASSERT_TRUE(broken.damage.has_value());
    EXPECT_EQ(broken.damage->offset, 60u);

    Bytes many = hostobj::frame_header(1, nullptr);
    hostobj::set32(many, 44, 0xFFFFFFFF);
    ASSERT_TRUE(view::read_frame_header(many).damage.has_value());
    EXPECT_NE(view::read_frame_header(many).damage->what.find("4294967295 sub-entries"),
              std::string::npos);

    EXPECT_TRUE(view::read_frame_header(Bytes(55, 0)).damage.has_value());
}
