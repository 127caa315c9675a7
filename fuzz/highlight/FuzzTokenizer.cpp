// Any bytes in any start state: the scan must not crash, every token but the end-of-line token must
// advance, the end-of-line token must repeat, ScanToLineEnd from any token must end where stepping
// through the tokens ends and in the same state, and cutting the text at its line feeds and scanning
// line by line must give the same tokens as scanning it whole.
#include "highlight/SynHighlighterCss.h"
#include "tests/highlight/TokenStreams.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void Check(bool condition, const char* what)
{
    if (!condition) {
        std::fprintf(stderr, "fuzz_tokenizer: %s\n", what);
        std::abort();
    }
}

std::intptr_t StartState(const std::uint8_t*& data, std::size_t& size)
{
    if (size == 0)
        return 0;
    const std::uint8_t selector = *data++;
    --size;
    switch (selector & 3) {
    case 0:
        return 0;
    case 1:
        return 1;
    case 2:
        if (size == 0)
            return 0;
        --size;
        return *data++;
    default: {
        std::intptr_t raw = 0;
        const std::size_t n = size < sizeof raw ? size : sizeof raw;
        std::memcpy(&raw, data, n);
        data += n;
        size -= n;
        return raw;
    }
    }
}

// Steps over `before` tokens, then lets ScanToLineEnd finish the line.
void CheckScanToLineEnd(pindle::TSynCssSyn& highlighter, const std::string& text, std::intptr_t state, int before,
                        int length, std::intptr_t endState)
{
    highlighter.SetLineState(state);
    highlighter.StartLine(text, 3);
    for (int i = 0; i < before && !highlighter.AtLineEnd(); ++i)
        highlighter.NextToken();
    highlighter.ScanToLineEnd();
    for (int i = 0; i < 2; ++i) {
        Check(highlighter.AtLineEnd() && highlighter.TokenKind() == 3, "ScanToLineEnd stops before the end");
        Check(highlighter.TokenStart() == length && highlighter.TokenText().empty(), "ScanToLineEnd ends elsewhere");
        Check(highlighter.LineState() == endState, "ScanToLineEnd ends in another state");
        Check(highlighter.TokenAttribute() == nullptr && highlighter.LineIndex() == 3, "ScanToLineEnd changes more");
        highlighter.NextToken();
    }
}

void CheckTokens(pindle::TSynCssSyn& highlighter, const std::string& text, std::intptr_t state)
{
    const int length = static_cast<int>(std::strlen(text.c_str()));
    highlighter.SetLineState(state);
    highlighter.StartLine(text, 0);
    int expectedStart = 0;
    int tokens = 0;
    while (!highlighter.AtLineEnd()) {
        const std::string token = highlighter.TokenText();
        Check(highlighter.TokenStart() == expectedStart, "tokens are not contiguous");
        Check(!token.empty(), "a token does not advance");
        Check(token == text.substr(static_cast<std::size_t>(expectedStart), token.size()), "token text is not the line's");
        Check(highlighter.TokenKind() >= 0 && highlighter.TokenKind() <= 8 && highlighter.TokenKind() != 3, "bad kind");
        Check(highlighter.TokenAttribute() != nullptr, "a token without attribute");
        expectedStart += static_cast<int>(token.size());
        Check(expectedStart <= length, "scanned past the first zero");
        Check(++tokens <= length, "more tokens than characters");
        highlighter.NextToken();
    }
    Check(highlighter.TokenStart() == length, "the end token is not at the first zero");
    const std::intptr_t endState = highlighter.LineState();
    Check(endState == 0 || endState == 1 || endState == (state & 0xFF), "unexpected line state");
    for (int i = 0; i < 3; ++i) {
        highlighter.NextToken();
        Check(highlighter.AtLineEnd() && highlighter.TokenStart() == length, "the end token does not repeat");
        Check(highlighter.TokenText().empty(), "the end token has text");
        Check(highlighter.LineState() == endState, "the end token changes the state");
    }
    for (const int before : {0, 1, 2, tokens / 2, tokens})
        CheckScanToLineEnd(highlighter, text, state, before, length, endState);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static pindle::TSynCssSyn highlighter;
    const std::intptr_t state = StartState(data, size);
    const std::string text(reinterpret_cast<const char*>(data), size);
    CheckTokens(highlighter, text, state);

    // The same text up to its first zero, whole and cut at its line feeds.
    const std::string clean(text.c_str());
    const std::vector<pindle::test::TToken> byLine =
        pindle::test::ScanLines(highlighter, pindle::test::SplitLines(clean, false), state);
    const pindle::test::TWholeScan whole = pindle::test::ScanWholeAsLines(highlighter, clean, false, state);
    Check(pindle::test::WithoutEndTokens(byLine) == whole.Tokens, "whole and line-by-line tokens differ");
    if (!byLine.empty())
        Check(std::to_string(whole.EndState) == byLine.back().Text, "whole and line-by-line end states differ");
    return 0;
}
