#pragma once

// The program's one text type: UTF-16, converted only where text crosses
// into or out of the platform.

#include <string>
#include <string_view>

using Text = std::u16string;
using TextView = std::u16string_view;

// UTF-8 from and to UTF-16, for platforms that speak UTF-8. An unpaired
// surrogate or a malformed byte becomes U+FFFD.
std::string ToUtf8(TextView text);
Text FromUtf8(std::string_view bytes);
