// Any bytes as a rule line and as a whole file. Reading the file must agree with reading the same
// bytes from memory, line by line and as a stylesheet, and writing what was read must give exactly
// the bytes the format prescribes. Inputs of a few MiB reach the lines that cross the reader's and
// the writer's buffers.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "fuzz/model/FuzzFile.h"
#include "model/Stylesheet.h"
#include "model/StylesheetHead.h"
#include "platform/TextFile.h"

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_stylesheet: %s\n", what);
        std::abort();
    }
}

// The lines of the bytes, cut at CR LF, CR and LF, the plainest way. The line ends are found with
// memchr, which the fuzzer does not trace byte by byte, so that inputs of some MiB stay quick.
std::vector<std::string> LinesInMemory(std::string_view bytes)
{
    std::vector<std::string> lines;
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    auto next = [end](const char* from, char c) {
        const void* found = std::memchr(from, c, static_cast<std::size_t>(end - from));
        return found != nullptr ? static_cast<const char*>(found) : end;
    };
    const char* cr = next(p, '\r');
    const char* lf = next(p, '\n');
    while (p != end) {
        if (cr < p)
            cr = next(p, '\r');
        if (lf < p)
            lf = next(p, '\n');
        const char* stop = std::min(cr, lf);
        lines.emplace_back(p, stop);
        if (stop == end)
            break;
        p = stop + 1;
        if (*stop == '\r' && p != end && *p == '\n')
            ++p;
    }
    return lines;
}

std::vector<std::string> LinesOfFile(const std::string& path)
{
    pindle::TTextReader reader(path);
    std::vector<std::string> lines;
    while (!reader.Eof())
        lines.push_back(reader.ReadLine());
    reader.Close();
    return lines;
}

// The pane's lines for the writer's head rule.
class TLines final : public pindle::IStylesheetLines {
public:
    explicit TLines(const std::vector<std::string>& lines) : lines_(lines) {}
    [[nodiscard]] std::size_t Count() const override { return lines_.size(); }
    [[nodiscard]] std::string_view Line(std::size_t index) const override { return lines_[index]; }

private:
    const std::vector<std::string>& lines_;
};

std::string ExpectedFile(const pindle::TStylesheet& sheet)
{
    std::string bytes;
    auto add = [&bytes](std::string_view line) {
        bytes += line;
        bytes += "\r\n";
    };
    if (sheet.Format.ByteOrderMark)
        bytes += pindle::Utf8ByteOrderMark;
    // The pane's text with the block put in where the head ends, in a line of its own.
    const pindle::TPaneHead head = pindle::FindPaneHead(TLines(sheet.PaneLines));
    std::vector<std::string> lines = sheet.PaneLines;
    std::size_t at = head.Line;
    if (head.Column > 0 || head.CloseStatement) {
        std::string rest = lines[at].substr(head.Column);
        lines[at].resize(head.Column);
        if (head.CloseStatement)
            lines[at] += ';';
        ++at;
        if (!rest.empty())
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), rest);
    }
    std::vector<std::string> block = {std::string(pindle::BeginMarker), std::string(pindle::WarningLine)};
    for (const pindle::TStyleRow& row : sheet.Rows)
        block.push_back(pindle::BuildRuleLine(row));
    block.emplace_back(pindle::EndMarker);
    lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), block.begin(), block.end());
    for (const std::string& line : lines)
        add(line);
    return bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const unsigned char* data, std::size_t size)
{
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    // The whole input as one rule line; a large input's block lines are parsed below, and parsing
    // all of it as one line as well would halve the runs that reach the buffers.
    if (size <= 65536) {
        pindle::TStyleRow row = pindle::ParseRuleLine(bytes);
        // A row read from a line is written and read again without harm.
        (void)pindle::ParseRuleLine(pindle::BuildRuleLine(row));
    }

    const std::string& path = pindle::fuzz::WriteFuzzFile("fuzz_stylesheet_", ".css", data, size);
    Check(LinesOfFile(path) == LinesInMemory(bytes), "the file's lines differ from the bytes' lines");
    pindle::TStylesheet fromMemory = pindle::ParseStylesheet(bytes);
    pindle::TStylesheet fromFile = pindle::ReadStylesheet(path);
    Check(fromFile.Rows == fromMemory.Rows && fromFile.PaneLines == fromMemory.PaneLines &&
              fromFile.Format == fromMemory.Format,
          "reading the file and reading the bytes give different stylesheets");
    Check((fromFile.Format.Encoding == pindle::TTextEncoding::Utf8) == pindle::IsValidUtf8(bytes.substr(
              fromFile.Format.ByteOrderMark ? pindle::Utf8ByteOrderMark.size() : 0)),
          "the encoding found is not the one the bytes are valid in");

    static const std::string written = pindle::fuzz::NewFuzzFileName("fuzz_stylesheet_written_", ".css");
    pindle::WriteStylesheet(written, fromFile.Rows, fromFile.PaneLines, fromFile.Format);
    const std::string bytesWritten = pindle::fuzz::ReadFuzzFile(written);
    Check(bytesWritten == ExpectedFile(fromFile), "the written file has other bytes");
    // What a save wrote, read and saved again, gives the same bytes: the head's line is broken once.
    const pindle::TStylesheet again = pindle::ReadStylesheet(written);
    pindle::WriteStylesheet(written, again.Rows, again.PaneLines, again.Format);
    Check(pindle::fuzz::ReadFuzzFile(written) == bytesWritten, "a second save wrote other bytes");
    return 0;
}
