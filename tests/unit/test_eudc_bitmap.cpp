#include <gtest/gtest.h>

#include "test_support.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "glyphstore/char_code.h"
#include "glyphstore/eudc_bitmap.h"
#include "glyphstore/eudc_path.h"
#include "glyphstore/eudc_writer.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

Bytes Pattern(std::size_t size, int seed) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<std::uint8_t>(i * 7 + seed);
    return bytes;
}

// Builds files with the writer and patches their bytes to reach each outcome of the reader.
class EudcFile : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = MakeTestFolder("kf_eudc");
        ASSERT_TRUE(fs::is_directory(dir_));
        path_ = dir_ / "EUDC.EUF";
    }
    void TearDown() override { fs::remove_all(dir_); }

    void Create(int size) { ASSERT_TRUE(CreateEudcBitmapFile(path_, size)); }
    void Put(int code, const Bytes& bits) { ASSERT_TRUE(PutEudcBitmapRecord(path_, code, bits)); }

    Bytes Contents() const {
        std::ifstream in(path_, std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), {});
    }
    void SetContents(const Bytes& bytes) const {
        std::ofstream(path_, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    }
    void Patch(std::uint64_t offset, std::uint32_t value, int size) const {
        Bytes bytes = Contents();
        for (int i = 0; i < size; ++i) bytes.at(offset + i) = static_cast<std::uint8_t>(value >> (8 * i));
        SetContents(bytes);
    }
    std::uint32_t U32(std::uint64_t offset) const {
        const Bytes b = Contents();
        return b.at(offset) | b.at(offset + 1) << 8 | b.at(offset + 2) << 16 |
               std::uint32_t{b.at(offset + 3)} << 24;
    }
    std::uint32_t Base() const { return U32(98); }
    std::uint64_t EntryOffset(int code) const { return Base() + 14 + 4 * (code - kEudcFirst); }
    std::uint64_t RecordOffset(int code) const { return Base() + U32(EntryOffset(code)); }
    void Truncate(std::uint64_t length) const { fs::resize_file(path_, length); }

    // Reads with width and height preset to 7 and 9, to see which results touch them.
    int Read(int code) {
        width_ = 7;
        height_ = 9;
        bits_ = {1, 2, 3};
        return ReadEudcBitmap(path_, code, width_, height_, &bits_);
    }

    fs::path dir_;
    fs::path path_;
    int width_ = 0;
    int height_ = 0;
    Bytes bits_;
};

TEST_F(EudcFile, WriterRoundTripsThroughTheReader) {
    Create(64);
    EXPECT_EQ(Read(0), kEudcOk);
    EXPECT_EQ(width_, 64);
    EXPECT_EQ(height_, 64);
    EXPECT_TRUE(bits_.empty());

    Put(0xE123, Pattern(512, 1));
    Put(0xF8FF, Pattern(512, 2));
    Put(0xE000, Pattern(512, 3));
    for (auto [code, seed] : {std::pair{0xE123, 1}, {0xF8FF, 2}, {0xE000, 3}}) {
        EXPECT_EQ(Read(code), kEudcOk);
        EXPECT_EQ(bits_, Pattern(512, seed));
    }
    std::vector<int> codes;
    EXPECT_EQ(ListEudcCodes(path_, codes), kEudcOk);
    EXPECT_EQ(codes, (std::vector<int>{0xE000, 0xE123, 0xF8FF}));

    const auto size = fs::file_size(path_);
    Put(0xE123, Pattern(512, 4));
    EXPECT_EQ(fs::file_size(path_), size);  // overwritten in place
    EXPECT_EQ(Read(0xE123), kEudcOk);
    EXPECT_EQ(bits_, Pattern(512, 4));

    EXPECT_EQ(Read(0xE001), kEudcNoCharacter);
    EXPECT_EQ(width_, 0);
    EXPECT_EQ(height_, 0);
}

