#include "editor/widget/SynEdit.h"
#include "editor/widget/SynEditAccessible.h"
#include "tests/support/FakeDesktop.h"

#include <QAccessible>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace pindle {
namespace {

class SynEditAccessibleTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        edit_ = std::make_unique<TSynEdit>();
        edit_->resize(400, 200);
        edit_->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(edit_.get()));
        face_ = QAccessible::queryAccessibleInterface(edit_.get());
        ASSERT_NE(face_, nullptr);
        text_ = face_->textInterface();
        editable_ = face_->editableTextInterface();
        ASSERT_NE(text_, nullptr);
        ASSERT_NE(editable_, nullptr);
    }

    void SetLines(const std::vector<std::string>& lines, TTextEncoding encoding = TTextEncoding::Utf8)
    {
        edit_->Clear();
        edit_->SetEncoding(encoding);
        for (const std::string& line : lines)
            edit_->Lines().Add(line);
    }

    std::vector<std::string> Lines()
    {
        std::vector<std::string> lines;
        for (int i = 0; i < edit_->Lines().Count(); ++i)
            lines.emplace_back(edit_->Lines().Get(i));
        return lines;
    }

    std::unique_ptr<TSynEdit> edit_;
    QAccessibleInterface* face_ = nullptr;
    QAccessibleTextInterface* text_ = nullptr;
    QAccessibleEditableTextInterface* editable_ = nullptr;
};

TEST_F(SynEditAccessibleTest, IsAMultiLineEditableText)
{
    EXPECT_EQ(face_->role(), QAccessible::EditableText);
    EXPECT_TRUE(face_->state().multiLine);
    EXPECT_TRUE(face_->state().editable);
    EXPECT_TRUE(face_->state().focusable);
    edit_->Core().SetReadOnly(true);
    EXPECT_TRUE(face_->state().readOnly);
    EXPECT_FALSE(face_->state().editable);
}

// The text is the lines as the user reads them, joined with "\n"; offsets count UTF-16 units, while
// the caret's column counts bytes, and a caret in virtual space stands at its line's end.
TEST_F(SynEditAccessibleTest, TextAndCaretOffsetsFollowTheCharactersNotTheBytes)
{
    struct TCase {
        const char* Name;
        std::vector<std::string> Lines;
        TTextEncoding Encoding;
        TBufferCoord Caret;
        QString Text;
        int Offset;
    };
    const TCase cases[] = {
        {"two-byte character before the caret", {"a{", "  \xC3\xA9: x;", "}"}, TTextEncoding::Utf8, {6, 2},
         QStringLiteral("a{\n  \u00E9: x;\n}"), 7},
        {"character outside the BMP is two units", {"x\xF0\x9F\x98\x80y"}, TTextEncoding::Utf8, {6, 1},
         QStringLiteral("x\U0001F600y"), 3},
        {"Windows-1252 bytes are characters", {"caf\xE9", "\x80!"}, TTextEncoding::Windows1252, {2, 2},
         QStringLiteral("caf\u00E9\n\u20AC!"), 6},
        {"virtual space is the line's end", {"ab", "c"}, TTextEncoding::Utf8, {10, 1}, QStringLiteral("ab\nc"), 2},
        {"empty editor", {}, TTextEncoding::Utf8, {1, 1}, QString(), 0},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        SetLines(c.Lines, c.Encoding);
        edit_->Core().SetCaretXY(c.Caret);
        ASSERT_EQ(edit_->Core().CaretXY(), c.Caret);
        EXPECT_EQ(text_->text(0, -1), c.Text);
        EXPECT_EQ(text_->characterCount(), c.Text.size());
        EXPECT_EQ(text_->cursorPosition(), c.Offset);

        // Back from the offset, the caret lands on the character boundary (virtual space ends at the end).
        edit_->Core().SetCaretXY({1, 1});
        text_->setCursorPosition(c.Offset);
        const TBufferCoord back = edit_->Core().CaretXY();
        EXPECT_EQ(back.Line, c.Caret.Line);
        EXPECT_EQ(back.Char, std::min<int>(c.Caret.Char, static_cast<int>(edit_->Core().LineText(c.Caret.Line).size()) + 1));
    }
}

