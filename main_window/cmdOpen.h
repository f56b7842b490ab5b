#pragma once

#include <cstdint>

#include "frmMainServices.h"

inline constexpr std::int64_t kFileSizeLimit = 33554432;
inline constexpr char16_t kOpenFilter[] =
    u"Executable Files|*.exe;*.com;*.pif;*.bat;*.cmd;*.lnk|All Files(*.*)|*.*";

// "&Open File": asks for a file, reads it whole with one read and shows its
// MD5 in txtMD5. A file measured at 0 bytes is read to its end instead, in
// pieces, as pseudo-files deliver content that their size does not show.
// Files over kFileSizeLimit are refused with "File too large";
// a failure while measuring, reading or hashing is shown as "Error: " and its
// description. A file that cannot be opened, fails to read or delivers fewer
// bytes than measured leaves txtMD5 empty without a message. The pointer is
// back to the default and the file closed on every path.
void cmdOpen_Click(frmMainServices& window);
