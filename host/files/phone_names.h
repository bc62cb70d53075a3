// The names the phone gives PC files and folders. The phone's file system holds UTF-16 names and
// a PC name is bytes: a name in UTF-8 that comes back byte for byte is the phone's as it is; any
// other (Latin-1, as old archives have) is read byte by byte as Latin-1, so that each name keeps
// a phone name of its own and the phone's name leads back to the very bytes.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace host {

// True when `bytes` are UTF-8 that the phone's UTF-16 gives back byte for byte.
bool is_phone_utf8(std::string_view bytes);
// The phone's name of a PC name.
std::u16string phone_name(std::string_view bytes);
// The phone's names of a relative PC path's components, joined by '/'.
std::u16string phone_path(const std::filesystem::path& relative);
// A PC name or any word as a one-line message may show it: printable text as it is, control
// characters, '\' and bytes that are no UTF-8 as \xNN (a newline as \n), and at most `most` bytes
// of it, then "… (N bytes)".
std::string escaped_name(std::string_view bytes, size_t most = 200);

}  // namespace host
