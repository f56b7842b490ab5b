// Ids shared by Varnholt.rc and the window code. No control takes IDOK (1)
// or IDCANCEL (2): Enter and Escape must press nothing.
#pragma once

// NOLINTBEGIN(modernize-macro-to-enum): the resource compiler reads macros only.
#define IDI_VARNHOLT 1
#define IDC_CMDOPEN 101
#define IDC_TXTMD5 102
#define IDC_CMDCLOSE_0 103
#define IDC_CMDCLOSE_1 104
#define IDC_LBLMD5 105
// NOLINTEND(modernize-macro-to-enum)
