// What the editor's windows and dialogs read from the application: the settings file, the glyph
// size, the colours and flags of the settings, and where the program and the EUDC files are.
// Start-up fills it once; the application hands it down to the document, the views and the
// dialogs, so that nothing below the application reaches for the global application object.
#pragma once

#include <string>

#include "base/kf_types.h"
#include "base/profile_store.h"

// The application-wide settings read once at start-up.
struct AppSettings {
    BOOL bSelectAfterMove = FALSE;
    BOOL bSelectKeep = FALSE;
    std::wstring strEditorPath;
    std::wstring strEditorIniPath;
    ColorRef crDot = MakeColorRef(0x00, 0x00, 0x00);
    ColorRef crSelect = MakeColorRef(0xe0, 0xe0, 0xff);
    ColorRef crMoveMarquee = MakeColorRef(0x80, 0x80, 0x80);
    ColorRef crMoveOrigin = MakeColorRef(0xe4, 0xe4, 0xf0);
    ColorRef crDrawMarquee = MakeColorRef(0x80, 0x80, 0x80);
    ColorRef crLayer = MakeColorRef(0xff, 0x80, 0x80);
    ColorRef crGrid = MakeColorRef(0xf0, 0x00, 0x00);
};

struct AppContext {
    IProfileStore& Profile() const { return *m_pProfile; }

    IProfileStore* m_pProfile = nullptr;  // the settings file; owned by the application
    int m_nGlyphSize = 64;                // N, from the bitmap file's header
    AppSettings m_settings;
    std::wstring m_strModuleFolder;     // the program's folder, ending with a backslash
    std::wstring m_strHelpFile;         // the help file beside the program
    std::wstring m_strDefaultFontPath;  // the registry value naming the default EUDC font
    std::wstring m_strEudcFontPath;     // the default EUDC font (.TTE)
    std::wstring m_strEudcBitmapPath;   // its bitmap file (.EUF)
};
