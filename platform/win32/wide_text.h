#pragma once
// UTF-8 and the system's wide (UTF-16) text, both ways. Text that cannot be converted
// comes back empty.

#include <string>

namespace platform {

std::wstring wideFromUtf8(const std::string& text);
std::string utf8FromWide(const wchar_t* text);

} // namespace platform
