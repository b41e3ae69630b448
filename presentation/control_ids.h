#pragma once
// Ids of the main dialog and its controls, as the dialog template numbers them.
#define IDD_UPDATE 130
#define IDC_DOWNLOAD 1000
#define IDC_UPGRADE 1001
#define IDC_DONT_REMIND 1002
#define IDC_HEADLINE 1003
#define IDC_CURRENT_VERSION 1004
#define IDC_NEW_VERSION 1005
#define IDC_DOWNLOAD_NOTE 1006
#define IDC_UPGRADE_HEADLINE 1007
