// The characters of a line as the editor shows them. In a UTF-8 document a character is a grapheme
// cluster (what a reader takes for one letter: a base with its combining marks, an emoji sequence, a
// flag); in a Windows-1252 document it is a byte. Every position here is a 0-based byte offset into
// the line and every column a 0-based display column. A character takes cells of the character grid:
// a tab reaches the next tab stop, an East Asian wide character takes two, everything else one
// (a control character too: it is shown as a picture).
#pragma once

#include "highlight/SynEditHighlighter.h"
#include "platform/Encoding.h"

#include <string_view>

namespace pindle {

// The start of the character after the one that starts at `pos` (pos < size; pos must be a
// character boundary). At or beyond the end it returns pos + 1.
[[nodiscard]] int NextCharBoundary(std::string_view line, int pos, TTextEncoding encoding) noexcept;
// The start of the character that ends at `pos`; 0 stays 0. Beyond the end it returns pos - 1.
[[nodiscard]] int PrevCharBoundary(std::string_view line, int pos, TTextEncoding encoding) noexcept;
// The start of the character that holds byte `pos` (pos itself when it is a boundary); beyond the
// end pos is kept.
[[nodiscard]] int CharStartAt(std::string_view line, int pos, TTextEncoding encoding) noexcept;

// The cells the character [pos, next) takes when it starts at display column `column`.
[[nodiscard]] int CharCells(std::string_view line, int pos, int next, int column, int tabWidth,
                            TTextEncoding encoding) noexcept;

// Whether the character at `pos` belongs to a word: a byte of `chars` in Windows-1252 and for ASCII;
// in UTF-8 also any letter, digit or mark of any script.
[[nodiscard]] bool IsWordCharAt(std::string_view line, int pos, const TSynIdentChars& chars,
                                TTextEncoding encoding) noexcept;

// A character boundary with its display column.
struct TCharPlace {
    int Pos = 0;
    int Column = 0;
};

// Walks from `from` (a boundary with its column) to the boundary at or just before byte `pos`; past
// the line's end each further byte is a cell of virtual space.
[[nodiscard]] TCharPlace WalkToPos(std::string_view line, TCharPlace from, int pos, int tabWidth,
                                   TTextEncoding encoding) noexcept;
// Walks from `from` to the character whose cells hold `column` (or that starts there); past the
// line's end each further column is a byte of virtual space.
[[nodiscard]] TCharPlace WalkToColumn(std::string_view line, TCharPlace from, int column, int tabWidth,
                                      TTextEncoding encoding) noexcept;

// How many characters a text holds.
[[nodiscard]] int CharCount(std::string_view text, TTextEncoding encoding) noexcept;

// The picture that stands for a control character (C0 other than tab, and DEL), or 0 for any other.
[[nodiscard]] char32_t ControlPicture(char32_t code) noexcept;

}  // namespace pindle
