// Resource ids shared by Kanjiforge.rc and the code.
#pragma once

#include "dialog_ids.h"

// Document template: menu, accelerators, icon and document string.
#define IDR_MAINFRAME 128
#define IDS_TITLE_FORMAT 130
#define IDR_DOT_CONTEXT 130
#define IDD_WAIT_MESSAGE 136

// Controls of the start-up wait window.
#define IDC_WAIT_TEXT 1034
#define IDC_WAIT_ICON 1046

// Strings.
#define IDS_STARTING_WAIT 300
#define IDS_LOG_START 301
#define IDS_LOG_END 302
#define IDS_SAVING_TITLE 1000
#define IDS_ERR_NOT_NT 2000
#define IDS_ERR_EDITOR_RUNNING 2003
#define IDS_ERR_EDITOR_START 2004
#define IDS_ERR_EDITOR_NOT_SEEN 2006
#define IDS_ERR_CODE_DIALOG_NOT_SEEN 2014
#define IDS_ERR_COPY_DIALOG_NOT_SEEN 2015
#define IDS_ERR_EDITOR_NOT_FOREGROUND 2016
#define IDS_ERR_BAD_CODE 2022
#define IDS_ERR_SAVE_FAILED 2027
#define IDS_ERR_BACKUP_FAILED 2028
#define IDS_ERR_RUN_FAILED 2050
#define IDS_ERR_NO_EDITOR 2052
#define IDS_ERR_NO_EDITOR_INI 2053
#define IDS_ASK_SAVE_MODIFIED 5001
#define IDS_ASK_DISCARD_MODIFIED 5002
#define IDS_ASK_RECT_SELECTION 5003

// Bitmaps.
#define IDB_TOOLBAR_HICOLOR 287
// Pictures of the information column's panes and their masks.
#define IDB_MODE_TRANSPARENT 133
#define IDB_ARROW 134
#define IDB_MODE_OPAQUE 284
#define IDB_MODE_MASK 285
#define IDB_ARROW_MASK 286
// Tooltips and status prompts of the information column.
#define IDS_INFO_GLYPH_TIP 3000
#define IDS_INFO_MODE_TIP 3001
#define IDS_INFO_TOOL_TIP 3002
#define IDS_INFO_LAYER_UNSET 3003
#define IDS_INFO_LAYER_FORMAT 3004
#define IDS_INFO_GLYPH_PROMPT 3100
#define IDS_INFO_MODE_PROMPT 3101
#define IDS_INFO_TOOL_PROMPT 3102
#define IDS_INFO_LAYER_PROMPT 3103
#define IDS_ASK_AUTO_UPDATE 5032
// User-defined resource type of the tool bar layout.
#define RT_TOOLBAR_DATA 241

// Commands of the menu, the accelerators and the tool bar.
#define ID_RUN_MANAGER 32775
#define ID_RUN_VIEWER 32776
#define ID_GRID_SETTING 32778
#define ID_TOOL_PEN 32779
#define ID_TOOL_LINE 32780
#define ID_TOOL_RECT 32781
#define ID_TOOL_FILL 32782
#define ID_TOOL_CIRCLE 32783
#define ID_SELECT_ALL 32784
#define ID_TOOL_RECT_SELECT 32785
#define ID_TOOL_AUTO_SELECT 32786
#define ID_SELECT_NONE 32787
#define ID_PEN_SWAP 32788
#define ID_IMAGE_INVERT 32789
#define ID_IMAGE_FLIP_VERTICAL 32790
#define ID_IMAGE_FLIP_HORIZONTAL 32791
#define ID_IMAGE_ROTATE_90 32792
#define ID_IMAGE_ROTATE_240 32794
#define ID_LAYER_1 32795
#define ID_LAYER_2 32796
#define ID_LAYER_3 32797
#define ID_NEXT_CODE 32798
#define ID_PREV_CODE 32799
#define ID_WINDOW_ZOOM 32814
#define ID_TOOL_MOVE 32818
#define ID_DOT_SIZE_1 32819
#define ID_DOT_SIZE_2 32820
#define ID_DOT_SIZE_3 32821
#define ID_DOT_SIZE_4 32822
#define ID_DOT_SIZE_5 32823
#define ID_CODE_SAVE 32824
#define ID_SELECT_INVERT 32825
#define ID_IMAGE_ROTATE_180 32826

// Framework strings and commands.
#define AFX_IDS_APP_TITLE 57344
#define AFX_IDS_IDLEMESSAGE 57345
#define ID_FILE_NEW 57600
#define ID_FILE_OPEN 57601
#define ID_APP_ABOUT 57664
#define ID_APP_EXIT 57665
#define ID_HELP 57670
#define ID_NEXT_PANE 57680
#define ID_PREV_PANE 57681
#define ID_EDIT_COPY 57634
#define ID_EDIT_CUT 57635
#define ID_EDIT_PASTE 57637
#define ID_EDIT_UNDO 57643
#define ID_EDIT_REDO 57644
#define AFX_IDW_TOOLBAR 0xE800
#define AFX_IDW_STATUS_BAR 0xE801
#define AFX_IDW_PANE_FIRST 0xE900

// Private window messages of the editor family.
#define WM_APP_OPEN_TARGET_CODE (0x8000 + 2)
#define WM_APP_ASK_CODE (0x8000 + 3)
#define WM_APP_BROWSER_UPDATE (0x8000 + 200)