TEST_F(EudcFile, SizeWithoutFirstCharacterComesFromBase) {
    Create(256);  // E000 has no record
    EXPECT_EQ(Read(0), kEudcOk);
    EXPECT_EQ(width_, 256);
    Put(0xE555, Bytes(8192, 0));  // the largest record allowed
    EXPECT_EQ(Read(0xE555), kEudcOk);
    EXPECT_EQ(bits_, Bytes(8192, 0));
}

TEST_F(EudcFile, WriterRefusesBadInputAndLeavesFilesAlone) {
    for (int size : {0, 7, 12, 264}) EXPECT_FALSE(CreateEudcBitmapFile(dir_ / "x.euf", size)) << size;
    EXPECT_FALSE(fs::exists(dir_ / "x.euf"));

    Create(16);
    Put(0xE001, Pattern(32, 1));
    const Bytes before = Contents();
    EXPECT_FALSE(CreateEudcBitmapFile(path_, 16));
    EXPECT_FALSE(PutEudcBitmapRecord(path_, 0xE002, Pattern(31, 0)));
    EXPECT_FALSE(PutEudcBitmapRecord(path_, 0xE002, Pattern(33, 0)));
    EXPECT_FALSE(PutEudcBitmapRecord(path_, 0xDFFF, Pattern(32, 0)));
    EXPECT_FALSE(PutEudcBitmapRecord(path_, 0xF900, Pattern(32, 0)));
    EXPECT_EQ(Contents(), before);

    SetContents(Bytes(200, 'x'));
    EXPECT_FALSE(PutEudcBitmapRecord(path_, 0xE000, Pattern(32, 0)));
    EXPECT_EQ(Contents(), Bytes(200, 'x'));
    EXPECT_FALSE(PutEudcBitmapRecord(dir_ / "missing.euf", 0xE000, Pattern(32, 0)));
    EXPECT_FALSE(fs::exists(dir_ / "missing.euf"));
}

TEST_F(EudcFile, BrokenRecordIsReplacedNotOverwritten) {
    Create(16);
    Put(0xE001, Pattern(32, 1));
    Patch(RecordOffset(0xE001) + 4, 8, 2);  // 8 by 16: no longer the management size
    ASSERT_EQ(Read(0xE001), kEudcSizeMismatch);
    Put(0xE001, Pattern(32, 2));
    EXPECT_EQ(Read(0xE001), kEudcOk);
    EXPECT_EQ(bits_, Pattern(32, 2));

    // A record that reads well but lies inside the index must not be written over.
    Patch(EntryOffset(0xE001), 0x00080008, 4);  // read as W and H of a record at the index start
    Patch(EntryOffset(0xE005), 14, 4);
    Patch(Base() + 4, 8, 2);  // management size 8 by 8
    Patch(Base() + 6, 8, 2);
    ASSERT_EQ(Read(0xE005), kEudcOk);
    ASSERT_EQ(width_, 8);
    EXPECT_TRUE(PutEudcBitmapRecord(path_, 0xE005, Pattern(8, 5)));
    EXPECT_EQ(U32(EntryOffset(0xE002)), 0u);
    EXPECT_EQ(U32(EntryOffset(0xE003)), 0u);
    EXPECT_EQ(Read(0xE005), kEudcOk);
    EXPECT_EQ(bits_, Pattern(8, 5));
}

TEST_F(EudcFile, WriteThatWouldSpoilAnotherRecordIsAppendedInstead) {
    Create(16);
    Put(0xE001, Pattern(32, 1));
    // The first code's entry points into E001's bitmap, whose bytes there read as a 16 by 16 record header.
    const std::uint64_t shared = RecordOffset(0xE001) + 8;
    Patch(shared + 4, 16, 2);
    Patch(shared + 6, 16, 2);
    Patch(EntryOffset(0xE000), static_cast<std::uint32_t>(shared - Base()), 4);
    ASSERT_EQ(Read(0), kEudcOk);
    ASSERT_EQ(width_, 16);
    const std::uint32_t oldEntry = U32(EntryOffset(0xE001));

    // Written in place, the new bits would change the management size and E001 would read as result 40.
    Bytes zeros(32, 0);
    Put(0xE001, zeros);
    EXPECT_NE(U32(EntryOffset(0xE001)), oldEntry);
    EXPECT_EQ(Read(0xE001), kEudcOk);
    EXPECT_EQ(bits_, zeros);
    EXPECT_EQ(Read(0), kEudcOk);
    EXPECT_EQ(width_, 16);
    EXPECT_FALSE(fs::exists(path_.string() + ".kf-new"));
}

