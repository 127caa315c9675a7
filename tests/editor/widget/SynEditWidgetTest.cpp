#include "editor/widget/SynEdit.h"
#include "highlight/SynHighlighterCss.h"
#include "platform/qt/QtText.h"
#include "tests/support/CountingHighlighter.h"
#include "tests/support/FakeDesktop.h"

#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QTimer>
#include <QPainter>
#include <QScrollBar>
#include <QTest>
#include <QToolTip>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

namespace pindle {
namespace {

// The editor with every repaint request and every painted rectangle on record.
class TRecordingSynEdit final : public TSynEdit {
public:
    explicit TRecordingSynEdit(QWidget* parent) : TSynEdit(parent) { viewport()->installEventFilter(this); }

    std::vector<QRect> Marked;
    std::vector<QRect> Painted;

protected:
    void InvalidateRect(const QRect& rect) override
    {
        Marked.push_back(rect);
        TSynEdit::InvalidateRect(rect);
    }

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == viewport() && event->type() == QEvent::Paint)
            Painted.push_back(static_cast<QPaintEvent*>(event)->rect());
        return TSynEdit::eventFilter(watched, event);
    }
};

class EditorWidget : public ::testing::Test {
protected:
    void SetUp() override
    {
        auto* layout = new QVBoxLayout(&window_);
        editor_ = new TRecordingSynEdit(&window_);
        other_ = new QLineEdit(&window_);
        layout->addWidget(editor_);
        layout->addWidget(other_);
        editor_->SetHighlighter(&css_);
        window_.resize(640, 360);
        window_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window_));
        window_.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window_));
        editor_->setFocus();
        QApplication::processEvents();
    }

    void Load(std::initializer_list<const char*> lines)
    {
        editor_->Clear();
        for (const char* line : lines)
            editor_->Lines().Add(line);
        QApplication::processEvents();
    }

    [[nodiscard]] std::string Line(int index) const { return std::string(editor_->Lines().Get(index)); }
    [[nodiscard]] TSynEditCore& Core() { return editor_->Core(); }

    // The middle of the cell of a character.
    [[nodiscard]] QPoint PointOf(TBufferCoord position) const
    {
        return editor_->BufferPosToPixels(position) + QPoint(editor_->CharWidth() / 2 - 1, editor_->LineHeight() / 2);
    }

    void SendMouse(QEvent::Type type, QPoint point, Qt::MouseButtons buttons,
                   Qt::KeyboardModifiers modifiers = Qt::NoModifier, Qt::MouseButton button = Qt::LeftButton)
    {
        QMouseEvent event(type, point, editor_->viewport()->mapToGlobal(point), button, buttons, modifiers);
        QApplication::sendEvent(editor_->viewport(), &event);
    }

    [[nodiscard]] QImage Render()
    {
        QImage image(editor_->viewport()->size(), QImage::Format_ARGB32_Premultiplied);
        editor_->viewport()->render(&image);
        return image;
    }

    // The share of pixels in the cells of `text` at position that differ from the same characters
    // drawn one by one with QPainter's ordinary text drawing in the given style.
    [[nodiscard]] double DifferenceFromReference(const QImage& painted, TBufferCoord position, const std::string& text,
                                                 TFontStyles style) const
    {
        const int width = editor_->CharWidth();
        const QRect cells(editor_->BufferPosToPixels(position), QSize(width * static_cast<int>(text.size()), editor_->LineHeight()));
        QImage reference(cells.size(), QImage::Format_ARGB32_Premultiplied);
        reference.fill(editor_->Color());
        QPainter painter(&reference);
        painter.setFont(StyledFont(editor_->EditorFont(), style));
        painter.setPen(editor_->FontColor());
        const int baseline = QFontMetrics(editor_->EditorFont()).ascent();
        for (std::size_t i = 0; i < text.size(); ++i)
            painter.drawText(static_cast<int>(i) * width, baseline, ToQString(text.substr(i, 1)));
        painter.end();
        return DifferingShare(painted.copy(cells), reference);
    }

    // The share of pixels that clearly differ between two pictures of the same size.
    [[nodiscard]] static double DifferingShare(const QImage& a, const QImage& b)
    {
        int differing = 0;
        for (int y = 0; y < a.height(); ++y) {
            for (int x = 0; x < a.width(); ++x)
                differing += std::abs(qGray(a.pixel(x, y)) - qGray(b.pixel(x, y))) > 48 ? 1 : 0;
        }
        return static_cast<double>(differing) / (a.width() * a.height());
    }

    test::TFakeDesktop desktop_;
    TSynCssSyn css_;
    QWidget window_;
    TRecordingSynEdit* editor_ = nullptr;
    QLineEdit* other_ = nullptr;
};

