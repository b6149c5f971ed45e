#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "editor/dot_plane.h"

namespace {

// Indices of the bytes that are not 0xFF.
std::vector<std::size_t> NonWhiteBytes(const DotPlane& plane) {
    std::vector<std::size_t> indices;
    for (std::size_t i = 0; i < plane.ByteCount(); ++i) {
        if (plane.Bytes()[i] != kWhiteByte) indices.push_back(i);
    }
    return indices;
}

}  // namespace

TEST(DotPlane, NewPlaneIsAllWhite) {
    DotPlane plane(64);
    EXPECT_EQ(plane.Size(), 64);
    ASSERT_EQ(plane.ByteCount(), 512u);
    EXPECT_TRUE(NonWhiteBytes(plane).empty());
    EXPECT_EQ(DotPlane(16).ByteCount(), 32u);
    EXPECT_EQ(DotPlaneByteCount(0), 0u);
    EXPECT_EQ(DotPlaneByteCount(-8), 0u);
}

TEST(DotPlane, DotsSitWhereMonochromeBitmapsKeepThem) {
    DotPlane plane(64);
    plane.SetDot(9, 2, true);
    EXPECT_EQ(NonWhiteBytes(plane), (std::vector<std::size_t>{17}));
    EXPECT_EQ(plane.Bytes()[17], 0xBF);  // bit 0x40 cleared
    EXPECT_TRUE(plane.IsBlack(9, 2));
    for (auto [x, y] : {std::pair{8, 2}, {10, 2}, {9, 1}, {9, 3}, {2, 9}}) EXPECT_FALSE(plane.IsBlack(x, y));

    plane.SetDot(0, 0, true);
    plane.SetDot(63, 63, true);
    EXPECT_EQ(plane.Bytes()[0], 0x7F);    // leftmost dot in the top bit
    EXPECT_EQ(plane.Bytes()[511], 0xFE);  // last dot in the low bit of the last byte

    plane.SetDot(9, 2, false);
    EXPECT_EQ(plane.Bytes()[17], 0xFF);
    EXPECT_FALSE(plane.IsBlack(9, 2));

    // The row stride follows the size: at N = 16 dot (9, 1) is byte 1 * 2 + 1.
    DotPlane small(16);
    small.SetDot(9, 1, true);
    EXPECT_EQ(NonWhiteBytes(small), (std::vector<std::size_t>{3}));
    EXPECT_EQ(small.Bytes()[3], 0xBF);
}

TEST(DotPlane, OutsideTheGlyphReadsWhiteAndIsNeverWritten) {
    DotPlane plane(64);
    plane.Fill(true);
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {64, 0}, {0, 64}, {64, 64}, {-8, 3}, {1000, 1000}}) {
        EXPECT_FALSE(plane.IsBlack(x, y)) << x << "," << y;
    }

    DotPlane white(64);
    for (auto [x, y] : {std::pair{-1, 0}, {0, -1}, {64, 0}, {0, 64}, {64, 63}, {-1, -1}})
        white.SetDot(x, y, true);
    EXPECT_EQ(white, DotPlane(64));
}

TEST(DotPlane, MissingBytesReadWhite) {
    const DotPlane* detached = nullptr;
    EXPECT_FALSE(IsBlackDot(detached, 0, 0));
    DotPlane black(8);
    black.Fill(true);
    EXPECT_TRUE(IsBlackDot(&black, 7, 7));

    EXPECT_FALSE(DotPlane().IsBlack(0, 0));

    // A span shorter than the plane it claims to be: the missing bytes read white and take no writes.
    std::vector<std::uint8_t> shortBytes(4, 0x00);
    EXPECT_TRUE(IsBlackDot(shortBytes, 64, 31, 0));
    EXPECT_FALSE(IsBlackDot(shortBytes, 64, 32, 0));
    EXPECT_FALSE(IsBlackDot(shortBytes, 64, 0, 63));
    SetBlackDot(shortBytes, 64, 0, 63, false);
    EXPECT_EQ(shortBytes, std::vector<std::uint8_t>(4, 0x00));
}

TEST(DotPlane, FillAndEquality) {
    DotPlane a(32);
    a.Fill(true);
    EXPECT_TRUE(std::ranges::all_of(a.Bytes(), [](std::uint8_t b) { return b == kBlackByte; }));
    EXPECT_TRUE(a.IsBlack(31, 31));

    DotPlane b(32);
    b.Fill(true);
    EXPECT_EQ(a, b);
    b.SetDot(17, 30, false);
    EXPECT_NE(a, b);
    a.Fill(false);
    EXPECT_EQ(a, DotPlane(32));
    EXPECT_NE(DotPlane(16), DotPlane(32));
}
