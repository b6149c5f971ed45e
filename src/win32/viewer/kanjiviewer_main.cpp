// Entry point of Kanjiviewer.exe, the list browser, and its one application object.
#include <windows.h>

#include "win32/viewer/viewer_app.h"

namespace {
CKanjiviewerApp g_app;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int cmdShow) {
    return AfxWinMain(instance, cmdShow);
}