TEST_F(EditorWidget, TabAndShiftTabMoveTheFocusInsteadOfTyping)
{
    Load({"a { }"});
    QTest::keyClick(editor_, Qt::Key_Tab);
    EXPECT_TRUE(other_->hasFocus());
    QTest::keyClick(other_, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_TRUE(editor_->hasFocus());
    QTest::keyClick(editor_, Qt::Key_Tab, Qt::ShiftModifier);
    EXPECT_TRUE(other_->hasFocus());
    EXPECT_EQ(Line(0), "a { }");
    EXPECT_FALSE(Core().CanUndo());
}

struct TKeyPress {
    Qt::Key Key;
    Qt::KeyboardModifiers Modifiers;
};

TEST_F(EditorWidget, BothCopyKeysCopyTheSelection)
{
    for (const TKeyPress press : {TKeyPress{Qt::Key_C, Qt::ControlModifier}, TKeyPress{Qt::Key_Insert, Qt::ControlModifier}}) {
        Load({"a { color: red }"});
        Core().SetSelection({5, 1}, {10, 1});
        desktop_.Clipboard.clear();
        QTest::keyClick(editor_, press.Key, press.Modifiers);
        EXPECT_EQ(desktop_.Clipboard, "color") << press.Key;
        EXPECT_EQ(Line(0), "a { color: red }");
    }
}

TEST_F(EditorWidget, BothPasteKeysPasteWithoutTypingTheirLetter)
{
    for (const TKeyPress press : {TKeyPress{Qt::Key_V, Qt::ControlModifier}, TKeyPress{Qt::Key_Insert, Qt::ShiftModifier}}) {
        Load({"a { }"});
        Core().SetCaretXY({5, 1});
        desktop_.Clipboard = "color: blue; ";
        QTest::keyClick(editor_, press.Key, press.Modifiers);
        EXPECT_EQ(Line(0), "a { color: blue; }") << press.Key;
    }
}

TEST_F(EditorWidget, BothCutKeysMoveTheSelectionToTheClipboard)
{
    for (const TKeyPress press : {TKeyPress{Qt::Key_X, Qt::ControlModifier}, TKeyPress{Qt::Key_Delete, Qt::ShiftModifier}}) {
        Load({"a { color: red }"});
        Core().SetSelection({5, 1}, {12, 1});
        desktop_.Clipboard.clear();
        QTest::keyClick(editor_, press.Key, press.Modifiers);
        EXPECT_EQ(desktop_.Clipboard, "color: ") << press.Key;
        EXPECT_EQ(Line(0), "a { red }") << press.Key;
    }
}

TEST_F(EditorWidget, BothUndoKeysTakeBackTyping)
{
    for (const TKeyPress press : {TKeyPress{Qt::Key_Z, Qt::ControlModifier}, TKeyPress{Qt::Key_Backspace, Qt::AltModifier}}) {
        Load({"p { }"});
        Core().SetCaretXY({5, 1});
        QTest::keyClicks(editor_, QStringLiteral("x"));
        ASSERT_EQ(Line(0), "p { x}");
        QTest::keyClick(editor_, press.Key, press.Modifiers);
        EXPECT_EQ(Line(0), "p { }") << press.Key;
    }
}

TEST_F(EditorWidget, TypesLatin1CharactersAsSingleBytes)
{
    // A Windows-1252 document keeps one byte per character; the same key in UTF-8 types two.
    for (const auto& [encoding, expected] : {std::pair{TTextEncoding::Windows1252, std::string("caf\xE9")},
                                             std::pair{TTextEncoding::Utf8, std::string("caf\xC3\xA9")}}) {
        Load({""});
        editor_->SetEncoding(encoding);
        QTest::keyClicks(editor_, QStringLiteral("caf"));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier, QString(QChar(0xE9)));
        QApplication::sendEvent(editor_, &press);
        EXPECT_EQ(Line(0), expected);
        QTest::keyClick(editor_, Qt::Key_Left);
        EXPECT_EQ(Core().CaretXY().Char, 4);  // one step back over the whole é
    }
    editor_->SetEncoding(TTextEncoding::Utf8);
}

