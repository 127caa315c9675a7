#include "platform/Encoding.h"

#include <array>
#include <cstring>

namespace pindle {

namespace {

// Bytes 0x80 to 0x9F of Windows-1252; the rest of the bytes are their own code points.
constexpr std::array<char16_t, 32> HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

constexpr char32_t Replacement = 0xFFFD;

[[nodiscard]] inline bool IsContinuation(unsigned char c) noexcept { return (c & 0xC0) == 0x80; }

}  // namespace

std::string_view EncodingName(TTextEncoding encoding) noexcept
{
    return encoding == TTextEncoding::Utf8 ? "UTF-8" : "Windows-1252";
}

bool IsValidUtf8(std::string_view bytes) noexcept
{
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* const end = p + bytes.size();
    while (p < end) {
        if (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, sizeof word);
            if ((word & 0x8080808080808080ULL) == 0) {
                p += 8;
                continue;
            }
        }
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int length;
        unsigned char low = 0x80;
        unsigned char high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            length = 2;
        } else if (c >= 0xE0 && c <= 0xEF) {
            length = 3;
            if (c == 0xE0) low = 0xA0;        // no overlong forms
            else if (c == 0xED) high = 0x9F;  // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            length = 4;
            if (c == 0xF0) low = 0x90;
            else if (c == 0xF4) high = 0x8F;  // nothing above U+10FFFF
        } else {
            return false;
        }
        if (end - p < length) return false;
        if (p[1] < low || p[1] > high) return false;
        for (int i = 2; i < length; ++i) {
            if (!IsContinuation(p[i])) return false;
        }
        p += length;
    }
    return true;
}

TDecodedChar DecodeUtf8(std::string_view text, std::size_t pos) noexcept
{
    if (pos >= text.size()) return {Replacement, 1};
    const auto* p = reinterpret_cast<const unsigned char*>(text.data()) + pos;
    const std::size_t left = text.size() - pos;
    const unsigned char c = p[0];
    if (c < 0x80) return {c, 1};
    char32_t code;
    int length;
    char32_t minimum;
    if (c >= 0xC2 && c <= 0xDF) {
        code = c & 0x1F;
        length = 2;
        minimum = 0x80;
    } else if (c >= 0xE0 && c <= 0xEF) {
        code = c & 0x0F;
        length = 3;
        minimum = 0x800;
    } else if (c >= 0xF0 && c <= 0xF4) {
        code = c & 0x07;
        length = 4;
        minimum = 0x10000;
    } else {
        return {Replacement, 1};
    }
    if (left < static_cast<std::size_t>(length)) return {Replacement, 1};
    for (int i = 1; i < length; ++i) {
        if (!IsContinuation(p[i])) return {Replacement, 1};
        code = (code << 6) | (p[i] & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return {Replacement, 1};
    return {code, length};
}

void AppendUtf8(std::string& out, char32_t code)
{
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = Replacement;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

char32_t Windows1252ToUnicode(unsigned char byte) noexcept
{
    if (byte >= 0x80 && byte <= 0x9F) return HighControls[byte - 0x80];
    return byte;
}

int UnicodeToWindows1252(char32_t code) noexcept
{
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<int>(code);
    for (std::size_t i = 0; i < HighControls.size(); ++i) {
        if (HighControls[i] == code) return static_cast<int>(0x80 + i);
    }
    return -1;
}

std::string CannotHoldMessage(TTextEncoding encoding, std::string_view charactersUtf8)
{
    return "This document is in " + std::string(EncodingName(encoding)) + ", which cannot hold \"" +
           std::string(charactersUtf8) + "\"";
}

}  // namespace pindle
