// Ids shared by Varnholt.rc and the window code. No control takes IDOK (1)
// or IDCANCEL (2): Enter and Escape must press nothing.
#pragma once

#define IDI_VARNHOLT 1
#define IDC_CMDOPEN 101
#define IDC_TXTMD5 102
#define IDC_CMDCLOSE_0 103
#define IDC_CMDCLOSE_1 104
