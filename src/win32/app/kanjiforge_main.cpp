// Entry point of Kanjiforge.exe and its one application object.
#include <windows.h>

#include "win32/app/glyph_editor_app.h"

namespace {
CGlyphoEditorApp g_app;
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int cmdShow) {
    return AfxWinMain(instance, cmdShow);
}
