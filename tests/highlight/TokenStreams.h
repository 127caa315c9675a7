// Token streams of the CSS highlighter in a comparable, printable form, for the golden files, the
// consistency checks and the fuzzer.
#pragma once

#include "highlight/SynHighlighterCss.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace pindle::test {

struct TToken {
    int Line = 0;
    int Start = 0;
    int Kind = 0;  // -1 for the end-of-line token
    std::string Text;  // for the end-of-line token: the state the next line starts in, in decimal

    friend bool operator==(const TToken&, const TToken&) = default;
};

inline constexpr int kEndToken = -1;

// Quotes a token text, escaping '"', '\' and every byte outside 32..126 as \t, \r, \n or \xHH.
std::string Escape(std::string_view text);
std::string Format(const TToken& token);
std::string Format(const std::vector<TToken>& tokens);
// Reads the format that Format writes; lines starting with '#' are comments.
std::vector<TToken> ParseTokens(std::string_view text);

// Splits at LF, or at CR LF when crlf is set; a final line break does not start another line.
std::vector<std::string> SplitLines(std::string_view text, bool crlf);

// Scans each line from the state the line before ended in, as an editor does from stored states.
std::vector<TToken> ScanLines(TSynCssSyn& highlighter, const std::vector<std::string>& lines,
                              std::intptr_t startState = 0);

struct TWholeScan {
    std::vector<TToken> Tokens;  // no end-of-line tokens
    std::intptr_t EndState = 0;
};

// Scans the whole text as one line, line breaks included, and cuts the tokens at every LF into
// per-line pieces: the LF (and with crlf the CR before it) is dropped and empty pieces are left out.
// Scanning line by line must give the same tokens apart from the end-of-line tokens.
TWholeScan ScanWholeAsLines(TSynCssSyn& highlighter, std::string_view text, bool crlf, std::intptr_t startState = 0);

std::vector<TToken> WithoutEndTokens(const std::vector<TToken>& tokens);

}  // namespace pindle::test