// One user flow in UTF-8: keys, an input method and the clipboard all put UTF-8 bytes in, and copy
// gives the same characters back.
TEST_F(EditorWidget, TypesPastesAndComposesUtf8)
{
    Load({"a {  }"});
    Core().SetCaretXY({5, 1});
    for (const char16_t c : {u'\u00E9', u'\u20AC', u'\u2192', u'\u65E5'}) {  // é € → 日
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(c)));
        QApplication::sendEvent(editor_, &press);
    }
    const std::string pasted = "\xE2\x82\xAC|\xC3\xA9|\xE6\x97\xA5";  // €|é|日
    desktop_.Clipboard = pasted;
    QTest::keyClick(editor_, Qt::Key_V, Qt::ControlModifier);
    const std::string typed = "\xC3\xA9\xE2\x82\xAC\xE2\x86\x92\xE6\x97\xA5";
    EXPECT_EQ(Line(0), "a { " + typed + pasted + " }");
    QTest::keyClick(editor_, Qt::Key_Left, Qt::ShiftModifier);
    QTest::keyClick(editor_, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(desktop_.Clipboard, "\xE6\x97\xA5");
    EXPECT_EQ(editor_->inputMethodQuery(Qt::ImCurrentSelection).toString(), QStringLiteral("\u65E5"));
    // A selection from the line before is told as far as the surrounding text reaches.
    Core().Lines().Insert(0, "p {}");
    Core().SetCaretXY({3, 1});
    QTest::keyClick(editor_, Qt::Key_Down, Qt::ShiftModifier);
    EXPECT_EQ(editor_->inputMethodQuery(Qt::ImCurrentSelection).toString(), QStringLiteral("a "));
    Core().Lines().Delete(0);

    // An input method: the pre-edit text shows at the caret and changes nothing; the commit types.
    Core().SetCaretXY({5, 1});
    const QRect caret = editor_->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    EXPECT_TRUE(editor_->viewport()->geometry().contains(caret.center()));
    EXPECT_EQ(caret.left(), editor_->BufferPosToPixels({5, 1}).x() + editor_->viewport()->x() - 1);
    EXPECT_EQ(editor_->inputMethodQuery(Qt::ImSurroundingText).toString(),
              ToQString(Line(0), TTextEncoding::Utf8));
    EXPECT_EQ(editor_->inputMethodQuery(Qt::ImCursorPosition).toInt(), 4);
    const QImage before = Render();
    QInputMethodEvent compose(QStringLiteral("\u306B\u307B"), {{QInputMethodEvent::Cursor, 2, 1, {}}});  // にほ
    QApplication::sendEvent(editor_, &compose);
    EXPECT_NE(Render(), before);
    EXPECT_EQ(Line(0), "a { " + typed + pasted + " }");
    QInputMethodEvent commit;
    commit.setCommitString(QStringLiteral("\u65E5\u672C"));  // 日本
    QApplication::sendEvent(editor_, &commit);
    EXPECT_EQ(Line(0).substr(0, 10), "a { \xE6\x97\xA5\xE6\x9C\xAC");
    EXPECT_EQ(Core().CaretXY().Char, 11);
    EXPECT_EQ(editor_->inputMethodQuery(Qt::ImCursorPosition).toInt(), 6);
    EXPECT_TRUE(desktop_.Messages.empty());
}

// A click puts the caret before or after a wide character by which half of its two cells it hits.
TEST_F(EditorWidget, ClicksOnWideCharactersLandOnTheNearerSide)
{
    Load({"\xE6\x97\xA5\xE6\x9C\xAC" "x"});  // 日本x
    const int w = editor_->CharWidth();
    const QPoint origin = editor_->BufferPosToPixels({1, 1}) + QPoint(0, editor_->LineHeight() / 2);
    const std::vector<std::pair<double, int>> clicks = {{0.4, 1}, {0.9, 1}, {1.2, 4}, {1.9, 4}, {2.6, 4}, {3.1, 7}, {4.6, 8}};
    for (const auto& [cells, ch] : clicks) {
        const QPoint point = origin + QPoint(static_cast<int>(cells * w), 0);
        SendMouse(QEvent::MouseButtonPress, point, Qt::LeftButton);
        SendMouse(QEvent::MouseButtonRelease, point, Qt::NoButton);
        EXPECT_EQ(Core().CaretXY(), (TBufferCoord{ch, 1})) << cells;
    }
}

// Pasted text another program made: a lone surrogate arrives as bytes that are no UTF-8, each of
// which becomes U+FFFD; a private-use character is a character like any other in UTF-8 and refused in Windows-1252.
TEST_F(EditorWidget, PastingBrokenOrPrivateUseTextKeepsTheText)
{
    Load({"p { }"});
    Core().SetCaretXY({5, 1});
    desktop_.Clipboard = "a\xED\xA0\x80" "b\xEE\x80\x80";  // a, lone U+D800, b, U+E000
    const std::string_view replacement = "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD";  // U+FFFD for each stray byte
    QTest::keyClick(editor_, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Line(0), "p { a" + std::string(replacement) + "b\xEE\x80\x80}");
    EXPECT_TRUE(desktop_.Messages.empty());
    editor_->SetEncoding(TTextEncoding::Windows1252);
    QTest::keyClick(editor_, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Line(0), "p { a" + std::string(replacement) + "b\xEE\x80\x80}");
    EXPECT_EQ(desktop_.Messages.size(), 1U);
    editor_->SetEncoding(TTextEncoding::Utf8);
}

