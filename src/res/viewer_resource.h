// Resource ids of Kanjiviewer.exe, beside the shared ones of resource.h (framework strings, the
// code dialog's controls, the messages both programs show).
#pragma once

#define IDR_VIEWERFRAME 200
#define IDD_VIEWER_GOTO 210
#define IDC_VIEWER_SIZE_LABEL 1101

#define ID_VIEWER_OPEN_EDITOR 33001
#define ID_VIEWER_GOTO 33002
#define ID_VIEWER_RELOAD 33003
#define ID_VIEWER_ZOOM_IN 33004
#define ID_VIEWER_ZOOM_OUT 33005

#define IDS_VIEWER_TITLE 33100
#define IDS_VIEWER_COUNT 33101
#define IDS_VIEWER_COUNT_DAMAGED 33102
#define IDS_VIEWER_CODE 33103
#define IDS_VIEWER_CODE_OPEN 33104
#define IDS_VIEWER_SIZE_TIP 33105
#define IDS_VIEWER_SIZE_LABEL 33106
#define IDS_VIEWER_FONT_MISSING 33107
#define IDS_VIEWER_FONT_DIFFERS 33108
#define IDS_VIEWER_FONT_BAD_GLYPH 33109
#define IDS_VIEWER_FONT_UNREADABLE 33110
#define IDS_VIEWER_FONT_MARKED 33111
#define IDS_VIEWER_NO_BITMAP_HINT 33112
#define IDS_VIEWER_NO_MEMORY 33113

// The size slider's id (a child of the frame).
#define IDC_VIEWER_SIZE_SLIDER 0xE810
