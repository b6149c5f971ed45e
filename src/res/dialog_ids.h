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
