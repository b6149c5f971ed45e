// Resource ids shared by Kanjiforge.rc and the code.
#pragma once

// Document template: menu, accelerators, icon and document string.
#define IDR_MAINFRAME 128
#define IDS_TITLE_FORMAT 130
#define IDD_WAIT_MESSAGE 136

// Controls of the start-up wait window.
#define IDC_WAIT_TEXT 1034
#define IDC_WAIT_ICON 1046

// Strings.
#define IDS_STARTING_WAIT 300
#define IDS_LOG_START 301
#define IDS_LOG_END 302
#define IDS_ERR_NOT_NT 2000
#define IDS_ERR_BAD_CODE 2022
#define IDS_ERR_RUN_FAILED 2050
#define IDS_ERR_NO_EDITOR 2052
#define IDS_ERR_NO_EDITOR_INI 2053

// Framework strings and commands.
#define AFX_IDS_APP_TITLE 57344
#define AFX_IDS_IDLEMESSAGE 57345
#define ID_FILE_NEW 57600
#define ID_FILE_OPEN 57601
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665

// Private window messages of the editor family.
#define WM_APP_OPEN_TARGET_CODE (0x8000 + 2)
#define WM_APP_ASK_CODE (0x8000 + 3)
#define WM_APP_BROWSER_UPDATE (0x8000 + 200)
