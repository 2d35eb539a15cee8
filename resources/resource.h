// Resource identifiers shared by Velkaro.rc and the code.
#pragma once

#define IDI_VELKARO 1
#define IDB_FACE_LARGE 101
#define IDB_FACE_SMALL 102
#define IDB_FIGURES_LARGE 103
#define IDB_FIGURES_SMALL 104

#define IDD_RESULT 201
#define IDC_RESULT_MESSAGE 1001
