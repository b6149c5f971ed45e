#include <gtest/gtest.h>

#include "test_support.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "document/img_array.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

constexpr int kGlyphSize = 16;
constexpr std::size_t kPlaneBytes = kGlyphSize * kGlyphSize / 8;

Bytes Plane(int seed) {
    Bytes bytes(kPlaneBytes);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<std::uint8_t>(i * 13 + seed * 29 + 1);
    return bytes;
}

Bytes ReadAll(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

void WriteAll(const fs::path& path, const Bytes& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

struct RecordingHost : IImgArrayHost {
    void OnModifiedChanged(BOOL bModified) override { marks.push_back(bModified); }
    void OnStateLoaded() override { ++loads; }
    std::vector<BOOL> marks;
    int loads = 0;
};

// Each test gets its own TEMP folder; the store makes its ud folder inside it.
class ImgArray : public ::testing::Test {
  protected:
    void SetUp() override {
        temp_ = MakeTestFolder("kf_undo");
        ASSERT_TRUE(fs::is_directory(temp_));
    }
    void TearDown() override {
        store_.reset();
        fs::remove_all(temp_);
    }

    CImgArray& Make() {
        store_ = std::make_unique<CImgArray>(temp_, kGlyphSize, &host_);
        return *store_;
    }
    // A loaded character and `edits` edits: states 0..edits hold Plane(0)..Plane(edits).
    CImgArray& MakeWithEdits(int edits) {
        CImgArray& store = Make();
        store.Store(Plane(0), TRUE);
        for (int k = 1; k <= edits; ++k) store.Store(Plane(k), FALSE);
        return store;
    }
    fs::path Folder() const { return fs::path(store_->GetTempPath()); }
    std::vector<std::string> FileNames() const {
        std::vector<std::string> names;
        for (const auto& entry : fs::directory_iterator(Folder()))
            names.push_back(entry.path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    fs::path temp_;
    RecordingHost host_;
    std::unique_ptr<CImgArray> store_;
};

TEST_F(ImgArray, MakesItsOwnEmptyUdFolderPerStore) {
    CImgArray& store = Make();
    ASSERT_FALSE(store.IsDisabled());
    EXPECT_EQ(Folder().parent_path(), temp_);
    EXPECT_EQ(Folder().filename().wstring().substr(0, 2), L"ud");
    EXPECT_TRUE(fs::is_directory(Folder()));
    EXPECT_TRUE(fs::is_empty(Folder()));
    EXPECT_EQ(store.GetPos(), -1);
    EXPECT_EQ(store.GetLastPos(), -1);
    EXPECT_FALSE(store.IsModified());
    EXPECT_FALSE(store.CanUndo());
    EXPECT_FALSE(store.CanRedo());

    // Several editors started from one folder share TEMP; each must get a folder of its own.
    std::vector<std::unique_ptr<CImgArray>> others;
    for (int i = 0; i < 20; ++i) others.push_back(std::make_unique<CImgArray>(temp_, kGlyphSize, nullptr));
    std::vector<std::wstring> paths{store.GetTempPath()};
    for (const auto& other : others) {
        ASSERT_FALSE(other->IsDisabled());
        paths.push_back(other->GetTempPath());
    }
    std::sort(paths.begin(), paths.end());
    EXPECT_EQ(std::adjacent_find(paths.begin(), paths.end()), paths.end());
}

TEST_F(ImgArray, FolderNameInUseIsSkippedNeverTakenOver) {
    constexpr std::uint64_t kSeed = 0x1234;
    fs::path first;
    ASSERT_TRUE(CreateUdFolder(temp_, kSeed, first));
    EXPECT_EQ(first.parent_path(), temp_);
    // The same draw again, as two processes might make it: the second gets another folder.
    fs::path second;
    ASSERT_TRUE(CreateUdFolder(temp_, kSeed, second));
    EXPECT_NE(second, first);
    EXPECT_TRUE(fs::is_directory(first));
    EXPECT_TRUE(fs::is_directory(second));

    // A file that holds the name is skipped too, and left alone.
    fs::remove(first);
    WriteAll(first, Plane(1));
    fs::path third;
    ASSERT_TRUE(CreateUdFolder(temp_, kSeed, third));
    EXPECT_NE(third, first);
    EXPECT_EQ(ReadAll(first), Plane(1));

    fs::path missing;
    EXPECT_FALSE(CreateUdFolder(temp_ / "TEMP", kSeed, missing));
    EXPECT_FALSE(fs::exists(temp_ / "TEMP"));
}

TEST_F(ImgArray, PositionsFilesAndModifiedFlagFollowEditsUndoAndRedo) {
    CImgArray& store = Make();
    store.Store(Plane(0), TRUE);
    EXPECT_EQ(store.GetPos(), 0);
    EXPECT_EQ(store.GetLastPos(), 0);
    EXPECT_FALSE(store.CanUndo());
    EXPECT_FALSE(store.CanRedo());
    EXPECT_FALSE(store.IsModified());
    EXPECT_TRUE(host_.marks.empty()) << "the first state is not a modification";

    for (int k = 1; k <= 3; ++k) store.Store(Plane(k), FALSE);
    EXPECT_EQ(store.GetPos(), 3);
    EXPECT_EQ(store.GetLastPos(), 3);
    EXPECT_TRUE(store.IsModified());
    EXPECT_EQ(host_.marks, (std::vector<BOOL>{TRUE, TRUE, TRUE}));
    EXPECT_EQ(FileNames(), (std::vector<std::string>{"0.tmp", "1.tmp", "2.tmp", "3.tmp"}));
    for (int k = 0; k <= 3; ++k) EXPECT_EQ(ReadAll(store.GetStatePath(k)), Plane(k)) << k;
    EXPECT_EQ(store.GetStatePath(2), Folder() / "2.tmp");

    Bytes plane(kPlaneBytes, 0xFF);
    ASSERT_TRUE(store.Undo(plane));
    ASSERT_TRUE(store.Undo(plane));
    EXPECT_EQ(plane, Plane(1));
    EXPECT_EQ(store.GetPos(), 1);
    EXPECT_EQ(store.GetLastPos(), 3);
    EXPECT_TRUE(store.CanUndo());
    EXPECT_TRUE(store.CanRedo());
    EXPECT_EQ(host_.loads, 2);

    ASSERT_TRUE(store.Redo(plane));
    EXPECT_EQ(plane, Plane(2));
    EXPECT_EQ(store.GetPos(), 2);
    ASSERT_TRUE(store.Undo(plane));
    EXPECT_EQ(plane, Plane(1));

    // An edit after undo drops the redo states: 2.tmp is overwritten, 3.tmp stays but cannot be reached.
    store.Store(Plane(7), FALSE);
    EXPECT_EQ(store.GetPos(), 2);
    EXPECT_EQ(store.GetLastPos(), 2);
    EXPECT_FALSE(store.CanRedo());
    EXPECT_EQ(ReadAll(store.GetStatePath(2)), Plane(7));
    EXPECT_TRUE(fs::exists(store.GetStatePath(3)));
    const Bytes before = plane;
    EXPECT_FALSE(store.Redo(plane));
    EXPECT_EQ(plane, before);
    EXPECT_EQ(store.GetPos(), 2);
}

TEST_F(ImgArray, UndoAndRedoAlwaysMarkModifiedAndStopAtTheEnds) {
    CImgArray& store = MakeWithEdits(1);
    store.ResetHistory(TRUE);  // a save
    EXPECT_FALSE(store.IsModified());
    EXPECT_TRUE(store.CanUndo()) << "a save keeps the history";

    Bytes plane(kPlaneBytes, 0xAA);
    ASSERT_TRUE(store.Undo(plane));
    EXPECT_EQ(plane, Plane(0));
    EXPECT_TRUE(store.IsModified()) << "back at the loaded state still counts as modified";
    EXPECT_EQ(host_.marks.back(), TRUE);

    const int loads = host_.loads;
    EXPECT_FALSE(store.Undo(plane));
    EXPECT_EQ(store.GetPos(), 0);
    EXPECT_EQ(plane, Plane(0));
    EXPECT_EQ(host_.loads, loads);

    ASSERT_TRUE(store.Redo(plane));
    EXPECT_EQ(plane, Plane(1));
    EXPECT_FALSE(store.Redo(plane));
    EXPECT_EQ(store.GetPos(), 1);
}

TEST_F(ImgArray, ResetHistoryDeletesStatesOrKeepsThem) {
    CImgArray& store = MakeWithEdits(3);
    Bytes plane(kPlaneBytes);
    ASSERT_TRUE(store.Undo(plane));

    store.ResetHistory(TRUE);
    EXPECT_FALSE(store.IsModified());
    EXPECT_EQ(host_.marks.back(), FALSE);
    EXPECT_EQ(store.GetPos(), 2);
    EXPECT_EQ(store.GetLastPos(), 3);
    EXPECT_TRUE(store.CanUndo());
    EXPECT_TRUE(store.CanRedo());
    EXPECT_EQ(FileNames().size(), 4u);
    store.Store(Plane(9), FALSE);
    EXPECT_TRUE(store.IsModified()) << "the next edit after a save marks again";

    // Loading another code: every state file goes, dot-files and subfolders are not states.
    fs::create_directory(Folder() / "sub");
    WriteAll(Folder() / ".keep", Plane(0));
    store.ResetHistory(FALSE);
    EXPECT_EQ(FileNames(), (std::vector<std::string>{".keep", "sub"}));
    EXPECT_EQ(store.GetPos(), -1);
    EXPECT_EQ(store.GetLastPos(), -1);
    EXPECT_FALSE(store.IsModified());
    EXPECT_FALSE(store.CanUndo());
    EXPECT_FALSE(store.CanRedo());

    store.Store(Plane(5), TRUE);
    EXPECT_EQ(store.GetPos(), 0);
    EXPECT_EQ(ReadAll(store.GetStatePath(0)), Plane(5));
    EXPECT_FALSE(store.CanUndo());
    fs::remove(Folder() / ".keep");
    fs::remove(Folder() / "sub");
}

TEST_F(ImgArray, DestructionRemovesFilesAndFolderButNotTemp) {
    MakeWithEdits(2);
    const fs::path folder = Folder();
    CImgArray neighbour(temp_, kGlyphSize, nullptr);
    neighbour.Store(Plane(3), TRUE);
    const size_t marks = host_.marks.size();

    store_.reset();
    EXPECT_FALSE(fs::exists(folder));
    EXPECT_TRUE(fs::is_directory(temp_));
    EXPECT_EQ(ReadAll(neighbour.GetStatePath(0)), Plane(3)) << "another editor's history is untouched";
    EXPECT_EQ(host_.marks.size(), marks) << "the host is not called while being torn down";
}

TEST_F(ImgArray, DisabledStoreStillMarksModified) {
    for (const bool tempIsFile : {false, true}) {
        SCOPED_TRACE(tempIsFile ? "TEMP is a file" : "TEMP is missing");
        const fs::path temp = temp_ / "TEMP";
        if (tempIsFile) WriteAll(temp, Plane(0));
        RecordingHost host;
        {
            CImgArray store(temp, kGlyphSize, &host);
            EXPECT_TRUE(store.IsDisabled());
            store.Store(Plane(0), TRUE);
            EXPECT_FALSE(store.IsModified());
            store.Store(Plane(1), FALSE);
            store.Store(Plane(2), FALSE);
            EXPECT_TRUE(store.IsModified());
            EXPECT_EQ(host.marks, (std::vector<BOOL>{TRUE, TRUE}));
            EXPECT_EQ(store.GetPos(), -1);
            EXPECT_FALSE(store.CanUndo());
            EXPECT_FALSE(store.CanRedo());
            Bytes plane(kPlaneBytes, 0x55);
            EXPECT_FALSE(store.Undo(plane));
            EXPECT_EQ(plane, Bytes(kPlaneBytes, 0x55));
            store.ResetHistory(TRUE);
            EXPECT_FALSE(store.IsModified());
        }
        EXPECT_EQ(tempIsFile, fs::is_regular_file(temp));
        EXPECT_EQ(std::distance(fs::directory_iterator(temp_), {}), tempIsFile ? 1 : 0);
        fs::remove(temp);
    }
}

TEST_F(ImgArray, UnreadableStateLeavesPlanePositionAndFlagAlone) {
    struct Case {
        const char* name;
        Bytes content;  // empty: the file is missing
    };
    const Case cases[] = {{"missing", {}},
                          {"short", Bytes(kPlaneBytes - 1, 0x11)},
                          {"empty", Bytes{}},
                          {"overlong", Bytes(kPlaneBytes + 1, 0x22)}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CImgArray& store = MakeWithEdits(3);
        Bytes plane(kPlaneBytes);
        ASSERT_TRUE(store.Undo(plane));  // Pos 2
        ASSERT_TRUE(store.Undo(plane));  // Pos 1
        fs::remove(store.GetStatePath(0));
        fs::remove(store.GetStatePath(2));
        if (std::string(c.name) != "missing") {
            WriteAll(store.GetStatePath(0), c.content);
            WriteAll(store.GetStatePath(2), c.content);
        }
        store.ResetHistory(TRUE);
        const int loads = host_.loads;
        const Bytes staged(kPlaneBytes, 0x5A);

        plane = staged;
        EXPECT_FALSE(store.Undo(plane));
        EXPECT_FALSE(store.Redo(plane));
        EXPECT_EQ(plane, staged);
        EXPECT_EQ(store.GetPos(), 1);
        EXPECT_EQ(store.GetLastPos(), 3);
        EXPECT_FALSE(store.IsModified());
        EXPECT_EQ(host_.loads, loads) << "the view must not take over a plane that holds no state";
    }
}

TEST_F(ImgArray, PlaneOfTheWrongSizeIsRefused) {
    CImgArray& store = MakeWithEdits(1);
    Bytes small(kPlaneBytes - 1, 0x33);
    Bytes large(kPlaneBytes + 1, 0x33);
    EXPECT_FALSE(store.Undo(small));
    EXPECT_FALSE(store.Undo(large));
    EXPECT_FALSE(store.Undo({}));
    EXPECT_EQ(small, Bytes(kPlaneBytes - 1, 0x33));
    EXPECT_EQ(large, Bytes(kPlaneBytes + 1, 0x33));
    EXPECT_EQ(store.GetPos(), 1);
    EXPECT_EQ(host_.loads, 0);
}

TEST_F(ImgArray, FailedWriteTakesThePositionAndNeverShowsAStaleState) {
    CImgArray& store = MakeWithEdits(2);
    Bytes plane(kPlaneBytes);
    ASSERT_TRUE(store.Undo(plane));
    ASSERT_TRUE(store.Undo(plane));  // Pos 0; 1.tmp and 2.tmp hold a dropped branch

    store.Store(Bytes(kPlaneBytes - 1, 0x44), FALSE);  // cannot be written whole
    EXPECT_EQ(store.GetPos(), 1);
    EXPECT_EQ(store.GetLastPos(), 1);
    EXPECT_FALSE(fs::exists(store.GetStatePath(1))) << "the old branch's state 1 must not survive";
    store.Store(Plane(8), FALSE);
    EXPECT_EQ(store.GetPos(), 2);

    plane = Plane(8);
    EXPECT_FALSE(store.Undo(plane));
    EXPECT_EQ(plane, Plane(8));
    EXPECT_EQ(store.GetPos(), 2);

    // A state path the store cannot create as a file.
    fs::create_directories(store.GetStatePath(3) / "x");
    store.Store(Plane(9), FALSE);
    EXPECT_EQ(store.GetPos(), 3);
    EXPECT_TRUE(store.CanUndo());
    ASSERT_TRUE(store.Undo(plane));
    EXPECT_EQ(plane, Plane(8));
    EXPECT_FALSE(store.Redo(plane));
    EXPECT_EQ(store.GetPos(), 2);
    fs::remove_all(store.GetStatePath(3));
}

}  // namespace
