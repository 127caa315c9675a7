#include "model/Stylesheet.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <span>

#include "model/StylesheetHead.h"
#include "platform/TextFile.h"

namespace pindle {
namespace {

constexpr std::array<std::string_view, 10> PropertyNames = {
    "font-family", "font-size", "font-weight", "font-style", "text-decoration",
    "line-height", "letter-spacing", "word-spacing", "color", "background-color"};

constexpr bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }

std::string_view Trim(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

constexpr char Upper(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; }

// Does text equal pattern when a to z are taken as A to Z? pattern is in lower case.
bool SameName(std::string_view text, std::string_view lowerPattern)
{
    if (text.size() != lowerPattern.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (Upper(text[i]) != Upper(lowerPattern[i]))
            return false;
    return true;
}

int PropertyIndex(std::string_view name)
{
    // Without " {" after the selector the first name still holds the brace: "h1{color".
    if (std::size_t brace = name.rfind('{'); brace != std::string_view::npos)
        name.remove_prefix(brace + 1);
    name = Trim(name);
    for (std::size_t k = 0; k < PropertyNames.size(); ++k)
        if (SameName(name, PropertyNames[k]))
            return static_cast<int>(k);
    return -1;
}

// Removes every "/*", then every "*/", as ReplaceAll with an empty replacement does (an occurrence
// that a removal closes up is removed too), in place: the output never runs ahead of the input.
void RemoveAll(std::string& text, char first, char second)
{
    std::size_t out = 0;
    for (char c : text) {
        if (c == second && out > 0 && text[out - 1] == first)
            --out;
        else
            text[out++] = c;
    }
    text.resize(out);
}

// Comment text without its delimiters and the blanks around it.
std::string CommentText(std::string_view text)
{
    text = Trim(text);
    if (text.empty())
        return {};
    std::string plain(text);
    RemoveAll(plain, '/', '*');
    RemoveAll(plain, '*', '/');
    std::string_view trimmed = Trim(plain);
    if (trimmed.size() == plain.size())
        return plain;
    return std::string(trimmed);
}

// The brace that closes the declarations: the first "}" that stands where a declaration would begin
// (first in the text or after a ";", blanks allowed), as the writer's ";}" does, so that a value
// holding a "}" stays whole. A hand-written last declaration without its ";" ("color:red}") is closed
// by the first "}" of the text instead.
std::size_t FindClosingBrace(std::string_view rest)
{
    std::size_t start = 0;
    while (start <= rest.size()) {
        std::size_t i = start;
        while (i < rest.size() && IsBlank(rest[i]))
            ++i;
        if (i < rest.size() && rest[i] == '}')
            return i;
        std::size_t semicolon = rest.find(';', start);
        if (semicolon == std::string_view::npos)
            break;
        start = semicolon + 1;
    }
    return rest.find('}');
}

}  // namespace

std::string BuildRuleLine(const TStyleRow& row)
{
    std::size_t size = row.Caption.size() + 4;
    for (const std::string& text : row.SubItems)
        size += text.size() + 20;
    std::string line;
    line.reserve(size);
    line += row.Caption;
    line += " {";
    for (std::size_t k = 0; k < PropertyNames.size(); ++k) {
        const std::string& value = row.SubItems[k];
        if (value.empty())
            continue;
        if (k != scFontFamily)
            line += ';';
        line += PropertyNames[k];
        line += ':';
        line += value;
    }
    line += ";}";
    const std::string& comment = row.SubItems[scComment];
    if (!comment.empty()) {
        line += "   /* ";
        line += comment;
        line += "*/";
    }
    return line;
}

TStyleRow ParseRuleLine(std::string_view line)
{
    TStyleRow row;
    std::string_view rest;
    std::size_t opening = line.find(" {");
    if (opening == std::string_view::npos) {
        rest = line.empty() ? line : line.substr(1);
    } else {
        row.Caption = std::string(line.substr(0, opening));
        rest = line.substr(opening + 2);
    }

    std::size_t closing = FindClosingBrace(rest);
    std::string_view declarations = rest.substr(0, closing);
    std::string_view after = closing == std::string_view::npos ? std::string_view() : rest.substr(closing + 1);

    std::array<bool, 10> filled{};
    std::string kept;  // declarations that are no known property, for the comment
    while (true) {
        std::size_t semicolon = declarations.find(';');
        std::string_view piece = declarations.substr(0, semicolon);
        std::size_t colon = piece.find(':');
        int k = colon == std::string_view::npos ? -1 : PropertyIndex(piece.substr(0, colon));
        if (k >= 0 && !filled[static_cast<std::size_t>(k)]) {
            filled[static_cast<std::size_t>(k)] = true;
            row.SubItems[static_cast<std::size_t>(k)] = std::string(piece.substr(colon + 1));
        } else if (std::string_view text = Trim(piece); !text.empty()) {
            if (!kept.empty())
                kept += ';';
            kept += text;
        }
        if (semicolon == std::string_view::npos)
            break;
        declarations.remove_prefix(semicolon + 1);
    }

    std::string comment = CommentText(kept);
    if (std::string tail = CommentText(after); !tail.empty())
        comment += comment.empty() ? tail : " " + tail;
    row.SubItems[scComment] = std::move(comment);
    return row;
}

namespace {

// Finds the two block markers in a line, in any letter case.
struct TMarkers {
    bool Begin = false;
    bool End = false;
};

TMarkers FindMarkers(std::string_view line)
{
    TMarkers markers;
    static constexpr std::string_view BeginText = "BEGIN PINDLE";
    static constexpr std::string_view EndText = "END PINDLE";
    // Every line of a file passes here: most are too short to hold even "**" and the end text.
    if (line.size() < 2 + EndText.size())
        return markers;
    const char* data = line.data();
    std::size_t size = line.size();
    std::size_t i = 0;
    while (i + 1 < size) {
        const void* star = std::memchr(data + i, '*', size - i - 1);
        if (star == nullptr)
            break;
        i = static_cast<std::size_t>(static_cast<const char*>(star) - data);
        if (data[i + 1] == '*') {
            std::string_view after = line.substr(i + 2);
            if (after.size() >= BeginText.size() && SameName(after.substr(0, BeginText.size()), "begin pindle"))
                markers.Begin = true;
            if (after.size() >= EndText.size() && SameName(after.substr(0, EndText.size()), "end pindle"))
                markers.End = true;
        }
        ++i;
    }
    return markers;
}

// Whether the line is all ASCII and holds no "*": most lines of a file, which need neither the UTF-8
// check nor the search for the block markers. Eight bytes at a time; a doubt sends the line the slow
// way, which gives the same answer.
bool IsPlainAsciiWithoutStar(std::string_view line) noexcept
{
    constexpr std::uint64_t ones = 0x0101010101010101ULL;
    constexpr std::uint64_t highs = 0x8080808080808080ULL;
    const char* p = line.data();
    std::size_t n = line.size();
    std::uint64_t seen = 0;
    for (; n >= 8; p += 8, n -= 8) {
        std::uint64_t word;
        std::memcpy(&word, p, sizeof word);
        const std::uint64_t star = word ^ (ones * '*');
        seen |= (word | ((star - ones) & ~star)) & highs;
    }
    for (; n > 0; ++p, --n) {
        if (static_cast<unsigned char>(*p) >= 0x80 || *p == '*')
            return false;
    }
    return seen == 0;
}

bool IsCommentLine(std::string_view line)
{
    std::string_view text = Trim(line);
    return text.size() >= 2 && text[0] == '/' && text[1] == '*';
}

// Sorts the lines of a file into rows of the block and lines of the pane, and finds the file's
// format on the way: a byte-order mark before the first line, and whether every line is UTF-8 (line
// ends are ASCII, so the lines are valid exactly when the whole file is).
class TStylesheetBuilder {
public:
    // textSize: the number of bytes of the whole text, to tell a file of only a byte-order mark
    // (an empty document, as an empty file is) from one that has a line end after it.
    TStylesheetBuilder(IStylesheetReceiver& receiver, unsigned long long textSize)
        : receiver_(receiver), onlyMark_(textSize == Utf8ByteOrderMark.size())
    {
    }

    void AddLine(std::string_view line) { AddLine(line, IsPlainAsciiWithoutStar(line)); }

    // plain: the line is known to be all ASCII without a '*' (false when not known).
    void AddLine(std::string_view line, bool plain)
    {
        if (first_) {
            first_ = false;
            if (line.starts_with(Utf8ByteOrderMark)) {
                format_.ByteOrderMark = true;
                line.remove_prefix(Utf8ByteOrderMark.size());
                if (onlyMark_ && line.empty())
                    return;
            }
        }
        if (utf8_ && !plain && !IsValidUtf8(line))
            utf8_ = false;
        const TMarkers markers = plain ? TMarkers{} : FindMarkers(line);
        if (markers.Begin)
            inside_ = true;
        if (!inside_)
            receiver_.AddPaneLine(line);
        else if (!IsCommentLine(line))
            receiver_.AddRow(ParseRuleLine(line));
        if (markers.End)
            inside_ = false;
    }

    [[nodiscard]] TStylesheetFormat Format() const noexcept
    {
        TStylesheetFormat format = format_;
        format.Encoding = utf8_ ? TTextEncoding::Utf8 : TTextEncoding::Windows1252;
        return format;
    }

private:
    IStylesheetReceiver& receiver_;
    TStylesheetFormat format_;
    bool onlyMark_ = false;
    bool first_ = true;
    bool utf8_ = true;
    bool inside_ = false;
};

// Keeps what the reader hands over in a TStylesheet. Plain vectors: their large blocks come
// straight from the system, so that the part of a grown block not yet filled takes no memory, and
// the old block is given back at once.
class TSheetReceiver final : public IStylesheetReceiver {
public:
    void AddRow(TStyleRow row) override { Sheet.Rows.push_back(std::move(row)); }
    void AddPaneLine(std::string_view line) override { Sheet.PaneLines.emplace_back(line); }

    TStylesheet Sheet;
};

}  // namespace

TStylesheet ParseStylesheet(std::string_view text)
{
    TSheetReceiver receiver;
    TStylesheetBuilder builder(receiver, text.size());
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t stop = text.find_first_of("\r\n", start);
        if (stop == std::string_view::npos) {
            builder.AddLine(text.substr(start));
            break;
        }
        builder.AddLine(text.substr(start, stop - start));
        start = stop + 1;
        if (text[stop] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
    receiver.Sheet.Format = builder.Format();
    return std::move(receiver.Sheet);
}

TStylesheet ReadStylesheet(const std::string& fileName)
{
    TSheetReceiver receiver;
    receiver.Sheet.Format = ReadStylesheet(fileName, receiver);
    return std::move(receiver.Sheet);
}

TStylesheetFormat ReadStylesheet(const std::string& fileName, IStylesheetReceiver& receiver)
{
    TTextReader reader(fileName);
    TStylesheetBuilder builder(receiver, static_cast<unsigned long long>(reader.FileSize()));
    reader.SetWatchedByte('*');
    std::string_view line;
    bool plain = false;
    while (reader.NextLine(line, plain))
        builder.AddLine(line, plain);
    reader.Close();
    return builder.Format();
}

namespace {

// Lines first to last - 1 of the pane, a batch of views at a time.
void WriteRange(TTextWriter& writer, const IStylesheetLines& paneLines, std::size_t first, std::size_t last)
{
    std::array<std::string_view, 512> views;
    while (first < last) {
        const std::size_t n = paneLines.Lines(first, std::span(views).first(std::min(views.size(), last - first)));
        if (n == 0)
            break;
        for (std::size_t i = 0; i < n; ++i)
            writer.WriteLine(views[i]);
        first += n;
    }
}

void WriteLines(TTextWriter& writer, const std::vector<TStyleRow>& rows, const IStylesheetLines& paneLines,
                const TStylesheetFormat& format)
{
    if (format.ByteOrderMark)
        writer.Write(Utf8ByteOrderMark);
    const TPaneHead head = FindPaneHead(paneLines);
    WriteRange(writer, paneLines, 0, head.Line);
    // The head may end inside a line: its start ends the line before the block, its rest begins the
    // line after it.
    std::size_t next = head.Line;
    std::string_view rest;
    if (head.Column > 0 || head.CloseStatement) {
        const std::string_view split = paneLines.Line(head.Line);
        writer.Write(split.substr(0, head.Column));
        writer.WriteLine(head.CloseStatement ? ";" : "");
        rest = split.substr(head.Column);
        next = head.Line + 1;
    }
    writer.WriteLine(BeginMarker);
    writer.WriteLine(WarningLine);
    std::string line;
    for (const TStyleRow& row : rows) {
        line = BuildRuleLine(row);
        writer.WriteLine(line);
    }
    writer.WriteLine(EndMarker);
    if (!rest.empty())
        writer.WriteLine(rest);
    WriteRange(writer, paneLines, next, paneLines.Count());
}

class TVectorLines final : public IStylesheetLines {
public:
    explicit TVectorLines(const std::vector<std::string>& lines) : lines_(lines) {}
    [[nodiscard]] std::size_t Count() const override { return lines_.size(); }
    [[nodiscard]] std::string_view Line(std::size_t index) const override { return lines_[index]; }
    [[nodiscard]] std::size_t Lines(std::size_t first, std::span<std::string_view> views) const override
    {
        const std::size_t n = first < lines_.size() ? std::min(views.size(), lines_.size() - first) : 0;
        for (std::size_t i = 0; i < n; ++i)
            views[i] = lines_[first + i];
        return n;
    }

private:
    const std::vector<std::string>& lines_;
};

}  // namespace

void WriteStylesheet(const std::string& fileName, const std::vector<TStyleRow>& rows,
                     const std::vector<std::string>& paneLines, const TStylesheetFormat& format)
{
    WriteStylesheetLines(fileName, rows, TVectorLines(paneLines), format);
}

void WriteStylesheetLines(const std::string& fileName, const std::vector<TStyleRow>& rows,
                          const IStylesheetLines& paneLines, const TStylesheetFormat& format)
{
    TSafeSave save(fileName);
    try {
        WriteLines(save.Writer(), rows, paneLines, format);
    } catch (const EInOutError& failure) {
        save.Abandon(failure);
    }
    save.Commit();
}

}  // namespace pindle
