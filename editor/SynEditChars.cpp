#include "editor/SynEditChars.h"

#include <utf8proc.h>

#include <algorithm>

namespace pindle {
namespace {

bool IsAscii(char c) noexcept { return static_cast<unsigned char>(c) < 0x80; }

int Size(std::string_view line) noexcept { return static_cast<int>(line.size()); }

TDecodedChar Decode(std::string_view line, int pos) noexcept
{
    return DecodeUtf8(line, static_cast<std::size_t>(pos));
}

int BoundClass(char32_t code) noexcept
{
    return utf8proc_get_property(static_cast<utf8proc_int32_t>(code))->boundclass;
}

// The start of the code point before `pos` as a forward walk would decode it: up to three
// continuation bytes are stepped over, and a lead byte counts only when its sequence reaches pos.
int PrevCodeStart(std::string_view line, int pos) noexcept
{
    for (int back = 1; back <= 4 && pos - back >= 0; ++back) {
        const auto byte = static_cast<unsigned char>(line[static_cast<std::size_t>(pos - back)]);
        if (byte < 0x80 || byte >= 0xC0)
            return Decode(line, pos - back).Length == back ? pos - back : pos - 1;
    }
    return pos - 1;
}

// The start of the code point that holds byte pos, as a forward walk would decode it.
int CodeStartAt(std::string_view line, int pos) noexcept
{
    for (int back = 0; back <= 3 && pos - back >= 0; ++back) {
        const auto byte = static_cast<unsigned char>(line[static_cast<std::size_t>(pos - back)]);
        if (byte < 0x80 || byte >= 0xC0)
            return back == 0 || Decode(line, pos - back).Length > back ? pos - back : pos;
    }
    return pos;
}

// Whether the break before the code point at `pos` follows from that code point and the one before
// it alone. Only an emoji sequence joined by ZWJ and a run of regional indicators need more of what
// comes before; everywhere else the pair decides.
bool IsSafeBoundary(std::string_view line, int pos) noexcept
{
    if (pos <= 0 || pos >= Size(line))
        return true;
    const int before = PrevCodeStart(line, pos);
    const char32_t a = Decode(line, before).Code;
    const char32_t b = Decode(line, pos).Code;
    const int classA = BoundClass(a);
    if (classA == UTF8PROC_BOUNDCLASS_ZWJ)
        return false;
    if (classA == UTF8PROC_BOUNDCLASS_REGIONAL_INDICATOR && BoundClass(b) == UTF8PROC_BOUNDCLASS_REGIONAL_INDICATOR)
        return false;
    return utf8proc_grapheme_break(static_cast<utf8proc_int32_t>(a), static_cast<utf8proc_int32_t>(b));
}

// A character boundary at or before pos (a UTF-8 line, pos inside it).
int SafeStartAtOrBefore(std::string_view line, int pos) noexcept
{
    while (pos > 0 && !IsSafeBoundary(line, pos))
        pos = PrevCodeStart(line, pos);
    return pos;
}

// Two ASCII bytes have a break between them, except CR LF.
bool AsciiPairBreaks(char a, char b) noexcept
{
    return IsAscii(a) && IsAscii(b) && !(a == '\r' && b == '\n');
}

int Utf8Next(std::string_view line, int pos) noexcept
{
    const int size = Size(line);
    const char first = line[static_cast<std::size_t>(pos)];
    if (pos + 1 >= size || AsciiPairBreaks(first, line[static_cast<std::size_t>(pos) + 1]))
        return pos + 1;
    TDecodedChar c1 = Decode(line, pos);
    utf8proc_int32_t state = 0;
    int p = pos + c1.Length;
    while (p < size) {
        const TDecodedChar c2 = Decode(line, p);
        if (utf8proc_grapheme_break_stateful(static_cast<utf8proc_int32_t>(c1.Code), static_cast<utf8proc_int32_t>(c2.Code), &state))
            break;
        c1 = c2;
        p += c2.Length;
    }
    return p;
}

}  // namespace

int NextCharBoundary(std::string_view line, int pos, TTextEncoding encoding) noexcept
{
    if (pos < 0)
        return 0;
    if (pos >= Size(line) || encoding == TTextEncoding::Windows1252)
        return pos + 1;
    return Utf8Next(line, pos);
}

int PrevCharBoundary(std::string_view line, int pos, TTextEncoding encoding) noexcept
{
    const int size = Size(line);
    if (pos <= 0)
        return 0;
    if (pos > size || encoding == TTextEncoding::Windows1252)
        return pos - 1;
    const auto at = static_cast<std::size_t>(pos);
    if (pos >= 2 && AsciiPairBreaks(line[at - 2], line[at - 1]) && (pos == size || IsAscii(line[at])))
        return pos - 1;
    if (pos == 1 && IsAscii(line[0]))
        return 0;
    int start = SafeStartAtOrBefore(line, PrevCodeStart(line, pos));
    for (;;) {
        const int next = Utf8Next(line, start);
        if (next >= pos)
            return start;
        start = next;
    }
}

int CharStartAt(std::string_view line, int pos, TTextEncoding encoding) noexcept
{
    if (pos <= 0 || pos >= Size(line) || encoding == TTextEncoding::Windows1252)
        return std::max(pos, 0);
    const auto at = static_cast<std::size_t>(pos);
    if (AsciiPairBreaks(line[at - 1], line[at]))
        return pos;
    int start = SafeStartAtOrBefore(line, CodeStartAt(line, pos));
    for (;;) {
        const int next = Utf8Next(line, start);
        if (next > pos)
            return start;
        start = next;
    }
}

int CharCells(std::string_view line, int pos, int next, int column, int tabWidth, TTextEncoding encoding) noexcept
{
    if (pos >= Size(line))
        return 1;
    const char first = line[static_cast<std::size_t>(pos)];
    if (first == '\t')
        return tabWidth - column % std::max(1, tabWidth);
    if (encoding == TTextEncoding::Windows1252 || IsAscii(first))
        return 1;
    int width = 0;
    int indicators = 0;
    for (int p = pos; p < next && p < Size(line);) {
        const TDecodedChar c = Decode(line, p);
        if (c.Code == 0xFE0F)
            width = 2;  // emoji presentation
        else if (BoundClass(c.Code) == UTF8PROC_BOUNDCLASS_REGIONAL_INDICATOR && ++indicators == 2)
            width = 2;  // a flag
        else
            width = std::max(width, utf8proc_charwidth(static_cast<utf8proc_int32_t>(c.Code)));
        p += c.Length;
    }
    return std::clamp(width, 1, 2);
}

bool IsWordCharAt(std::string_view line, int pos, const TSynIdentChars& chars, TTextEncoding encoding) noexcept
{
    if (pos < 0 || pos >= Size(line))
        return false;
    const char first = line[static_cast<std::size_t>(pos)];
    if (encoding == TTextEncoding::Windows1252 || IsAscii(first))
        return chars.test(static_cast<unsigned char>(first));
    const TDecodedChar c = Decode(line, pos);
    if (c.Code == 0xFFFD && c.Length == 1)
        return chars.test(static_cast<unsigned char>(first));  // a stray byte: as the byte itself
    const auto category = utf8proc_category(static_cast<utf8proc_int32_t>(c.Code));
    return category >= UTF8PROC_CATEGORY_LU && category <= UTF8PROC_CATEGORY_NO;  // letters, marks, digits
}

TCharPlace WalkToPos(std::string_view line, TCharPlace from, int pos, int tabWidth, TTextEncoding encoding) noexcept
{
    const int size = Size(line);
    const int width = std::max(1, tabWidth);
    int p = from.Pos;
    int column = from.Column;
    const int stop = std::min(pos, size);
    const bool utf8 = encoding == TTextEncoding::Utf8;
    while (p < stop) {
        const char c = line[static_cast<std::size_t>(p)];
        // One byte, one character: every byte in Windows-1252, an ASCII byte before another in UTF-8.
        if (!utf8 || (IsAscii(c) && (p + 1 >= size || AsciiPairBreaks(c, line[static_cast<std::size_t>(p) + 1])))) {
            column += c == '\t' ? width - column % width : 1;
            ++p;
            continue;
        }
        const int next = Utf8Next(line, p);
        if (next > pos)
            break;  // pos lies inside this character
        column += CharCells(line, p, next, column, width, encoding);
        p = next;
    }
    if (pos > p && p >= size) {
        column += pos - p;
        p = pos;
    }
    return {p, column};
}

TCharPlace WalkToColumn(std::string_view line, TCharPlace from, int column, int tabWidth, TTextEncoding encoding) noexcept
{
    const int size = Size(line);
    const int width = std::max(1, tabWidth);
    int p = from.Pos;
    int at = from.Column;
    const bool utf8 = encoding == TTextEncoding::Utf8;
    while (p < size && at <= column) {
        const char c = line[static_cast<std::size_t>(p)];
        int next = p + 1;
        int cells = 1;
        if (c == '\t')
            cells = width - at % width;
        else if (utf8 && !(IsAscii(c) && (p + 1 >= size || AsciiPairBreaks(c, line[static_cast<std::size_t>(p) + 1])))) {
            next = Utf8Next(line, p);
            cells = CharCells(line, p, next, at, width, encoding);
        }
        if (column < at + cells)
            return {p, at};
        at += cells;
        p = next;
    }
    if (p >= size && column > at)
        return {p + (column - at), column};
    return {p, at};
}

int CharCount(std::string_view text, TTextEncoding encoding) noexcept
{
    int count = 0;
    for (int p = 0; p < Size(text); p = NextCharBoundary(text, p, encoding))
        ++count;
    return count;
}

char32_t ControlPicture(char32_t code) noexcept
{
    if (code == U'\t')
        return 0;
    if (code < 0x20)
        return 0x2400 + code;
    if (code == 0x7F)
        return 0x2421;
    return 0;
}

}  // namespace pindle
