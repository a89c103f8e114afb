#pragma once
// Resource ids shared by the resource script and the program.

#define IDS_TITLE 103
#define IDS_HEADING_SIGN_IN 104
#define IDS_HEADING_CREATE_ACCOUNT 105
#define IDS_HEADING_PROFILE 106
#define IDS_CLASS_NAME 109

#define IDI_TIRNA 107
#define IDI_TIRNA_SMALL 108
#define IDC_ACCELERATORS 109
#define IDM_ABOUT 104

#define IDB_SIGN_IN 130
#define IDB_CREATE_ACCOUNT 131
