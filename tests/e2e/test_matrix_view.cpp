// The matrix view's commands in-process, on the real view in a frame: which menu items its state enables
// and checks, as the frame applies them to a menu that opens. (Another process's menu cannot be read under
// Wine, so the states are checked here and their effects by the program-driving tests.)
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/app_context.h"
#include "editor/edit_history.h"
#include "editor/update_hints.h"
#include "resource.h"
#include "win32/editor/matrix_edit_view.h"
#include "win32/framework/frame_wnd.h"
#include "win32/framework/win_thread.h"

namespace {

class MemoryProfile : public IProfileStore {
  public:
    std::wstring GetProfileString(const wchar_t* s, const wchar_t* k, const wchar_t* d) override {
        const auto it = values.find(std::wstring(s) + L"/" + k);
        return it != values.end() ? it->second : std::wstring(d ? d : L"");
    }
    int GetProfileInt(const wchar_t* s, const wchar_t* k, int d) override {
        const auto it = values.find(std::wstring(s) + L"/" + k);
        return it != values.end() ? _wtoi(it->second.c_str()) : d;
    }
    BOOL WriteProfileString(const wchar_t* s, const wchar_t* k, const wchar_t* v) override {
        values[std::wstring(s) + L"/" + k] = v ? v : L"";
        return TRUE;
    }
    BOOL WriteProfileInt(const wchar_t* s, const wchar_t* k, int v) override {
        return WriteProfileString(s, k, std::to_wstring(v).c_str());
    }
    std::map<std::wstring, std::wstring> values;
};

class CountingHistory : public IEditHistory {
  public:
    void RecordEdit(std::span<const std::uint8_t>) override { ++steps; }
    int steps = 0;
};

// The commands a selection or the clipboard enables, and the layer items.
constexpr UINT kNeedSelection[] = {ID_EDIT_CUT,
                                   ID_EDIT_COPY,
                                   ID_SELECT_NONE,
                                   ID_SELECT_INVERT,
                                   ID_IMAGE_INVERT,
                                   ID_IMAGE_FLIP_VERTICAL,
                                   ID_IMAGE_FLIP_HORIZONTAL,
                                   ID_IMAGE_ROTATE_90,
                                   ID_IMAGE_ROTATE_180,
                                   ID_IMAGE_ROTATE_240,
                                   ID_TOOL_MOVE};

class MatrixViewCommands : public ::testing::Test {
  protected:
    void SetUp() override {
        context.m_pProfile = &profile;
        context.m_nGlyphSize = 64;
        frame = new CFrameWnd;
        create.m_pNewViewClass = [this] { return view = new CMatrixEditView(context); };
        ASSERT_TRUE(frame->LoadFrame(0x7F01, WS_OVERLAPPEDWINDOW, nullptr, &create));
        thread.m_pMainWnd = frame;
        ASSERT_NE(view, nullptr);
        GlyphPlanes planes{&image, &history};
        view->OnUpdate(nullptr, kHintDocumentReady, &planes);
        menu = CreatePopupMenu();
        for (UINT id : kNeedSelection) AppendMenuW(menu, MF_STRING, id, L"item");
        for (UINT id : {ID_EDIT_PASTE, ID_SELECT_ALL, ID_LAYER_1, ID_LAYER_2, ID_LAYER_3})
            AppendMenuW(menu, MF_STRING, id, L"item");
        owner = CreateWindowW(L"STATIC", L"", 0, 0, 0, 0, 0, nullptr, nullptr, nullptr, nullptr);
    }
    void TearDown() override {
        if (menu) DestroyMenu(menu);
        if (owner) DestroyWindow(owner);
        if (frame && IsWindow(frame->m_hWnd)) DestroyWindow(frame->m_hWnd);
        MSG msg;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    // The menu as it opens: every item in the state the command route gives it.
    UINT State(UINT id) {
        frame->UpdateMenuItems(menu);
        return GetMenuState(menu, id, MF_BYCOMMAND);
    }
    bool Grey(UINT id) { return (State(id) & MF_GRAYED) != 0; }
    bool Checked(UINT id) { return (State(id) & MF_CHECKED) != 0; }

    void PutOnClipboard(UINT format, HANDLE data) {
        ASSERT_TRUE(OpenClipboard(owner));
        EmptyClipboard();
        SetClipboardData(format, data);
        CloseClipboard();
    }
    void PutText() {
        HGLOBAL text = GlobalAlloc(GMEM_MOVEABLE, 8);
        std::memcpy(GlobalLock(text), L"abc", 8);
        GlobalUnlock(text);
        PutOnClipboard(CF_UNICODETEXT, text);
    }

    MemoryProfile profile;
    AppContext context;
    DotPlane image{64};
    CountingHistory history;
    CWinThread thread;
    CCreateContext create;
    CFrameWnd* frame = nullptr;
    CMatrixEditView* view = nullptr;
    HMENU menu = nullptr;
    HWND owner = nullptr;
};

TEST_F(MatrixViewCommands, SelectionCommandsNeedASelectionAndPasteAPicture) {
    // No selection: cut, copy, deselect, invert selection, the image commands and the move tool are grey.
    for (UINT id : kNeedSelection) EXPECT_TRUE(Grey(id)) << id;
    EXPECT_FALSE(Grey(ID_SELECT_ALL));
    // A clipboard of text only: no paste.
    PutText();
    EXPECT_TRUE(Grey(ID_EDIT_PASTE));
    // A picture, as a bitmap or as a device-independent bitmap only: paste.
    PutOnClipboard(CF_BITMAP, CreateBitmap(4, 4, 1, 1, nullptr));
    EXPECT_FALSE(Grey(ID_EDIT_PASTE));
    BITMAPINFOHEADER header = {sizeof header, 2, 2, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE, sizeof header + 16);
    std::memcpy(GlobalLock(dib), &header, sizeof header);
    GlobalUnlock(dib);
    PutOnClipboard(CF_DIB, dib);
    EXPECT_FALSE(Grey(ID_EDIT_PASTE));
    PutText();

    // With a selection every one of them can be chosen; an emptied selection greys them again.
    view->SelectAll();
    for (UINT id : kNeedSelection) EXPECT_FALSE(Grey(id)) << id;
    view->Deselect();
    for (UINT id : kNeedSelection) EXPECT_TRUE(Grey(id)) << id;
    EXPECT_EQ(history.steps, 0);
}

TEST_F(MatrixViewCommands, OneLayerItemIsCheckedAtATime) {
    EXPECT_FALSE(Checked(ID_LAYER_1) || Checked(ID_LAYER_2) || Checked(ID_LAYER_3));
    frame->RouteCmdMsg(ID_LAYER_2, CmdCode::Command, nullptr);  // Shift+F2
    EXPECT_TRUE(Checked(ID_LAYER_2));
    EXPECT_FALSE(Checked(ID_LAYER_1) || Checked(ID_LAYER_3));
    frame->RouteCmdMsg(ID_LAYER_3, CmdCode::Command, nullptr);  // Shift+F3
    EXPECT_TRUE(Checked(ID_LAYER_3));
    EXPECT_FALSE(Checked(ID_LAYER_1) || Checked(ID_LAYER_2));
    frame->RouteCmdMsg(ID_LAYER_3, CmdCode::Command, nullptr);
    EXPECT_FALSE(Checked(ID_LAYER_1) || Checked(ID_LAYER_2) || Checked(ID_LAYER_3));
}

}  // namespace
