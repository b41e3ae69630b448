// Identifiers of the dialogs, menu, accelerators, icon, bitmap and controls.
// Included by checker.rc and by C++, so plain #defines only.
#ifndef CORVANE_RESOURCES_RESOURCE_H
#define CORVANE_RESOURCES_RESOURCE_H

#define IDD_ABOUTBOX 103
#define IDM_ABOUT 104
#define IDM_EXIT 105
#define IDR_MAINACCEL 109
#define IDB_ABOUT_LOGO 129
#define IDD_UPDATE 130
#define IDI_APPICON 133

// Strings: the program's short internal name.
#define IDS_APP_NAME 103
#define IDS_APP_NAME_CAPS 109

// windows.h defines these two identically; keep them for code that includes this file alone.
#ifndef IDOK
#define IDOK 1
#endif
#ifndef IDCANCEL
#define IDCANCEL 2
#endif
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

// Controls of the main dialog.
#define IDC_DOWNLOAD 1000
#define IDC_UPGRADE 1001
#define IDC_DONT_REMIND 1002
#define IDC_HEADLINE 1003
#define IDC_CURRENT_VERSION 1004
#define IDC_NEW_VERSION 1005
#define IDC_DOWNLOAD_NOTE 1006
#define IDC_UPGRADE_HEADLINE 1007

#endif
