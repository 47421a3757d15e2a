// Record writer: the bytes and sizes of each step of a record, the fill, the 32-bit store, and
// a block that stays consistent when the host refuses to grow it.
#include "vec_fixture.h"

namespace {

using namespace vectest;

class Records : public RecordState {
  protected:
    std::size_t resizes() { return hostk::call_count("emm_resz"); }

    // The steps of a LINE record from (0, 16384) to (16384, 0), stopping at the first failure.
    int32_t line_steps() {
        int32_t stat = insert_nexel(14, 0, 0, 0, 0, 0, 0);
        if (stat < 0)
            return stat;
        pvoh->xpos = 1;
        pvoh->ypos = 2;
        pvoh->width = 3;
        pvoh->height = 4;
        if ((stat = insert_nexel(0, 0, 16384, 0, 0, 0, 0)) < 0)
            return stat;
        if ((stat = insert_nexel(1, 16384, 0, 0, 0, 0, 0)) < 0)
            return stat;
        if ((stat = insert_nexel(15, 0, 0, 0, 0, 0, 0)) < 0)
            return stat;
        set_fixed_attributes(1);
        return 0;
    }
};

TEST_F(Records, LineRecordStepByStep) {
    std::size_t before = resizes();
    ASSERT_EQ(insert_nexel(14, 0, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(resizes() - before, 2u);
    EXPECT_EQ(tSize, 52u);
    EXPECT_EQ(Offset, 52u);
    EXPECT_EQ(VOHOffset, 24u);
    EXPECT_EQ(vohSize, 28u);
    EXPECT_EQ(reinterpret_cast<unsigned char*>(pvoh), reinterpret_cast<unsigned char*>(pogr) + 24);
    pvoh->xpos = 0;
    pvoh->ypos = 8192;
    pvoh->width = 16384;
    pvoh->height = 8192;

    before = resizes();
    ASSERT_EQ(insert_nexel(0, 0, 16384, 7, 7, 7, 7), 0);
    ASSERT_EQ(insert_nexel(1, 16384, 0, 7, 7, 7, 7), 0);
    EXPECT_EQ(resizes() - before, 2u);
    EXPECT_EQ(tSize, 64u);
    EXPECT_EQ(VOHOffset + vohSize, tSize);

    before = resizes();
    ASSERT_EQ(insert_nexel(15, 0, 0, 0, 0, 0, 0), 0);
    EXPECT_EQ(resizes() - before, 2u); // the end word, then the fill
    set_fixed_attributes(1);
    EXPECT_EQ(tSize, 68u);
    EXPECT_EQ(VOHOffset, 68u);
    EXPECT_EQ(block_size(), 68u);

    Bytes b = finish();
    ASSERT_EQ(b.size(), 68u);
    expect_record(b, 24, 44, 0x90);
    EXPECT_EQ(box_at(b, 24), (Box{0, 8192, 16384, 8192}));
    EXPECT_EQ(words(b, 52, 7), (std::vector<int>{0, 0, 16384, 1, 16384, 0, 15}));
}

TEST_F(Records, CircleAndArcElements) {
    ASSERT_EQ(insert_nexel(14, 0, 0, 0, 0, 0, 0), 0);
    ASSERT_EQ(insert_nexel(9, 8192, 8192, 8192, 0, 0, 0), 0);
    ASSERT_EQ(insert_nexel(15, 0, 0, 0, 0, 0, 0), 0);
    set_fixed_attributes(1);
    ASSERT_EQ(insert_nexel(14, 0, 0, 0, 0, 0, 0), 0);
    ASSERT_EQ(insert_nexel(3, 100, 200, 300, 400, -30, 120), 0);
    ASSERT_EQ(insert_nexel(15, 0, 0, 0, 0, 0, 0), 0);
    set_fixed_attributes(1);

    Bytes b = finish();
    ASSERT_EQ(b.size(), 24u + 52 + 52);
    expect_record(b, 24, 52, 0x90);
    EXPECT_EQ(words(b, 24 + 28, 11),
              (std::vector<int>{0, 16384, 8192, 3, 8192, 8192, 8192, 8192, 0, 360, 15}));
    expect_record(b, 76, 52, 0x90);
    EXPECT_EQ(words(b, 76 + 28, 11),
              (std::vector<int>{0, 100, 200, 3, 100, 200, 300, 400, -30, 120, 15}));
}

TEST_F(Records, PolylineSizesAndFill) {
    // n points: 30 + 6n bytes, filled to a multiple of 4; the fill needs its own resize.
    const uint32_t expected[] = {36, 44, 48, 56};
    uint32_t at = 24;
    for (int n = 1; n <= 4; ++n) {
        ASSERT_EQ(insert_nexel(14, 0, 0, 0, 0, 0, 0), 0);
        for (int i = 0; i < n; ++i)
            ASSERT_EQ(insert_nexel(i ? 1 : 0, int16_t(i), int16_t(-i), 0, 0, 0, 0), 0);
        std::size_t before = resizes();
        ASSERT_EQ(insert_nexel(15, 0, 0, 0, 0, 0, 0), 0);
        EXPECT_EQ(resizes() - before, n % 2 ? 1u : 2u) << n;
        set_fixed_attributes(0);
        EXPECT_EQ(VOHOffset, at + expected[n - 1]);
        at = VOHOffset;
    }
    Bytes b = finish();
    ASSERT_EQ(b.size(), at);
    at = 24;
    for (int n = 1; n <= 4; ++n) {
        expect_record(b, at, expected[n - 1], 0x80);
        EXPECT_EQ(s16(b, at + 28 + 6 * n), 15);
        at += expected[n - 1];
    }
}

TEST_F(Records, RefusedCallsWriteNothing) {
    std::size_t before = resizes();
    // An unknown type code.
    for (int16_t type : {2, 4, 8, 10, 13, 16, 255, -1}) {
        EXPECT_EQ(insert_nexel(type, 1, 2, 3, 4, 5, 6), -1) << type;
    }
    // An end without an open record: its header would lie outside the block.
    EXPECT_EQ(insert_nexel(15, 0, 0, 0, 0, 0, 0), -1);
    EXPECT_EQ(resizes(), before);
    EXPECT_EQ(tSize, 24u);
    EXPECT_EQ(Offset, 24u);
    EXPECT_EQ(VOHOffset, 24u);
    EXPECT_EQ(block_size(), 24u);
}

TEST_F(Records, DwordSetWritesLittleEndianAtAnyEvenAddress) {
    alignas(4) unsigned char buf[12];
    std::memset(buf, 0xEE, sizeof buf);
    dword_set(buf + 2, 0x11223344u); // 2 above a multiple of 4: two halves
    dword_set(buf + 8, 0xA1B2C3D4u); // a multiple of 4: one store
    const unsigned char want[12] = {0xEE, 0xEE, 0x44, 0x33, 0x22, 0x11,
                                    0xEE, 0xEE, 0xD4, 0xC3, 0xB2, 0xA1};
    EXPECT_EQ(std::memcmp(buf, want, sizeof buf), 0);
}

TEST_F(Records, RefusedGrowthKeepsTheBlockConsistent) {
    // A LINE record takes six resizes; let each one fail in turn, with the block moving on
    // every resize so that a stale address is caught.
    hostk::set_move_on_resize(true);
    for (std::size_t n = 1; n <= 6; ++n) {
        SCOPED_TRACE("failing resize " + std::to_string(n));
        restart_block();
        hostk::fail_call("emm_resz", n, KST_NOMEMORY);
        EXPECT_EQ(line_steps(), KST_NOMEMORY);
        hostk::clear_faults();
        EXPECT_EQ(tSize, block_size());
        EXPECT_LE(Offset, tSize);
        EXPECT_LE(VOHOffset, tSize);
        if (tSize > 24) {
            EXPECT_EQ(VOHOffset + vohSize, tSize); // the record stays open
        }
    }
    // With no failure the same steps make the whole record.
    restart_block();
    std::size_t moves = hostk::block_moves();
    ASSERT_EQ(line_steps(), 0);
    EXPECT_EQ(hostk::block_moves() - moves, 6u);
    EXPECT_EQ(tSize, 68u);
    Bytes b = finish();
    ASSERT_EQ(b.size(), 68u);
    expect_record(b, 24, 44, 0x90);
    EXPECT_EQ(box_at(b, 24), (Box{1, 2, 3, 4}));
    EXPECT_EQ(words(b, 52, 7), (std::vector<int>{0, 0, 16384, 1, 16384, 0, 15}));
}

} // namespace
