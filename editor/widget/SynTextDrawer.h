// Draws text on the editor's character grid: every character takes one cell of the measured width
// (an East Asian wide one two), in any of the font's styles, so bold or italic glyphs never shift the
// columns after them.
#pragma once

#include "highlight/SynEditHighlighter.h"
#include "platform/Encoding.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QRawFont>
#include <QVector>

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

class QPainter;

namespace pindle {

// The editor's font: "Courier New" where installed, else a font with the same metrics, else the
// system's fixed font.
[[nodiscard]] QFont DefaultEditorFont(int pixelSize = 13);

// The font with the given style bits applied.
[[nodiscard]] QFont StyledFont(const QFont& font, TFontStyles style);

class TSynTextDrawer {
public:
    explicit TSynTextDrawer(const QFont& font);
    TSynTextDrawer(const TSynTextDrawer&) = delete;
    TSynTextDrawer& operator=(const TSynTextDrawer&) = delete;

    void SetFont(const QFont& font);
    [[nodiscard]] const QFont& Font() const noexcept { return font_; }

    // The character cell of the font drawn in a style (only bold and italic matter).
    [[nodiscard]] int CharHeight(TFontStyles style) const;
    [[nodiscard]] int CharWidth(TFontStyles style) const;

    // The grid the text is drawn on: the cell width and the row height (height and baseline follow
    // the row's top).
    void SetCell(int charWidth, int lineHeight);
    [[nodiscard]] int CellWidth() const noexcept { return cellWidth_; }
    [[nodiscard]] int CellHeight() const noexcept { return cellHeight_; }

    // Fills the cells of the characters with the background and draws them in the style and
    // foreground; x is the left edge of the first cell and top the top of the row. In Windows-1252
    // every byte is a cell; in UTF-8 a character takes one cell or two (tabs are expanded already).
    // Control characters show as their pictures; a character the font lacks comes from a fallback
    // font, upright and slanted where no italic face has it. Right-to-left text is drawn in its
    // logical order, one character after the other. Returns the number of cells drawn.
    int DrawCells(QPainter& painter, int x, int top, std::string_view bytes, TFontStyles style,
                  const QColor& foreground, const QColor& background,
                  TTextEncoding encoding = TTextEncoding::Windows1252);

private:
    struct TFace {
        QRawFont Raw;
        std::array<quint32, 256> Glyphs{};
        bool Valid = false;
    };

    TFace& FaceFor(TFontStyles style);
    [[nodiscard]] TFontStyles DrawableStyle(const QString& cluster, TFontStyles style);
    [[nodiscard]] bool HasGlyphs(const QString& cluster, TFontStyles shape) const;

    QFont font_;
    std::array<TFace, 4> faces_;        // regular, bold, italic, bold italic: built on first use
    std::array<bool, 4> built_{};
    std::array<QHash<QString, TFontStyles>, 4> drawableShapes_;  // per face: the style each cluster is drawn in
    int cellWidth_ = 8;
    int cellHeight_ = 15;
    int baseline_ = 12;
    QVector<quint32> glyphBuffer_;
    QVector<QPointF> positionBuffer_;
    struct TSlowChar {
        int X;
        QString Text;
    };
    std::vector<TSlowChar> slowChars_;  // characters drawn through QPainter's font fallback
    std::vector<TSlowChar> controls_;   // control characters, drawn as pictures
};

}  // namespace pindle