TEST_F(EditorWidget, AWindows1252DocumentRefusesWhatItCannotHold)
{
    Load({"caf\xE9"});
    editor_->SetEncoding(TTextEncoding::Windows1252);
    Core().SetCaretXY({5, 1});
    QKeyEvent euro(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("\u20AC"));
    QApplication::sendEvent(editor_, &euro);
    EXPECT_EQ(Line(0), "caf\xE9\x80");  // € is byte 80 there, one cell
    EXPECT_EQ(Core().CharToColumn(1, 6), 6);
    QKeyEvent ni(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral("\u65E5"));
    QApplication::sendEvent(editor_, &ni);
    desktop_.Clipboard = "x\xE6\x97\xA5";
    QTest::keyClick(editor_, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(Line(0), "caf\xE9\x80");  // nothing inserted, never a '?'
    ASSERT_EQ(desktop_.Messages.size(), 2U);
    for (const auto& message : desktop_.Messages) {
        EXPECT_EQ(message.Type, TMsgDlgType::mtError);
        EXPECT_NE(message.Text.find("\xE6\x97\xA5"), std::string::npos) << message.Text;
    }
    Core().SetSelection({4, 1}, {6, 1});
    QTest::keyClick(editor_, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(desktop_.Clipboard, "\xC3\xA9\xE2\x82\xAC");  // é€ in UTF-8 for other programs
    editor_->SetEncoding(TTextEncoding::Utf8);
}

// Wide characters take two cells, a NUL byte shows as a picture and the text after it is drawn.
TEST_F(EditorWidget, PaintsCjkInTwoCellsAndANulAsAPicture)
{
    Load({"\xE6\x97\xA5\xE6\x9C\xAC" "x", std::string("p {color:red}\0x", 15).c_str()});
    editor_->Lines().Put(1, std::string_view("p {color:red}\0x", 15));
    other_->setFocus();
    QApplication::processEvents();
    const QImage image = Render();
    const auto ink = [&](TBufferCoord at, int cells) {
        const QRect rect(editor_->BufferPosToPixels(at), QSize(editor_->CharWidth() * cells, editor_->LineHeight()));
        int dark = 0;
        for (int y = rect.top(); y <= rect.bottom(); ++y)
            for (int x = rect.left(); x <= rect.right(); ++x)
                dark += qGray(image.pixel(x, y)) < 128 ? 1 : 0;
        return dark;
    };
    const int w = editor_->CharWidth();
    EXPECT_EQ(editor_->BufferPosToPixels({7, 1}).x() - editor_->BufferPosToPixels({1, 1}).x(), 4 * w);
    EXPECT_GT(ink({1, 1}, 1), 3);  // both halves of 日 carry ink
    EXPECT_GT(ink({2, 1}, 1) + ink({1, 1}, 2) - ink({1, 1}, 1), 3);
    EXPECT_GT(ink({4, 1}, 2), 3);
    EXPECT_GT(ink({7, 1}, 1), 3);  // x after 日本, at column 5
    EXPECT_GT(ink({14, 2}, 1), 3);  // the NUL's picture
    EXPECT_GT(ink({15, 2}, 1), 3);  // and the x after it
}

TEST_F(EditorWidget, ColoursFollowAPaletteChange)
{
    Load({"a"});
    QPalette dark = editor_->palette();
    dark.setColor(QPalette::Base, QColor(0x20, 0x20, 0x20));
    dark.setColor(QPalette::WindowText, QColor(0xE0, 0xE0, 0xE0));
    dark.setColor(QPalette::Text, QColor(0xE0, 0xE0, 0xE0));
    editor_->setPalette(dark);
    EXPECT_EQ(editor_->Color(), QColor(0x20, 0x20, 0x20));
    EXPECT_EQ(editor_->FontColor(), QColor(0xE0, 0xE0, 0xE0));
    editor_->SetColor(Qt::yellow);  // a colour of the program's own stays
    dark.setColor(QPalette::Base, Qt::black);
    editor_->setPalette(dark);
    EXPECT_EQ(editor_->Color(), QColor(Qt::yellow));
    EXPECT_EQ(Render().pixelColor(editor_->BufferPosToPixels({3, 1}) + QPoint(1, 1)), QColor(Qt::yellow));
}

TEST_F(EditorWidget, ACharacterTheLastColumnRefusesSoundsThePlatformBeep)
{
    Load({"x"});
    Core().SetCaretXY({1023, 1});
    QTest::keyClicks(editor_, QStringLiteral("ab"));
    EXPECT_EQ(Line(0).size(), 1023U);  // "a" went in at column 1023; "b" would have pushed it on
    EXPECT_EQ(Line(0).back(), 'a');
    EXPECT_EQ(desktop_.Beeps, std::vector<TBeep>{TBeep::Exclamation});
    QTest::keyClick(editor_, Qt::Key_Left);
    QTest::keyClicks(editor_, QStringLiteral("c"));
    EXPECT_EQ(desktop_.Beeps.size(), 1U);  // typing inside the limit stays quiet
}

TEST_F(EditorWidget, PaintsACommentInItalicsAndAKeywordInBold)
{
    Load({"/* note */", "color"});
    other_->setFocus();  // no caret in the picture
    const QImage image = Render();
    const double commentItalic = DifferenceFromReference(image, {1, 1}, "/* note */", fsItalic);
    const double commentRegular = DifferenceFromReference(image, {1, 1}, "/* note */", 0);
    const double keywordBold = DifferenceFromReference(image, {1, 2}, "color", fsBold);
    const double keywordRegular = DifferenceFromReference(image, {1, 2}, "color", 0);
    EXPECT_LT(commentItalic, 0.02);
    EXPECT_GT(commentRegular, 4 * commentItalic + 0.02);
    EXPECT_LT(keywordBold, 0.02);
    EXPECT_GT(keywordRegular, 4 * keywordBold + 0.02);
}

TEST_F(EditorWidget, PaintsFromTheFirstVisibleColumnAfterScrollingRight)
{
    Load({"div { font-size: 12px; }"});
    other_->setFocus();
    Core().SetLeftChar(5);
    QApplication::processEvents();
    const QImage image = Render();
    // Column 5 is now at the left edge: "{ " then the keyword "font" in bold.
    EXPECT_LT(DifferenceFromReference(image, {5, 1}, "{ ", 0), 0.02);
    EXPECT_LT(DifferenceFromReference(image, {7, 1}, "font", fsBold), 0.02);
}

// A line far wider than the window is painted from its visible part: the highlighter is handed
// that part and a margin, never the whole line, and the picture is that of the line's first
// columns alone, with tabs, keywords and a selection running through the line's end.
TEST_F(EditorWidget, PaintsAVeryLongLineFromItsVisiblePart)
{
    test::TCountingCss counting;
    editor_->SetHighlighter(&counting);
    editor_->SetHideSelection(false);
    other_->setFocus();
    std::string line;
    while (line.size() < 2000000)
        line += "\tdiv { color: red; }  /* note */ 12px 'text' background\t";
    const auto picture = [&](std::string_view text, int leftChar) {
        editor_->Clear();
        editor_->Lines().Add("short");
        editor_->Lines().Add(text);
        Core().ExecuteCommand(ecSelectAll);
        Core().SetLeftChar(leftChar);
        QApplication::processEvents();
        counting.Longest = 0;
        const QImage image = Render();
        EXPECT_LT(counting.Longest, 2000u);
        return image;
    };
    for (const int leftChar : {1, 40, 900}) {
        SCOPED_TRACE(leftChar);
        const QImage whole = picture(line, leftChar);
        const QImage start = picture(std::string_view(line).substr(0, 3000), leftChar);
        EXPECT_TRUE(whole == start);
    }
    editor_->SetHighlighter(&css_);
}

TEST_F(EditorWidget, MeasuresTheCellInTheStylesTheHighlighterUses)
{
    // A proportional face, where bold is wider than regular, shows which style was measured.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(13);
    editor_->SetEditorFont(font);
    const int boldWidth = QFontMetrics(StyledFont(font, fsBold)).horizontalAdvance(QLatin1Char('W'));
    const int regularWidth = QFontMetrics(font).horizontalAdvance(QLatin1Char('W'));
    ASSERT_NE(boldWidth, regularWidth);
    EXPECT_EQ(editor_->CharWidth(), boldWidth);
    EXPECT_EQ(editor_->LineHeight(), QFontMetrics(StyledFont(font, fsItalic)).height());

    css_.KeyAttri()->SetStyle(0);  // no attribute is bold any more: the listener measures again
    EXPECT_EQ(editor_->CharWidth(), regularWidth);
    editor_->SetExtraLineSpacing(3);
    EXPECT_EQ(editor_->LineHeight(), QFontMetrics(StyledFont(font, fsItalic)).height() + 3);
}

TEST_F(EditorWidget, LetsGoOfAHighlighterThatIsDestroyed)
{
    auto highlighter = std::make_unique<TSynCssSyn>();
    editor_->SetHighlighter(highlighter.get());
    Load({"/* a */ p { color: red }"});
    other_->setFocus();
    highlighter.reset();
    EXPECT_EQ(editor_->Highlighter(), nullptr);
    const QImage image = Render();  // paints plain text without touching the dead highlighter
    EXPECT_LT(DifferenceFromReference(image, {1, 1}, "/* a */", 0), 0.02);
}

TEST_F(EditorWidget, HidesTheSelectionWithoutFocus)
{
    Load({"a { color: red }"});
    Core().SetSelection({5, 1}, {10, 1});
    QApplication::processEvents();
    const QPoint cell = editor_->BufferPosToPixels({6, 1});
    EXPECT_EQ(Render().pixelColor(cell), editor_->palette().color(QPalette::Highlight));
    other_->setFocus();
    QApplication::processEvents();
    EXPECT_EQ(Render().pixelColor(cell), editor_->Color());
}

TEST_F(EditorWidget, TypingIntoALineRepaintsOnlyThatRow)
{
    Load({"a {", "  color: red;", "  margin: 0;", "}", "b { }"});
    Core().SetCaretXY({3, 3});
    QApplication::processEvents();
    const QRect row = editor_->RowsRect(3, 3, true, true);
    editor_->Marked.clear();
    editor_->Painted.clear();
    QTest::keyClicks(editor_, QStringLiteral("x"));
    QApplication::processEvents();
    ASSERT_EQ(Line(2), "  xmargin: 0;");
    ASSERT_FALSE(editor_->Marked.empty());
    for (const QRect& rect : editor_->Marked)
        EXPECT_TRUE(row.contains(rect)) << rect.y() << " " << rect.height();
    ASSERT_FALSE(editor_->Painted.empty());
    for (const QRect& rect : editor_->Painted)
        EXPECT_TRUE(row.contains(rect)) << rect.y() << " " << rect.height();
}

TEST_F(EditorWidget, ClickPlacesTheCaretAndDragSelects)
{
    Load({"h1 { color: red }", "p { margin: 0 }"});
    SendMouse(QEvent::MouseButtonPress, PointOf({4, 2}), Qt::LeftButton);
    SendMouse(QEvent::MouseButtonRelease, PointOf({4, 2}), Qt::NoButton);
    EXPECT_EQ(Core().CaretXY(), (TBufferCoord{4, 2}));
    EXPECT_FALSE(Core().SelAvail());

    SendMouse(QEvent::MouseButtonPress, PointOf({6, 1}), Qt::LeftButton);
    SendMouse(QEvent::MouseMove, PointOf({11, 1}), Qt::LeftButton);
    SendMouse(QEvent::MouseButtonRelease, PointOf({11, 1}), Qt::NoButton);
    EXPECT_EQ(Core().SelText(), "color");
}

TEST_F(EditorWidget, DraggingBelowTheWindowScrollsAndExtendsTheSelection)
{
    editor_->Clear();
    for (int i = 0; i < 100; ++i)
        editor_->Lines().Add("li { }");
    SendMouse(QEvent::MouseButtonPress, PointOf({1, 1}), Qt::LeftButton);
    SendMouse(QEvent::MouseMove, QPoint(60, editor_->viewport()->height() + 5), Qt::LeftButton);
    QTest::qWait(400);
    SendMouse(QEvent::MouseButtonRelease, QPoint(60, editor_->viewport()->height() + 5), Qt::NoButton);
    EXPECT_GT(Core().TopLine(), 1);
    EXPECT_EQ(Core().BlockBegin(), (TBufferCoord{1, 1}));
    EXPECT_GE(Core().BlockEnd().Line, Core().TopLine() + Core().LinesInWindow() - 1);
}

TEST_F(EditorWidget, DoubleClickSelectsAWordThatAHyphenEnds)
{
    Load({"p { font-weight: bold }"});
    SendMouse(QEvent::MouseButtonPress, PointOf({12, 1}), Qt::LeftButton);
    SendMouse(QEvent::MouseButtonRelease, PointOf({12, 1}), Qt::NoButton);
    SendMouse(QEvent::MouseButtonDblClick, PointOf({12, 1}), Qt::LeftButton);
    SendMouse(QEvent::MouseButtonRelease, PointOf({12, 1}), Qt::NoButton);
    EXPECT_EQ(Core().SelText(), "weight");
}

TEST_F(EditorWidget, DraggingTheSelectionMovesIt)
{
    Load({"abc def"});
    Core().SetSelection({1, 1}, {4, 1});
    SendMouse(QEvent::MouseButtonPress, PointOf({2, 1}), Qt::LeftButton);
    SendMouse(QEvent::MouseMove, PointOf({5, 1}), Qt::LeftButton);
    SendMouse(QEvent::MouseMove, editor_->BufferPosToPixels({8, 1}) + QPoint(1, 2), Qt::LeftButton);
    SendMouse(QEvent::MouseButtonRelease, editor_->BufferPosToPixels({8, 1}) + QPoint(1, 2), Qt::NoButton);
    EXPECT_EQ(Line(0), " defabc");
    QTest::keyClick(editor_, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(Line(0), "abc def");
}

TEST_F(EditorWidget, WheelAndScrollBarMoveTheView)
{
    editor_->Clear();
    for (int i = 0; i < 200; ++i)
        editor_->Lines().Add("td { color: red }");
    QApplication::processEvents();
    EXPECT_EQ(editor_->verticalScrollBar()->maximum(), 200 - Core().LinesInWindow() + 1);

    QWheelEvent wheel(QPointF(100, 50), editor_->viewport()->mapToGlobal(QPointF(100, 50)), QPoint(), QPoint(0, -120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(editor_->viewport(), &wheel);
    EXPECT_EQ(Core().TopLine(), 1 + QApplication::wheelScrollLines());
    EXPECT_EQ(editor_->verticalScrollBar()->value(), Core().TopLine());

    QScrollBar* bar = editor_->verticalScrollBar();
    bar->setSliderDown(true);
    bar->setSliderPosition(50);
    EXPECT_EQ(Core().TopLine(), 50);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Top Line: 50"));
    bar->setSliderDown(false);
}

// A selection made by dragging (once the button is up) or with Shift and a key becomes the primary
// selection; a middle click puts the caret at the point and inserts the primary selection there, as
// one undo step, converted and refused as a paste is.
TEST_F(EditorWidget, SelectingSetsThePrimarySelectionAndAMiddleClickPastesIt)
{
    Load({"a { color: red }", "b { }"});
    SendMouse(QEvent::MouseButtonPress, PointOf({5, 1}), Qt::LeftButton);
    SendMouse(QEvent::MouseMove, PointOf({10, 1}), Qt::LeftButton);
    EXPECT_EQ(desktop_.Primary, "");
    SendMouse(QEvent::MouseButtonRelease, PointOf({10, 1}), Qt::NoButton);
    EXPECT_EQ(desktop_.Primary, "color");
    QTest::keyClick(editor_, Qt::Key_End, Qt::ShiftModifier);
    EXPECT_EQ(desktop_.Primary, "color: red }");

    const std::string huge(50 << 20, 'x');
    const struct {
        std::string Primary;
        TTextEncoding Encoding;
        std::string After;  // line 2
        bool Refused;
    } cases[] = {
        {"margin: 0; ", TTextEncoding::Utf8, "b { margin: 0; }", false},
        {"", TTextEncoding::Utf8, "b { }", false},
        {"caf\xC3\xA9 ", TTextEncoding::Windows1252, "b { caf\xE9 }", false},  // é is one byte there
        {"\xE4\xB8\xAD", TTextEncoding::Windows1252, "b { }", true},         // 中 is not
        {huge, TTextEncoding::Utf8, "b { " + huge + "}", false},
    };
    for (const auto& c : cases) {
        Load({"a { color: red }", "b { }"});
        editor_->SetEncoding(c.Encoding);
        desktop_.Messages.clear();
        desktop_.Primary = c.Primary;
        Core().SetCaretXY({1, 1});
        SendMouse(QEvent::MouseButtonPress, PointOf({5, 2}), Qt::MiddleButton, Qt::NoModifier, Qt::MiddleButton);
        SendMouse(QEvent::MouseButtonRelease, PointOf({5, 2}), Qt::NoButton, Qt::NoModifier, Qt::MiddleButton);
        EXPECT_EQ(Line(1), c.After) << c.Primary.substr(0, 12);
        EXPECT_EQ(desktop_.Messages.size(), c.Refused ? 1U : 0U);
        EXPECT_EQ(Line(0), "a { color: red }");
        if (c.After != "b { }") {
            EXPECT_EQ(Core().CaretXY().Line, 2);
            EXPECT_EQ(Core().UndoCount(), 1);
            Core().Undo();
            EXPECT_EQ(Line(1), "b { }");
        }
    }
    editor_->SetEncoding(TTextEncoding::Utf8);
}

// The context menu: which of Undo, Redo, Cut, Copy, Paste, Delete and Select All are enabled
// (letters) or not (-), and what the chosen one does.
TEST_F(EditorWidget, ContextMenuOffersWhatCanActAndRunsIt)
{
    const struct {
        const char* Name;
        std::function<void()> Setup;
        QPoint Point;  // where the right click is, in text cells
        std::string Enabled;
        int Choice;  // the item chosen, -1 for none
        std::vector<std::string> After;
    } cases[] = {
        {"empty pane", [&] { Load({}); }, {3, 0}, "-------", -1, {}},
        {"beyond the last line", [&] { Load({"p { }"}); }, {3, 5}, "------A", 6, {"p { }"}},
        {"selection after typing", [&] { Load({"p { }"}); QTest::keyClicks(editor_, QStringLiteral("a")); Core().SetSelection({1, 1}, {3, 1}); desktop_.Clipboard = "c"; },
         {1, 0}, "U-TCPDA", 4, {"c { }"}},
        {"after an undo", [&] { Load({"p"}); QTest::keyClicks(editor_, QStringLiteral("a")); Core().Undo(); },
         {0, 0}, "-R----A", 1, {"ap"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        desktop_.Clipboard.clear();
        c.Setup();
        std::string enabled;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            ASSERT_NE(menu, nullptr);
            std::vector<QAction*> items;
            for (QAction* action : menu->actions()) {
                if (!action->isSeparator())
                    items.push_back(action);
            }
            ASSERT_EQ(items.size(), 7U);
            for (std::size_t i = 0; i < items.size(); ++i)
                enabled += items[i]->isEnabled() ? "URTCPDA"[i] : '-';
            if (c.Choice >= 0)
                items[static_cast<std::size_t>(c.Choice)]->trigger();
            menu->close();
        });
        const QPoint point = editor_->BufferPosToPixels({1, 1}) + QPoint(c.Point.x() * editor_->CharWidth() + 2, c.Point.y() * editor_->LineHeight() + 2);
        QContextMenuEvent event(QContextMenuEvent::Mouse, point, editor_->viewport()->mapToGlobal(point));
        QApplication::sendEvent(editor_->viewport(), &event);
        EXPECT_EQ(enabled, c.Enabled);
        std::vector<std::string> lines;
        for (int i = 0; i < editor_->Lines().Count(); ++i)
            lines.push_back(Line(i));
        EXPECT_EQ(lines, c.After);
    }
}

// The input method's text being composed stands inline at the caret and pushes the rest of the line
// right; the caret and the rectangle the input method places its candidate window by follow the
// input method's cursor inside it.
TEST_F(EditorWidget, PreeditTextStandsInlineAndPushesTheRestOfTheLine)
{
    Load({"abcdefg"});
    Core().SetCaretXY({3, 1});
    other_->setFocus();  // no blinking caret in the pictures
    QApplication::processEvents();
    const int w = editor_->CharWidth();
    const int h = editor_->LineHeight();
    const QPoint caret = editor_->BufferPosToPixels({3, 1});
    const QImage plain = Render();
    QInputMethodEvent compose(QStringLiteral("\u4E2D"), {{QInputMethodEvent::Cursor, 1, 1, {}}});  // 中, cursor after it
    QApplication::sendEvent(editor_, &compose);
    const QImage composing = Render();
    EXPECT_EQ(composing.copy(QRect(QPoint(0, caret.y()), QSize(caret.x(), h))), plain.copy(QRect(QPoint(0, caret.y()), QSize(caret.x(), h))));  // ab
    EXPECT_EQ(composing.copy(QRect(caret + QPoint(2 * w, 0), QSize(5 * w, h))), plain.copy(QRect(caret, QSize(5 * w, h))));  // cdefg
    EXPECT_NE(composing.copy(QRect(caret, QSize(2 * w, h))), plain.copy(QRect(caret, QSize(2 * w, h))));
    EXPECT_EQ(editor_->inputMethodQuery(Qt::ImCursorRectangle).toRect().left(), caret.x() + 2 * w - 1 + editor_->viewport()->x());
    EXPECT_EQ(Line(0), "abcdefg");

    QInputMethodEvent done;  // the input method gives up: the line is as it was
    QApplication::sendEvent(editor_, &done);
    EXPECT_EQ(Render(), plain);
}

// Arabic and Hebrew in a comment (italics): each letter stands in its own cell in the order the caret
// steps through them, drawn as it is drawn alone there, and none as the box of a missing glyph,
// although no italic face here has Arabic.
TEST_F(EditorWidget, PaintsRightToLeftTextInLogicalOrderWithItsGlyphs)
{
    const std::vector<std::string> letters = {"\xD9\x85", "\xD8\xB1", "\xD8\xAD", "\xD8\xA8", "\xD8\xA7", " ",
                                              "\xD7\xA9", "\xD7\x9C", "\xD7\x95", "\xD7\x9D"};  // مرحبا שלום
    const std::string missing = "\xCD\xB8";  // U+0378, in no font: the missing-glyph box
    std::string all;
    for (const std::string& letter : letters)
        all += letter;
    other_->setFocus();
    const int w = editor_->CharWidth();
    const auto cellAt = [&](const QImage& image, int column) {
        return image.copy(QRect(editor_->BufferPosToPixels({1, 1}) + QPoint((column - 1) * w, 0), QSize(w, editor_->LineHeight())));
    };
    const std::string whole = "/* " + all + " " + missing + " */";
    Load({whole.c_str()});
    const QImage line = Render();
    const QImage box = cellAt(line, 4 + static_cast<int>(letters.size()) + 1);
    for (std::size_t i = 0; i < letters.size(); ++i) {
        if (letters[i] == " ")
            continue;
        const int column = 4 + static_cast<int>(i);
        const std::string alone = "/* " + std::string(i, ' ') + letters[i] + " */";
        Load({alone.c_str()});
        EXPECT_LT(DifferingShare(cellAt(line, column), cellAt(Render(), column)), 0.08) << "letter " << i;
        EXPECT_GT(DifferingShare(cellAt(line, column), box), 0.1) << "letter " << i;
    }
}

}  // namespace
}  // namespace pindle