TEST_F(EudcFile, BytesAndFileReadersAgree) {
    Create(16);
    Put(0xE000, Pattern(32, 3));
    Put(0xE7FF, Pattern(32, 4));
    const Bytes file = Contents();
    for (int code : {0, 0xE000, 0xE001, 0xE7FF, 0x41}) {
        int w = 0, h = 0;
        Bytes bits;
        EXPECT_EQ(ReadEudcBitmapBytes(file, code, w, h, &bits), Read(code)) << code;
        EXPECT_EQ(w, width_);
        EXPECT_EQ(bits, bits_);
    }
    std::vector<int> a, b;
    EXPECT_EQ(ListEudcCodesBytes(file, a), ListEudcCodes(path_, b));
    EXPECT_EQ(a, (std::vector<int>{0xE000, 0xE7FF}));
    EXPECT_EQ(a, b);
    EXPECT_EQ(ReadEudcBitmapBytes(Bytes(file.begin(), file.begin() + 101), 0, width_, height_, nullptr),
              kEudcBadHeader);
}

TEST_F(EudcFile, HeaderAndRangeFailuresLeaveSizeUntouched) {
    EXPECT_EQ(Read(0), kEudcCannotOpen);
    EXPECT_EQ(width_, 7);
    EXPECT_EQ(height_, 9);

    Create(64);
    const Bytes good = Contents();
    Truncate(101);
    EXPECT_EQ(Read(0), kEudcBadHeader);
    EXPECT_EQ(width_, 7);
    SetContents(good);
    Patch(0, 'w', 1);  // signature differs in letter case only
    EXPECT_EQ(Read(0xE000), kEudcBadHeader);
    EXPECT_EQ(height_, 9);

    for (std::uint32_t base : {0u, 5u, std::uint32_t(good.size() + 6), std::uint32_t(good.size() - 10)}) {
        SetContents(good);
        Patch(98, base, 4);
        EXPECT_EQ(Read(0), kEudcBadRangeBlock) << base;
        EXPECT_EQ(width_, 7);
    }
}

TEST_F(EudcFile, IndexMustBeThereWhole) {
    Create(64);
    Put(0xE000, Pattern(512, 1));
    const Bytes good = Contents();
    const std::uint32_t base = Base();

    Patch(base - 4, 0xDFFF, 2);  // L below F
    EXPECT_EQ(Read(0), kEudcBadIndex);
    EXPECT_EQ(width_, 7);
    SetContents(good);
    Patch(base - 6, 0, 2);  // 65536 entries: more than the file holds
    Patch(base - 4, 0xFFFF, 2);
    EXPECT_EQ(Read(0), kEudcBadIndex);
    SetContents(good);
    Truncate(EntryOffset(0xF8FF) + 3);
    EXPECT_EQ(Read(0), kEudcBadIndex);

    // F equal to L: an index of one entry; codes outside it are not stored.
    SetContents(good);
    Patch(base - 4, 0xE000, 2);
    EXPECT_EQ(Read(0xE000), kEudcOk);
    EXPECT_EQ(bits_, Pattern(512, 1));
    EXPECT_EQ(Read(0xE001), kEudcNoCharacter);
    EXPECT_EQ(Read(0xDFFF), kEudcNoCharacter);
    std::vector<int> codes;
    EXPECT_EQ(ListEudcCodes(path_, codes), kEudcOk);
    EXPECT_EQ(codes, std::vector<int>{0xE000});
}

