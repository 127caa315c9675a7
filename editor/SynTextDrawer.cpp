#include "editor/SynTextDrawer.h"

#include "platform/QtText.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>

#include <string>

namespace pindle {
namespace {

int FaceIndex(TFontStyles style) noexcept
{
    return ((style & fsBold) != 0 ? 1 : 0) + ((style & fsItalic) != 0 ? 2 : 0);
}

bool IsBlank(char c) noexcept { return c == ' '; }

}  // namespace

QFont DefaultEditorFont(int pixelSize)
{
    // Font substitution would quietly give some proportional face for a missing family, which
    // breaks the character grid, so the family is chosen from what is really installed. The font
    // list is read once: every editor asks, and the answer does not change while the program runs.
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        for (const QString& wanted : {QStringLiteral("Courier New"), QStringLiteral("Liberation Mono")}) {
            if (families.contains(wanted, Qt::CaseInsensitive))
                return wanted;
        }
        return QString();
    }();
    QFont font = family.isEmpty() ? QFontDatabase::systemFont(QFontDatabase::FixedFont) : QFont(family);
    font.setPixelSize(pixelSize);
    font.setStyleHint(QFont::TypeWriter);
    font.setKerning(false);
    return font;
}

QFont StyledFont(const QFont& font, TFontStyles style)
{
    QFont styled = font;
    styled.setBold((style & fsBold) != 0);
    styled.setItalic((style & fsItalic) != 0);
    styled.setUnderline((style & fsUnderline) != 0);
    styled.setStrikeOut((style & fsStrikeOut) != 0);
    return styled;
}

TSynTextDrawer::TSynTextDrawer(const QFont& font) { SetFont(font); }

void TSynTextDrawer::SetFont(const QFont& font)
{
    font_ = font;
    built_.fill(false);
    baseline_ = QFontMetrics(font_).ascent();
}

int TSynTextDrawer::CharHeight(TFontStyles style) const
{
    return QFontMetrics(StyledFont(font_, style & (fsBold | fsItalic))).height();
}

int TSynTextDrawer::CharWidth(TFontStyles style) const
{
    return QFontMetrics(StyledFont(font_, style & (fsBold | fsItalic))).horizontalAdvance(QLatin1Char('W'));
}

void TSynTextDrawer::SetCell(int charWidth, int lineHeight)
{
    cellWidth_ = charWidth > 0 ? charWidth : 1;
    cellHeight_ = lineHeight > 0 ? lineHeight : 1;
}

TSynTextDrawer::TFace& TSynTextDrawer::FaceFor(TFontStyles style)
{
    const int index = FaceIndex(style);
    TFace& face = faces_[static_cast<std::size_t>(index)];
    if (!built_[static_cast<std::size_t>(index)]) {
        built_[static_cast<std::size_t>(index)] = true;
        face.Raw = QRawFont::fromFont(StyledFont(font_, style & (fsBold | fsItalic)));
        face.Valid = face.Raw.isValid();
        if (face.Valid) {
            std::string all(256, '\0');
            for (int c = 0; c < 256; ++c)
                all[static_cast<std::size_t>(c)] = static_cast<char>(c);
            const QList<quint32> glyphs = face.Raw.glyphIndexesForString(ToQString(all));
            face.Valid = glyphs.size() == 256;
            for (int c = 0; face.Valid && c < 256; ++c)
                face.Glyphs[static_cast<std::size_t>(c)] = glyphs[c];
        }
    }
    return face;
}

void TSynTextDrawer::DrawCells(QPainter& painter, int x, int top, std::string_view bytes, TFontStyles style,
                               const QColor& foreground, const QColor& background)
{
    if (bytes.empty())
        return;
    const int count = static_cast<int>(bytes.size());
    painter.fillRect(x, top, count * cellWidth_, cellHeight_, background);
    TFace& face = FaceFor(style);
    const bool decorated = (style & (fsUnderline | fsStrikeOut)) != 0;
    if (!face.Valid) {
        // No raw glyph access on this platform: one cell at a time keeps the grid.
        painter.setFont(StyledFont(font_, style));
        painter.setPen(foreground);
        for (int i = 0; i < count; ++i) {
            const char c = bytes[static_cast<std::size_t>(i)];
            if (!IsBlank(c) || decorated)
                painter.drawText(x + i * cellWidth_, top + baseline_, QString(QChar(static_cast<unsigned char>(c))));
        }
        return;
    }
    glyphBuffer_.clear();
    positionBuffer_.clear();
    for (int i = 0; i < count; ++i) {
        const char c = bytes[static_cast<std::size_t>(i)];
        if (IsBlank(c) && !decorated)
            continue;  // blanks are the background alone
        glyphBuffer_.append(face.Glyphs[static_cast<unsigned char>(c)]);
        positionBuffer_.append(QPointF(x + i * cellWidth_, top + baseline_));
    }
    if (glyphBuffer_.isEmpty())
        return;
    QGlyphRun run;
    run.setRawFont(face.Raw);
    run.setGlyphIndexes(glyphBuffer_);
    run.setPositions(positionBuffer_);
    run.setUnderline((style & fsUnderline) != 0);
    run.setStrikeOut((style & fsStrikeOut) != 0);
    painter.setPen(foreground);
    painter.drawGlyphRun(QPointF(0, 0), run);
}

}  // namespace pindle
