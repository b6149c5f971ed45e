// Resource ids of the dialogs (included by resource.h).
#pragma once

#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Big icon of the code, grid and sample layer dialogs.
#define IDI_DIALOG_ICON 134

// Save confirmation.
#define IDD_SAVE_ANSWER 140
#define IDC_SAVE_ANS_ICON 1016
#define IDC_SAVE_ANS_NO_MORE 1017

// Code selection.
#define IDD_ADDR_INPUT 335
#define IDC_ADDR_CODE 1016
#define IDC_ADDR_UNICODE 1017
#define IDC_ADDR_SJIS 1018

// Grid settings.
#define IDD_GRID_SETTING 338
#define IDC_GRID_X 1011
#define IDC_GRID_Y 1017

// Sample layer settings.
#define IDD_LAYER_SETTING 339
#define IDC_LAYER_FONT 1027
#define IDC_LAYER_CHAR 1013
#define IDC_LAYER_OFFSET_X 1014
#define IDC_LAYER_OFFSET_Y 1018
#define IDC_LAYER_SIZE 1012
#define IDC_LAYER_PREVIEW 4
#define IDC_LAYER_CLEAR 3

// The information column's form.
#define IDD_INFORMATION 137
#define IDC_INFO_POS1 1010
#define IDC_INFO_POS2 1011
#define IDC_INFO_GLYPH 1012
#define IDC_INFO_MODE 1013
#define IDC_INFO_LAYER1 1014
#define IDC_INFO_LAYER2 1015
#define IDC_INFO_LAYER3 1016
#define IDC_INFO_TOOL 1017

// The About box.
#define IDD_ABOUTBOX 100
#define IDC_ABOUT_VERSION 1002
#define IDC_ABOUT_URL 1003
#define IDC_ABOUT_LEGAL 1004
#define IDC_ABOUT_UPDATE 1048

// The standard-character finder.
#define IDD_FINDER 345
#define IDC_FINDER_STATUS 1070
#define IDC_FINDER_STOP 1071
#define IDC_FINDER_LIST 1072
#define IDC_FINDER_COPY 1073
#define IDC_FINDER_LAYER 1074