TEST_F(SynEditAccessibleTest, CharactersWordsAndLinesAtAnOffset)
{
    SetLines({"p { font: 1em; }", "h1 \xC3\xA9t\xC3\xA9 x\xF0\x9F\x98\x80y"});
    struct TCase {
        QAccessible::TextBoundaryType Boundary;
        int Offset;
        QString Text;
        int Start;
    };
    // Line 2 starts at offset 17: "h1 été x😀y".
    const TCase cases[] = {
        {QAccessible::CharBoundary, 25, QStringLiteral("\U0001F600"), 25},  // the whole surrogate pair
        {QAccessible::CharBoundary, 20, QStringLiteral("\u00E9"), 20},
        {QAccessible::WordBoundary, 6, QStringLiteral("font"), 4},
        {QAccessible::WordBoundary, 21, QStringLiteral("\u00E9t\u00E9"), 20},
        {QAccessible::LineBoundary, 3, QStringLiteral("p { font: 1em; }\n"), 0},
        {QAccessible::LineBoundary, 22, QStringLiteral("h1 \u00E9t\u00E9 x\U0001F600y"), 17},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Offset);
        int start = -1;
        int end = -1;
        const QString found = text_->textAtOffset(c.Offset, c.Boundary, &start, &end);
        EXPECT_EQ(found.trimmed(), c.Text.trimmed());
        EXPECT_EQ(start, c.Start);
        EXPECT_EQ(end - start, found.size());
    }
}

TEST_F(SynEditAccessibleTest, SelectionIsReadAndSetInOffsets)
{
    SetLines({"\xC3\xA9t\xC3\xA9", "ab"});
    EXPECT_EQ(text_->selectionCount(), 0);
    edit_->Core().SetSelection({3, 1}, {2, 2});  // from after "é" to after "a"
    ASSERT_EQ(text_->selectionCount(), 1);
    int start = -1;
    int end = -1;
    text_->selection(0, &start, &end);
    EXPECT_EQ(start, 1);
    EXPECT_EQ(end, 5);

    text_->setSelection(0, 2, 4);  // "é\n"
    EXPECT_EQ(edit_->Core().BlockBegin(), (TBufferCoord{4, 1}));
    EXPECT_EQ(edit_->Core().BlockEnd(), (TBufferCoord{1, 2}));
    EXPECT_EQ(edit_->Core().SelText(), "\xC3\xA9\n");
    text_->removeSelection(0);
    EXPECT_EQ(text_->selectionCount(), 0);
}

// Editing through the interface is editing through the core: each change is one undo step, and a
// character a Windows-1252 document cannot hold is refused with its message.
TEST_F(SynEditAccessibleTest, EditingGoesThroughTheCoreWithUndo)
{
    test::TFakeDesktop desktop;
    SetLines({"a \xC3\xA9 b", "cd"});
    editable_->insertText(3, QStringLiteral("\u00FCx"));
    EXPECT_EQ(Lines(), (std::vector<std::string>{"a \xC3\xA9\xC3\xBCx b", "cd"}));
    editable_->deleteText(5, 8);  // " b\n"
    EXPECT_EQ(Lines(), (std::vector<std::string>{"a \xC3\xA9\xC3\xBCx" "cd"}));
    editable_->replaceText(0, 1, QStringLiteral("\U0001F600"));
    EXPECT_EQ(Lines(), (std::vector<std::string>{"\xF0\x9F\x98\x80 \xC3\xA9\xC3\xBCx" "cd"}));
    EXPECT_EQ(edit_->Core().UndoCount(), 3);
    edit_->Core().Undo();
    edit_->Core().Undo();
    edit_->Core().Undo();
    EXPECT_EQ(Lines(), (std::vector<std::string>{"a \xC3\xA9 b", "cd"}));

    SetLines({"caf\xE9"}, TTextEncoding::Windows1252);
    editable_->insertText(4, QStringLiteral("\u20AC"));
    EXPECT_EQ(Lines(), (std::vector<std::string>{"caf\xE9\x80"}));
    editable_->insertText(0, QStringLiteral("\u4E2D"));
    EXPECT_EQ(Lines(), (std::vector<std::string>{"caf\xE9\x80"}));
    ASSERT_EQ(desktop.Messages.size(), 1U);
    EXPECT_EQ(desktop.Messages[0].Type, TMsgDlgType::mtError);

    edit_->Core().SetReadOnly(true);
    editable_->deleteText(0, 2);
    EXPECT_EQ(Lines(), (std::vector<std::string>{"caf\xE9\x80"}));
}

}  // namespace
}  // namespace pindle
