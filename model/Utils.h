// Free helpers of the program: repeated replacement and reading the program's version fields.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "platform/Exceptions.h"

namespace pindle {

// Replaces every occurrence of search, searching again from the start after each replacement;
// throws Exception("Cannot perform a cyclic replace.") when replacement holds search.
std::string ReplaceAll(std::string_view text, std::string_view search, std::string_view replacement);

// A field of the version block of the given file: 0 CompanyName, 1 FileDescription, 2 FileVersion,
// 3 InternalName, 4 LegalCopyright, 5 OriginalFilename, 6 ProductName, 7 ProductVersion, any other
// FileVersion. "" when the file, its block or the field cannot be read; never throws.
std::string GetFileVersionField(const std::string& fileName, std::uint8_t selector);

// The version block reader on bytes already in memory (the file's whole content).
std::string GetVersionFieldFromBytes(std::string_view fileBytes, std::uint8_t selector);

// A newly allocated, zero-terminated copy of text; the caller owns it.
std::unique_ptr<char[]> StrAllocCopy(std::string_view text);

}  // namespace pindle
