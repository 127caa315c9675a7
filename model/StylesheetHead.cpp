#include "model/StylesheetHead.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace pindle {
namespace {

// Blanks as CSS knows them; line ends lie between the pane's lines.
constexpr bool IsCssBlank(char c) { return c == ' ' || c == '\t' || c == '\f'; }

// A byte of a CSS name: every non-ASCII byte is one, in UTF-8 as in Windows-1252.
constexpr bool IsNameByte(char c)
{
    const auto b = static_cast<unsigned char>(c);
    return (b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '-' || b == '_' ||
           b >= 0x80;
}

constexpr char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool SameLetters(std::string_view text, std::string_view lower)
{
    if (text.size() != lower.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (Lower(text[i]) != lower[i])
            return false;
    return true;
}

// The length of the at-keyword at the start of text ("@import") when it names a statement of the
// head, else 0. A name written with an escape is taken as another name, which ends the head.
std::size_t HeadKeywordLength(std::string_view text)
{
    static constexpr std::array<std::string_view, 4> Names = {"charset", "import", "namespace", "layer"};
    std::size_t end = 1;
    while (end < text.size() && IsNameByte(text[end]))
        ++end;
    if (end < text.size() && text[end] == '\\')
        return 0;
    const std::string_view name = text.substr(1, end - 1);
    for (std::string_view known : Names)
        if (SameLetters(name, known))
            return end;
    return 0;
}

// Does "url(" at pos open a url token? Only as a whole name: "x-url(" is another function.
bool StartsUrl(std::string_view line, std::size_t pos)
{
    if (line.size() - pos < 4 || !SameLetters(line.substr(pos, 4), "url("))
        return false;
    if (pos == 0)
        return true;
    const char before = line[pos - 1];
    return !IsNameByte(before) && before != '@' && before != '#' && before != '\\';
}

// Reads the pane's text line by line as CSS tokens, as far as the head goes. Every byte of the head
// is looked at once; a comment, string or url is searched for its end.
class THeadScanner {
public:
    // Scans one line; false once the head has ended. The last line has the end of the text after it.
    bool Scan(std::size_t index, std::string_view line, bool last)
    {
        index_ = index;
        line_ = line;
        std::size_t i = 0;
        while (i < line.size() && !ended_) {
            switch (mode_) {
            case TMode::Between: i = BetweenRules(i); break;
            case TMode::Prelude: i = InPrelude(i); break;
            case TMode::Comment: i = InComment(i); break;
            case TMode::String: i = InString(i); break;
            case TMode::UrlStart: i = AtUrlStart(i); break;
            case TMode::Url: i = InUrl(i); break;
            }
        }
        if (!ended_)
            LineEnd(last);
        return !ended_;
    }

    [[nodiscard]] TPaneHead Result() const
    {
        const bool inStatement =
            mode_ == TMode::Prelude || (mode_ == TMode::Comment && commentReturn_ == TMode::Prelude);
        if (!ended_ && inStatement && closers_.empty() && !openToLineEnd_) {
            // The end of the text ends the statement; the ";" goes after its last token, or after
            // the rest of that token's line when nothing but blanks and closed comments follow.
            const TPlace at = lineEndAfterToken_ ? tokenLineEnd_ : tokenEnd_;
            return {at.Line, at.Column, true};
        }
        if (!statements_)
            return {};
        if (lineEndAfterStatement_)
            return {blockLine_, 0, false};
        return {statementEnd_.Line, statementEnd_.Column, false};
    }

private:
    // Between: before a statement or rule. Prelude: in a statement after its at-keyword, with the
    // brackets still open in closers_. UrlStart: after "url(", before its first non-blank.
    enum class TMode : std::uint8_t { Between, Prelude, Comment, String, UrlStart, Url };
    struct TPlace {
        std::size_t Line = 0;
        std::size_t Column = 0;
    };

    [[nodiscard]] bool CommentAt(std::size_t i) const
    {
        return line_[i] == '/' && i + 1 < line_.size() && line_[i + 1] == '*';
    }

    void Token(std::size_t end)
    {
        tokenEnd_ = {index_, end};
        lineEndAfterToken_ = false;
        openToLineEnd_ = false;
    }

    std::size_t BetweenRules(std::size_t i)
    {
        if (IsCssBlank(line_[i]))
            return i + 1;
        if (CommentAt(i)) {
            mode_ = TMode::Comment;
            commentReturn_ = TMode::Between;
            return i + 2;
        }
        if (line_[i] == '@') {
            if (const std::size_t length = HeadKeywordLength(line_.substr(i)); length != 0) {
                mode_ = TMode::Prelude;
                closers_.clear();
                Token(i + length);
                return i + length;
            }
        }
        ended_ = true;  // a rule, or an at-rule that may not stand before the block
        return i;
    }

    std::size_t InPrelude(std::size_t i)
    {
        const char c = line_[i];
        if (IsCssBlank(c))
            return i + 1;
        if (CommentAt(i)) {
            mode_ = TMode::Comment;
            commentReturn_ = TMode::Prelude;
            return i + 2;
        }
        switch (c) {
        case '"':
        case '\'':
            quote_ = c;
            mode_ = TMode::String;
            return i + 1;
        case '\\':
            if (i + 1 < line_.size()) {
                Token(i + 2);  // an escaped byte is text, even a ";"
                return i + 2;
            }
            Token(i + 1);
            openToLineEnd_ = true;  // a ";" right after it would be escaped
            return i + 1;
        case ';':
            if (!closers_.empty())
                break;
            statementEnd_ = {index_, i + 1};
            statements_ = true;
            lineEndAfterStatement_ = false;
            mode_ = TMode::Between;
            return i + 1;
        case '{':
            if (closers_.empty()) {
                ended_ = true;  // a block at-rule, such as "@layer x {...}", is a rule
                return i;
            }
            closers_.push_back('}');
            break;
        case '(': closers_.push_back(')'); break;
        case '[': closers_.push_back(']'); break;
        case ')':
        case ']':
        case '}':
            if (!closers_.empty() && closers_.back() == c)
                closers_.pop_back();
            break;
        case 'u':
        case 'U':
            if (StartsUrl(line_, i)) {
                Token(i + 4);
                mode_ = TMode::UrlStart;
                return i + 4;
            }
            break;
        default: break;
        }
        Token(i + 1);
        return i + 1;
    }

    std::size_t InComment(std::size_t i)
    {
        const std::size_t close = line_.find("*/", i);
        if (close == std::string_view::npos)
            return line_.size();
        mode_ = commentReturn_;
        return close + 2;
    }

    std::size_t InString(std::size_t i)
    {
        const char stops[] = {quote_, '\\'};
        const std::size_t stop = line_.find_first_of(std::string_view(stops, 2), i);
        if (stop == std::string_view::npos)
            return line_.size();
        if (line_[stop] == quote_) {
            mode_ = TMode::Prelude;
            Token(stop + 1);
            return stop + 1;
        }
        if (stop + 1 < line_.size())
            return stop + 2;
        continued_ = true;  // a "\" before the line end carries the string on
        return line_.size();
    }

    std::size_t AtUrlStart(std::size_t i)
    {
        const char c = line_[i];
        if (IsCssBlank(c))
            return i + 1;
        if (c == '"' || c == '\'') {
            closers_.push_back(')');  // url("...") is a function holding a string
            mode_ = TMode::Prelude;
        } else {
            mode_ = TMode::Url;
        }
        return i;
    }

    std::size_t InUrl(std::size_t i)
    {
        // Whatever it holds, a url ends at its first unescaped ")".
        const std::size_t stop = line_.find_first_of(")\\", i);
        if (stop == std::string_view::npos)
            return line_.size();
        if (line_[stop] == '\\')
            return std::min(stop + 2, line_.size());
        mode_ = TMode::Prelude;
        Token(stop + 1);
        return stop + 1;
    }

    void LineEnd(bool last)
    {
        if (mode_ == TMode::String) {
            if (continued_ || last) {
                continued_ = false;
                return;
            }
            mode_ = TMode::Prelude;  // a line end cuts an open string short
            Token(line_.size());
            openToLineEnd_ = true;   // a ";" after it would be part of it
        }
        if (mode_ == TMode::Between && statements_ && !lineEndAfterStatement_) {
            lineEndAfterStatement_ = true;
            blockLine_ = index_ + 1;
        } else if (mode_ == TMode::Prelude && !lineEndAfterToken_) {
            lineEndAfterToken_ = true;
            tokenLineEnd_ = {index_, line_.size()};
        }
    }

    std::size_t index_ = 0;
    std::string_view line_;
    TMode mode_ = TMode::Between;
    TMode commentReturn_ = TMode::Between;
    char quote_ = '"';
    bool continued_ = false;
    bool ended_ = false;
    std::string closers_;

    bool statements_ = false;              // a statement has ended
    TPlace statementEnd_;                  // one past the last statement's ";"
    bool lineEndAfterStatement_ = false;   // a line end outside comments follows it
    std::size_t blockLine_ = 0;            // the line after the first such line end

    TPlace tokenEnd_;                      // the end of the open statement's last token
    bool lineEndAfterToken_ = false;       // a line end outside comments follows that token
    TPlace tokenLineEnd_;
    bool openToLineEnd_ = false;           // that token, a "\" or a string, runs to its line end
};

}  // namespace

TPaneHead FindPaneHead(const IStylesheetLines& paneLines)
{
    THeadScanner scanner;
    for (std::size_t i = 0, n = paneLines.Count(); i < n; ++i)
        if (!scanner.Scan(i, paneLines.Line(i), i + 1 == n))
            break;
    return scanner.Result();
}

}  // namespace pindle
