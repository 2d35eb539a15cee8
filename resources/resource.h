// Resource, menu command and control identifiers, shared by Velkaro.rc, the code and the tests.
#pragma once

#define IDI_VELKARO 1
#define IDB_FACE_LARGE 101
#define IDB_FACE_SMALL 102
#define IDB_FIGURES_LARGE 103
#define IDB_FIGURES_SMALL 104

#define IDD_RESULT 201
#define IDC_RESULT_MESSAGE 1001

#define IDD_OPTION 202
#define IDC_OPT_TAB 1100
#define IDC_OPT_LABEL1 1101
#define IDC_CHK_TOPMOST 1102
#define IDC_CHK_BLINK 1103
#define IDC_CHK_WINDOWSIZE 1104
#define IDC_CHK_FIXWINDOWPOSITION 1105
#define IDC_CHK_EXITBYDBLCLICK 1106
#define IDC_OPT_LABEL2 1107
#define IDC_OPT_FRAME2 1108
#define IDC_CMB_SERVERS 1109
#define IDC_CMD_TESTNTP 1110
#define IDC_CHK_USENTP 1111
#define IDC_CHK_USENTP2 1112
#define IDC_OPT_LABEL3 1113
#define IDC_OPT_FRAME3 1114
#define IDC_CHK_AUTORUN 1115
#define IDC_OPT_FRAME4 1116
#define IDC_CHK_CLEARRECENT 1117

#define IDC_HAND_LINK 301
#define IDD_ABOUT 203
#define IDC_ABOUT_ICON 1200
#define IDC_ABOUT_DESCRIPTION 1201
#define IDC_ABOUT_TITLE 1202
#define IDC_ABOUT_VERSION 1203
#define IDC_ABOUT_URL 1204
#define IDC_ABOUT_MAIL 1205
#define IDC_ABOUT_LABEL3 1206
#define IDC_ABOUT_LABEL4 1207

// Commands of the pop-up menu's items (mnuExit, mnuBlink, ...), sent to frmMenus as WM_COMMAND.
#define IDM_EXIT 101
#define IDM_BLINK 102
#define IDM_TOPMOST 103
#define IDM_NTP 104
#define IDM_OPTION 105
#define IDM_INFO 106