TEST_F(EudcFile, UnreadableManagementRecordGivesZeroSize) {
    Create(64);
    Put(0xE100, Pattern(512, 1));
    Patch(EntryOffset(0xE000), static_cast<std::uint32_t>(fs::file_size(path_)), 4);  // beyond the end
    EXPECT_EQ(Read(0), kEudcOk);
    EXPECT_EQ(width_, 7);  // the caller's values stay
    EXPECT_EQ(height_, 9);
    EXPECT_EQ(Read(0xE100), kEudcSizeMismatch);  // compared against 0 by 0
    EXPECT_TRUE(bits_.empty());
}

TEST_F(EudcFile, RecordFailures) {
    Create(64);
    Put(0xE100, Pattern(512, 1));
    const Bytes good = Contents();
    const std::uint64_t record = RecordOffset(0xE100);
    const auto expect = [&](int result) {
        EXPECT_EQ(Read(0xE100), result);
        EXPECT_EQ(width_, 0);
        EXPECT_EQ(height_, 0);
        EXPECT_TRUE(bits_.empty());
        SetContents(good);
    };

    Patch(EntryOffset(0xE100), static_cast<std::uint32_t>(good.size() - Base()), 4);
    expect(kEudcRecordBeyondEnd);
    Patch(EntryOffset(0xE100), static_cast<std::uint32_t>(good.size() - Base() - 4), 4);
    expect(kEudcRecordHeaderShort);
    Patch(record + 4, 257, 2);  // 257 by 256 is over the 8192-byte limit in any file
    Patch(record + 6, 256, 2);
    expect(kEudcBadRecordSize);
    Patch(record + 4, 0, 2);
    expect(kEudcBadRecordSize);
    Patch(record + 4, 0xFFFF, 2);  // the product overflows 32 bits
    Patch(record + 6, 0xFFFF, 2);
    expect(kEudcBadRecordSize);
    Truncate(record + 511);  // shorter than record start + 512
    expect(kEudcFileShorterThanRecord);
    Truncate(record + 512);  // only the last 8 bitmap bytes missing
    expect(kEudcBitmapShort);
    Patch(record + 4, 48, 2);  // a 48 by 48 character in a 64 dot file
    Patch(record + 6, 48, 2);
    expect(kEudcSizeMismatch);
    Patch(record + 6, 48, 2);  // 64 by 48
    expect(kEudcSizeMismatch);
}

TEST(EudcPath, RelativeValuesGoIntoTheFontsFolder) {
    const std::wstring fonts = L"C:\\WINDOWS\\Fonts";
    EXPECT_EQ(GetEudcFilePath(L"EUDC.TTE", false, fonts), L"C:\\WINDOWS\\Fonts\\EUDC.EUF");
    EXPECT_EQ(GetEudcFilePath(L"EUDC.TTE", true, fonts), L"C:\\WINDOWS\\Fonts\\EUDC.TTE");
    EXPECT_EQ(GetEudcFilePath(L"D:\\My\\EUDC.TTE", false, fonts), L"D:\\My\\EUDC.EUF");
    EXPECT_EQ(GetEudcFilePath(L"\\\\srv\\f\\E.TTE", false, fonts), L"C:\\WINDOWS\\Fonts\\\\\\srv\\f\\E.EUF");
    EXPECT_EQ(GetEudcFilePath(L"EUDC.xyz", false, fonts), L"C:\\WINDOWS\\Fonts\\EUDC.EUF");
    EXPECT_EQ(GetEudcFilePath(L"X.TT", false, fonts), L"XEUF");  // one character left: used as it stands
    EXPECT_EQ(GetEudcFilePath(L"TTE", true, fonts), L"TTE");
    EXPECT_EQ(GetEudcFilePath(L"", false, fonts), L"EUF");
}

}  // namespace
