// What the bytes of a document mean. Text stays bytes everywhere in the core; a document is UTF-8
// when its file is valid UTF-8 (and every new document is), otherwise Windows-1252, in which every
// byte is a character. Here are the character-level helpers both readings need.
#pragma once

#include "platform/Exceptions.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace pindle {

enum class TTextEncoding : std::uint8_t { Utf8, Windows1252 };

// The name a user knows the encoding by: "UTF-8" or "Windows-1252".
[[nodiscard]] std::string_view EncodingName(TTextEncoding encoding) noexcept;

// The UTF-8 byte-order mark: at the start of a file it marks the encoding and is not text.
inline constexpr std::string_view Utf8ByteOrderMark = "\xEF\xBB\xBF";

// True when the bytes are well-formed UTF-8: shortest forms only, no surrogates, nothing above
// U+10FFFF. ASCII runs are skipped eight bytes at a time.
[[nodiscard]] bool IsValidUtf8(std::string_view bytes) noexcept;

// One character decoded from UTF-8 at byte `pos`. A byte that does not start a well-formed sequence
// decodes to U+FFFD with length 1, so that walking a text always moves on.
struct TDecodedChar {
    char32_t Code = 0;
    int Length = 1;
};
[[nodiscard]] TDecodedChar DecodeUtf8(std::string_view text, std::size_t pos) noexcept;
// Appends a code point as UTF-8; surrogates and values above U+10FFFF append U+FFFD.
void AppendUtf8(std::string& out, char32_t code);

// The WHATWG Windows-1252 mapping: every byte maps to a character (0x81, 0x8D, 0x8F, 0x90 and 0x9D
// to the C1 controls of the same value).
[[nodiscard]] char32_t Windows1252ToUnicode(unsigned char byte) noexcept;
// The byte that stands for a character in Windows-1252, or -1 when there is none.
[[nodiscard]] int UnicodeToWindows1252(char32_t code) noexcept;

// Text that the document's encoding cannot hold. The message names the characters.
class EEncodingError : public Exception {
public:
    using Exception::Exception;
};

// The message for characters (given as UTF-8) that a document in `encoding` cannot hold.
[[nodiscard]] std::string CannotHoldMessage(TTextEncoding encoding, std::string_view charactersUtf8);

}  // namespace pindle
