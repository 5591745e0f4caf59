// SPDX-License-Identifier: BSD-2-Clause
// Text helpers shared by the readers and writers of libcommon: UTF-8 and
// UTF-16 conversion, blank trimming and case-blind name comparison.
#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace common {

// The narrow "system code page" of the profile and XML files is UTF-8 on
// every system we run on, whatever the process locale says. Malformed bytes
// become U+FFFD so a damaged file still reads.
std::u16string Utf8ToUtf16(std::string_view text);
// Unpaired surrogates become U+FFFD.
std::string Utf16ToUtf8(std::u16string_view text);

// Blanks are the characters a profile or XML reader trims: space, tab,
// line feed, carriage return, vertical tab and form feed.
constexpr bool IsBlank(char16_t c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\v' || c == u'\f';
}
std::u16string_view TrimView(std::u16string_view text);
std::u16string Trim(std::u16string_view text);

// Name comparison without regard to case. Letters fold in the ASCII and
// Latin-1 ranges; Hangul and Han have no case, so this covers our names.
char16_t FoldCase(char16_t c);
bool EqualsNoCase(std::u16string_view a, std::u16string_view b);

// The leading decimal number of a text as the C runtime's wtoi reads it:
// blanks, an optional sign, digits; no digits give 0; overflow saturates.
int ParseLeadingInt(std::u16string_view text);

// UTF-16 little-endian bytes of a text, and back (an odd last byte is
// dropped).
std::string ToUtf16LeBytes(std::u16string_view text);
std::u16string FromUtf16LeBytes(std::string_view bytes);

// Reads a whole file when it is at most maxBytes long. False for a missing,
// unreadable or larger file; error (when given) then tells which.
bool ReadFileBounded(const std::filesystem::path& path, std::size_t maxBytes, std::string& out,
                     std::string* error = nullptr);

// Largest text file the profile, XML and language readers accept. Every
// real file of these kinds is a few kilobytes; the bound keeps a stray
// multi-gigabyte file from being read whole into memory.
constexpr std::size_t kMaxTextFileBytes = 16u * 1024u * 1024u;

// Path of a file as UTF-16 (file names are UTF-8 bytes here).
std::u16string PathToU16(const std::filesystem::path& path);
std::filesystem::path U16ToPath(std::u16string_view text);

} // namespace common
