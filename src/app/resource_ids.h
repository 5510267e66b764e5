// Resource ids of cxsetup.exe: the wizard dialog and its controls, the
// program icon and the embedded package. Shared by the .rc file (plain
// #defines so windres can read them) and the code.
#pragma once

#define IDD_SETUP_DIALOG 102
#define IDI_SETUP_ICON 128
#define IDR_SETUP_PACKAGE 170

#define IDC_LOGO_AREA 1000
#define IDC_MESSAGE_TEXT 1001
#define IDC_BTN_INSTALL 1002
#define IDC_BTN_CANCEL 1003
#define IDC_BTN_UNINSTALL 1004
#define IDC_BTN_FINISH 1005
#define IDC_PROGRESS 1008
