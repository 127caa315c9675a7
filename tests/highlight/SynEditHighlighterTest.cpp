#include "highlight/SynEditHighlighter.h"
#include "highlight/SynHighlighterCss.h"
#include "platform/Exceptions.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pindle {
namespace {

// Counts the notices it receives; stands in for an editor.
struct TRecorder {
    std::vector<std::string> Calls;
    void Changed(TSynCustomHighlighter* sender) { Calls.push_back("changed:" + sender->SyntaxName()); }
    void Other(TSynCustomHighlighter*) { Calls.push_back("other"); }
    void Attribute(TSynHighlighterAttributes* sender) { Calls.push_back("attr:" + sender->Name()); }
    void Throws(TSynCustomHighlighter*) { throw Exception("listener failed"); }
};

// A kind of persistent object that is not an attribute.
struct TOtherPersistent final : TPersistent {
    [[nodiscard]] std::string ClassName() const override { return "TOtherPersistent"; }
};

TEST(HighlighterAttributes, NotifiesOnlyWhenAValueReallyChanges)
{
    TRecorder recorder;
    TSynHighlighterAttributes attribute("Comment");
    attribute.SetChangeHandler(MakeMethod(&recorder, &TRecorder::Attribute));
    EXPECT_EQ(attribute.Background(), clNone);
    EXPECT_EQ(attribute.Foreground(), clNone);
    EXPECT_EQ(attribute.Style(), 0);

    attribute.SetBackground(clNone);
    attribute.SetForeground(clNone);
    attribute.SetStyle(0);
    EXPECT_TRUE(recorder.Calls.empty());

    attribute.SetBackground(0x00FF00);
    attribute.SetForeground(0x0000FF);
    attribute.SetStyle(fsBold | fsUnderline);
    attribute.SetStyle(fsBold | fsUnderline);
    EXPECT_EQ(recorder.Calls.size(), 3u);
    EXPECT_EQ(attribute.Style(), fsBold | fsUnderline);
}

TEST(HighlighterAttributes, AssignCopiesTheNameAndNotifiesOnceWhenSomethingDiffered)
{
    TRecorder recorder;
    TSynHighlighterAttributes target("Key");
    target.SetChangeHandler(MakeMethod(&recorder, &TRecorder::Attribute));

    TSynHighlighterAttributes same("Renamed");
    target.Assign(same);
    EXPECT_EQ(target.Name(), "Renamed");
    EXPECT_TRUE(recorder.Calls.empty());

    TSynHighlighterAttributes different("Other");
    different.SetBackground(1);
    different.SetForeground(2);
    different.SetStyle(fsItalic);
    target.Assign(different);
    EXPECT_EQ(target.Name(), "Other");
    EXPECT_EQ(target.Background(), 1);
    EXPECT_EQ(target.Foreground(), 2);
    EXPECT_EQ(target.Style(), fsItalic);
    EXPECT_EQ(recorder.Calls, std::vector<std::string>{"attr:Other"});
}

TEST(HighlighterAttributes, AssignFromAnotherKindIsRefused)
{
    TSynHighlighterAttributes target("Key");
    TOtherPersistent other;
    try {
        target.Assign(other);
        FAIL() << "no error";
    } catch (const EConvertAssignError& error) {
        EXPECT_STREQ(error.what(), "Cannot assign a TOtherPersistent to a TSynHighlighterAttributes");
    }
    EXPECT_EQ(target.Name(), "Key");
}

TEST(NotifyEventChain, CallsListenersInOrderAndRemovesEveryEqualRegistration)
{
    TSynCssSyn highlighter;
    TRecorder first;
    TRecorder second;
    highlighter.AddChangeListener(MakeMethod(&first, &TRecorder::Changed));
    highlighter.AddChangeListener(MakeMethod(&second, &TRecorder::Changed));
    highlighter.AddChangeListener(MakeMethod(&first, &TRecorder::Changed));
    highlighter.AddChangeListener(MakeMethod(&first, &TRecorder::Other));

    highlighter.KeyAttri()->SetForeground(0x123456);
    EXPECT_EQ(first.Calls, (std::vector<std::string>{"changed:Cascading Stylesheets", "changed:Cascading Stylesheets", "other"}));
    EXPECT_EQ(second.Calls.size(), 1u);

    // Same object, same method: both registrations go; the other method of the object stays.
    highlighter.RemoveChangeListener(MakeMethod(&first, &TRecorder::Changed));
    first.Calls.clear();
    second.Calls.clear();
    highlighter.KeyAttri()->SetForeground(0);
    EXPECT_EQ(first.Calls, std::vector<std::string>{"other"});
    EXPECT_EQ(second.Calls.size(), 1u);

    // Removing what is not registered changes nothing.
    highlighter.RemoveChangeListener(MakeMethod(&first, &TRecorder::Changed));
    EXPECT_EQ(highlighter.ChangeListeners().Count(), 2);
}

// A listener that takes itself (or another one) out while the chain fires.
struct TRemover {
    TSynCustomHighlighter* Highlighter = nullptr;
    TNotifyEvent Target;
    int Calls = 0;
    void Changed(TSynCustomHighlighter*)
    {
        ++Calls;
        Highlighter->RemoveChangeListener(Target);
    }
};

TEST(NotifyEventChain, RemovingDuringTheFiringSkipsNoOtherListener)
{
    struct TCase {
        const char* What;
        bool RemoveSelf;
        std::size_t SecondCalls;
    };
    const TCase cases[] = {{"removes itself", true, 1}, {"removes the next", false, 0}};
    for (const auto& c : cases) {
        TSynCssSyn highlighter;
        TRemover remover;
        TRecorder second;
        TRecorder third;
        remover.Highlighter = &highlighter;
        remover.Target = c.RemoveSelf ? MakeMethod(&remover, &TRemover::Changed) : MakeMethod(&second, &TRecorder::Changed);
        highlighter.AddChangeListener(MakeMethod(&remover, &TRemover::Changed));
        highlighter.AddChangeListener(MakeMethod(&second, &TRecorder::Changed));
        highlighter.AddChangeListener(MakeMethod(&third, &TRecorder::Changed));

        highlighter.KeyAttri()->SetForeground(0x123456);
        EXPECT_EQ(remover.Calls, 1) << c.What;
        EXPECT_EQ(second.Calls.size(), c.SecondCalls) << c.What;
        EXPECT_EQ(third.Calls.size(), 1u) << c.What;
        EXPECT_EQ(highlighter.ChangeListeners().Count(), 2) << c.What;
    }
}

TEST(NotifyEventChain, RefusesEmptyHandlersWithItsTwoMessages)
{
    TSynCssSyn highlighter;
    try {
        highlighter.AddChangeListener(TNotifyEvent());
        FAIL() << "no error";
    } catch (const ESynMethodChain& error) {
        EXPECT_STREQ(error.what(), "TSynNotifyEventChain.Entry : the parameter `AEvent' must be specified.");
    }
    try {
        highlighter.RemoveChangeListener(TNotifyEvent());
        FAIL() << "no error";
    } catch (const ESynMethodChain& error) {
        EXPECT_STREQ(error.what(), "TSynNotifyEventChain.Remove: the parameter `AEvent' must be specified.");
    }
    EXPECT_EQ(highlighter.ChangeListeners().Count(), 0);
}

TEST(NotifyEventChain, AListenerErrorStopsTheFiringAndReachesTheChanger)
{
    TSynCssSyn highlighter;
    TRecorder before;
    TRecorder failing;
    TRecorder after;
    highlighter.AddChangeListener(MakeMethod(&before, &TRecorder::Changed));
    highlighter.AddChangeListener(MakeMethod(&failing, &TRecorder::Throws));
    highlighter.AddChangeListener(MakeMethod(&after, &TRecorder::Changed));

    EXPECT_THROW(highlighter.SpaceAttri()->SetStyle(fsBold), Exception);
    EXPECT_EQ(before.Calls.size(), 1u);
    EXPECT_TRUE(after.Calls.empty());
    EXPECT_EQ(highlighter.SpaceAttri()->Style(), fsBold);
}

TEST(CustomHighlighter, ListsAttributesByNameWithoutCaseAndRefusesDuplicates)
{
    TSynCssSyn highlighter;
    ASSERT_EQ(highlighter.AttributeCount(), 7);
    const std::vector<std::string> expected{"Comment", "Identifier", "Key", "Number", "Space", "String", "Symbol"};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(highlighter.AttributeAt(i)->Name(), expected[static_cast<std::size_t>(i)]);
    EXPECT_EQ(highlighter.AttributeAt(-1), nullptr);
    EXPECT_EQ(highlighter.AttributeAt(7), nullptr);

    EXPECT_THROW(highlighter.RegisterAttribute(std::make_unique<TSynHighlighterAttributes>("KEY")), EStringListError);
    highlighter.RegisterAttribute(std::make_unique<TSynHighlighterAttributes>("attribute"));
    EXPECT_EQ(highlighter.AttributeAt(0)->Name(), "attribute");
    EXPECT_EQ(highlighter.AttributeCount(), 8);
}

TEST(CustomHighlighter, ConstructionNotifiesNobodyAndSetsTheFixedValues)
{
    TSynCssSyn highlighter;
    EXPECT_EQ(highlighter.SyntaxName(), "Cascading Stylesheets");
    EXPECT_EQ(highlighter.DefaultFilter(), "Cascading Stylesheets (*.css)|*.css");
    EXPECT_EQ(highlighter.CommentAttri()->Style(), fsItalic);
    EXPECT_EQ(highlighter.KeyAttri()->Style(), fsBold);
    for (int i = 0; i < highlighter.AttributeCount(); ++i) {
        EXPECT_EQ(highlighter.AttributeAt(i)->Foreground(), clNone);
        EXPECT_EQ(highlighter.AttributeAt(i)->Background(), clNone);
    }
    EXPECT_EQ(highlighter.StandardAttribute(0), highlighter.CommentAttri());
    EXPECT_EQ(highlighter.StandardAttribute(1), highlighter.IdentifierAttri());
    EXPECT_EQ(highlighter.StandardAttribute(2), highlighter.KeyAttri());
    EXPECT_EQ(highlighter.StandardAttribute(3), highlighter.StringAttri());
    EXPECT_EQ(highlighter.StandardAttribute(4), highlighter.SpaceAttri());
    EXPECT_EQ(highlighter.StandardAttribute(5), nullptr);
    EXPECT_EQ(highlighter.StandardAttribute(-1), nullptr);

    // Loading the window description's values, equal to the constructor's, changes nothing.
    TRecorder recorder;
    highlighter.AddChangeListener(MakeMethod(&recorder, &TRecorder::Changed));
    highlighter.SetDefaultFilter("Cascading Stylesheets (*.css)|*.css");
    highlighter.CommentAttri()->SetStyle(fsItalic);
    highlighter.KeyAttri()->SetStyle(fsBold);
    EXPECT_TRUE(recorder.Calls.empty());
}

TEST(CustomHighlighter, TellsItsEditorsBeforeItGoes)
{
    TRecorder recorder;
    TRecorder removed;
    {
        TSynCssSyn highlighter;
        highlighter.FreeNotification(MakeMethod(&recorder, &TRecorder::Changed));
        highlighter.FreeNotification(MakeMethod(&removed, &TRecorder::Changed));
        highlighter.RemoveFreeNotification(MakeMethod(&removed, &TRecorder::Changed));
    }
    // Told once, while the highlighter still answered as itself.
    EXPECT_EQ(recorder.Calls, std::vector<std::string>{"changed:Cascading Stylesheets"});
    EXPECT_TRUE(removed.Calls.empty());
}

TEST(CustomHighlighter, ScanToLineEndOnAnEmptyLineKeepsTheState)
{
    TSynCssSyn highlighter;
    highlighter.SetLineState(1);
    highlighter.StartLine("", 0);
    EXPECT_TRUE(highlighter.AtLineEnd());
    highlighter.ScanToLineEnd();
    EXPECT_EQ(highlighter.LineState(), 1);
    highlighter.ResetLineState();
    EXPECT_EQ(highlighter.LineState(), 0);
    // Only the low byte of a state is kept.
    highlighter.SetLineState(0x301);
    EXPECT_EQ(highlighter.LineState(), 1);
}

}  // namespace
}  // namespace pindle
