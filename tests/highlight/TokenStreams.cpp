#include "tests/highlight/TokenStreams.h"

#include <charconv>
#include <stdexcept>

namespace pindle::test {

std::string Escape(std::string_view text)
{
    static const char* const kHex = "0123456789ABCDEF";
    std::string out = "\"";
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (c == '\t') {
            out += "\\t";
        } else if (c == '\r') {
            out += "\\r";
        } else if (c == '\n') {
            out += "\\n";
        } else if (b < 32 || b > 126) {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 15];
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

std::string Format(const TToken& token)
{
    std::string out = std::to_string(token.Line) + ":" + std::to_string(token.Start) + " ";
    if (token.Kind == kEndToken)
        return out + "end " + token.Text;
    return out + std::to_string(token.Kind) + " " + Escape(token.Text);
}

std::string Format(const std::vector<TToken>& tokens)
{
    std::string out;
    for (const TToken& token : tokens)
        out += Format(token) + "\n";
    return out;
}

namespace {

int ParseInt(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size())
        throw std::runtime_error("bad number in token file: " + std::string(text));
    return value;
}

int HexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    throw std::runtime_error("bad hex digit in token file");
}

std::string Unescape(std::string_view quoted)
{
    if (quoted.size() < 2 || quoted.front() != '"' || quoted.back() != '"')
        throw std::runtime_error("unquoted token text: " + std::string(quoted));
    const std::string_view body = quoted.substr(1, quoted.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < body.size(); ++i) {
        if (body[i] != '\\') {
            out += body[i];
            continue;
        }
        const char e = body.at(++i);
        if (e == 't')
            out += '\t';
        else if (e == 'r')
            out += '\r';
        else if (e == 'n')
            out += '\n';
        else if (e == 'x') {
            out += static_cast<char>(HexDigit(body.at(i + 1)) * 16 + HexDigit(body.at(i + 2)));
            i += 2;
        } else
            out += e;
    }
    return out;
}

}  // namespace

std::vector<TToken> ParseTokens(std::string_view text)
{
    std::vector<TToken> tokens;
    for (const std::string& line : SplitLines(text, false)) {
        if (line.empty() || line[0] == '#')
            continue;
        const std::size_t colon = line.find(':');
        const std::size_t space1 = line.find(' ', colon);
        const std::size_t space2 = line.find(' ', space1 + 1);
        if (colon == std::string::npos || space1 == std::string::npos || space2 == std::string::npos)
            throw std::runtime_error("bad token line: " + line);
        const std::string_view view(line);
        TToken token;
        token.Line = ParseInt(view.substr(0, colon));
        token.Start = ParseInt(view.substr(colon + 1, space1 - colon - 1));
        const std::string_view kind = view.substr(space1 + 1, space2 - space1 - 1);
        const std::string_view rest = view.substr(space2 + 1);
        if (kind == "end") {
            token.Kind = kEndToken;
            token.Text = std::to_string(ParseInt(rest));
        } else {
            token.Kind = ParseInt(kind);
            token.Text = Unescape(rest);
        }
        tokens.push_back(std::move(token));
    }
    return tokens;
}

std::vector<std::string> SplitLines(std::string_view text, bool crlf)
{
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos)
            end = text.size();
        std::size_t stop = end;
        if (crlf && stop > start && text[stop - 1] == '\r')
            --stop;
        lines.emplace_back(text.substr(start, stop - start));
        start = end + 1;
    }
    return lines;
}

std::vector<TToken> ScanLines(TSynCssSyn& highlighter, const std::vector<std::string>& lines, std::intptr_t startState)
{
    std::vector<TToken> tokens;
    std::intptr_t state = startState;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int index = static_cast<int>(i);
        highlighter.SetLineState(state);
        highlighter.StartLine(lines[i], index);
        while (!highlighter.AtLineEnd()) {
            tokens.push_back({index, highlighter.TokenStart(), highlighter.TokenKind(), highlighter.TokenText()});
            highlighter.NextToken();
        }
        state = highlighter.LineState();
        tokens.push_back({index, highlighter.TokenStart(), kEndToken, std::to_string(state)});
    }
    return tokens;
}

TWholeScan ScanWholeAsLines(TSynCssSyn& highlighter, std::string_view text, bool crlf, std::intptr_t startState)
{
    const std::string whole(text);
    // Where each line starts in the whole text, found as the scan goes.
    int line = 0;
    std::size_t lineStart = 0;
    TWholeScan result;
    highlighter.SetLineState(startState);
    highlighter.StartLine(whole, 0);
    while (!highlighter.AtLineEnd()) {
        const auto begin = static_cast<std::size_t>(highlighter.TokenStart());
        const std::size_t end = begin + highlighter.TokenText().size();
        TToken piece{line, static_cast<int>(begin - lineStart), highlighter.TokenKind(), {}};
        for (std::size_t a = begin; a < end; ++a) {
            if (whole[a] == '\n') {
                if (!piece.Text.empty())
                    result.Tokens.push_back(piece);
                ++line;
                lineStart = a + 1;
                piece = TToken{line, 0, highlighter.TokenKind(), {}};
                continue;
            }
            if (crlf && whole[a] == '\r' && a + 1 < whole.size() && whole[a + 1] == '\n')
                continue;
            if (piece.Text.empty())
                piece.Start = static_cast<int>(a - lineStart);
            piece.Text += whole[a];
        }
        if (!piece.Text.empty())
            result.Tokens.push_back(piece);
        highlighter.NextToken();
    }
    result.EndState = highlighter.LineState();
    return result;
}

std::vector<TToken> WithoutEndTokens(const std::vector<TToken>& tokens)
{
    std::vector<TToken> out;
    for (const TToken& token : tokens) {
        if (token.Kind != kEndToken)
            out.push_back(token);
    }
    return out;
}

}  // namespace pindle::test
