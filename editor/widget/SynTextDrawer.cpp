#include "editor/widget/SynTextDrawer.h"

#include "editor/SynEditChars.h"
#include "platform/qt/QtText.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetrics>
#include <QGlyphRun>
#include <QPainter>
#include <QTextLayout>

#include <algorithm>
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
    for (QHash<QString, TFontStyles>& known : drawableShapes_)
        known.clear();
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
            // Each byte as Windows-1252 reads it (ASCII alike in UTF-8), control characters as
            // their pictures; 0 marks a character the font lacks.
            QString all;
            for (int c = 0; c < 256; ++c) {
                const char32_t code = Windows1252ToUnicode(static_cast<unsigned char>(c));
                const char32_t picture = ControlPicture(code);
                all.append(QChar(static_cast<char16_t>(picture != 0 ? picture : code)));
            }
            const QList<quint32> glyphs = face.Raw.glyphIndexesForString(all);
            face.Valid = glyphs.size() == 256;
            for (int c = 0; face.Valid && c < 256; ++c)
                face.Glyphs[static_cast<std::size_t>(c)] = glyphs[c];
        }
    }
    return face;
}

// A cluster in a style no font has its glyphs in (Arabic in italics, as a rule) is drawn in the
// nearest style that has them: without italics first, then without bold. The answers are kept per
// cluster, since finding them lays the cluster out.
TFontStyles TSynTextDrawer::DrawableStyle(const QString& cluster, TFontStyles style)
{
    const TFontStyles shape = style & (fsBold | fsItalic);
    if (shape == 0)
        return style;
    QHash<QString, TFontStyles>& known = drawableShapes_[static_cast<std::size_t>(FaceIndex(style))];
    auto found = known.constFind(cluster);
    if (found == known.constEnd()) {
        TFontStyles drawable = shape;
        for (const int candidate : {int{shape}, shape & fsBold, shape & fsItalic, 0}) {
            if (HasGlyphs(cluster, static_cast<TFontStyles>(candidate))) {
                drawable = static_cast<TFontStyles>(candidate);
                break;
            }
        }
        if (known.size() >= 4096)
            known.clear();
        found = known.insert(cluster, drawable);
    }
    return static_cast<TFontStyles>((style & ~(fsBold | fsItalic)) | *found);
}

bool TSynTextDrawer::HasGlyphs(const QString& cluster, TFontStyles shape) const
{
    QTextLayout layout(cluster, StyledFont(font_, shape));
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    for (const QGlyphRun& run : layout.glyphRuns()) {
        for (const quint32 glyph : run.glyphIndexes()) {
            if (glyph == 0)
                return false;
        }
    }
    return true;
}

int TSynTextDrawer::DrawCells(QPainter& painter, int x, int top, std::string_view bytes, TFontStyles style,
                              const QColor& foreground, const QColor& background, TTextEncoding encoding)
{
    if (bytes.empty())
        return 0;
    TFace& face = FaceFor(style);
    const bool decorated = (style & (fsUnderline | fsStrikeOut)) != 0;
    glyphBuffer_.clear();
    positionBuffer_.clear();
    slowChars_.clear();
    controls_.clear();
    const auto size = static_cast<int>(bytes.size());
    const bool utf8 = encoding == TTextEncoding::Utf8;
    int cells = 0;
    for (int pos = 0; pos < size;) {
        const auto byte = static_cast<unsigned char>(bytes[static_cast<std::size_t>(pos)]);
        const int left = x + cells * cellWidth_;
        const bool single = !utf8 || (byte < 0x80 && (pos + 1 >= size || static_cast<unsigned char>(bytes[static_cast<std::size_t>(pos) + 1]) < 0x80));
        if (single) {
            ++cells;
            ++pos;
            if (IsBlank(static_cast<char>(byte)) && !decorated)
                continue;  // blanks are the background alone
            if (ControlPicture(byte) != 0) {
                controls_.push_back({left, byte == 0x7F ? QStringLiteral("?") : QString(QChar(static_cast<char16_t>('@' + byte)))});
                continue;
            }
            const quint32 glyph = face.Valid ? face.Glyphs[byte] : 0;
            if (glyph != 0) {
                glyphBuffer_.append(glyph);
                positionBuffer_.append(QPointF(left, top + baseline_));
            } else {
                const char32_t code = Windows1252ToUnicode(byte);
                const char32_t picture = ControlPicture(code);
                slowChars_.push_back({left, QString(QChar(static_cast<char16_t>(picture != 0 ? picture : code)))});
            }
            continue;
        }
        const int next = NextCharBoundary(bytes, pos, TTextEncoding::Utf8);
        cells += CharCells(bytes, pos, next, cells, 8, TTextEncoding::Utf8);
        // Composed where Unicode has one character for the cluster: a base and a mark taken from
        // two different fonts would not stack.
        slowChars_.push_back({left, ToQString(bytes.substr(static_cast<std::size_t>(pos), static_cast<std::size_t>(next - pos)))
                                        .normalized(QString::NormalizationForm_C)});
        pos = next;
    }
    painter.fillRect(x, top, cells * cellWidth_, cellHeight_, background);
    painter.setPen(foreground);
    if (!glyphBuffer_.isEmpty()) {
        QGlyphRun run;
        run.setRawFont(face.Raw);
        run.setGlyphIndexes(glyphBuffer_);
        run.setPositions(positionBuffer_);
        run.setUnderline((style & fsUnderline) != 0);
        run.setStrikeOut((style & fsStrikeOut) != 0);
        painter.drawGlyphRun(QPointF(0, 0), run);
    }
    if (!slowChars_.empty()) {
        // QPainter finds a font for scripts the editor's font lacks (CJK, emoji, pictures). Each
        // cluster stands alone in its cells, so right-to-left text reads in the order the caret
        // steps through it, never reordered.
        painter.setLayoutDirection(Qt::LeftToRight);
        TFontStyles current = style;
        painter.setFont(StyledFont(font_, style));
        for (const TSlowChar& c : slowChars_) {
            const TFontStyles drawn = DrawableStyle(c.Text, style);
            if (drawn != current) {
                current = drawn;
                painter.setFont(StyledFont(font_, drawn));
            }
            if ((style & ~drawn & fsItalic) == 0) {
                painter.drawText(c.X, top + baseline_, c.Text);
                continue;
            }
            // No italic face has the glyphs: the upright ones, slanted.
            painter.save();
            painter.translate(c.X, top + baseline_);
            painter.shear(-0.2, 0);
            painter.drawText(0, 0, c.Text);
            painter.restore();
        }
    }
    if (!controls_.empty()) {
        // A control character: its caret-notation letter in a small frame (^@ for NUL), since
        // few fonts have the Control Pictures block.
        QFont small = font_;
        small.setPixelSize(std::max(6, cellHeight_ * 5 / 8));
        small.setBold(true);
        painter.setFont(small);
        for (const TSlowChar& c : controls_) {
            const QRect box(c.X, top + 1, cellWidth_ - 1, cellHeight_ - 3);
            painter.drawRect(box);
            painter.drawText(box, Qt::AlignCenter, c.Text);
        }
    }
    return cells;
}

}  // namespace pindle
