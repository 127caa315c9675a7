// The contract between a syntax highlighter and the editor that paints with it: display attributes,
// the abstract one-line-at-a-time highlighter with its opaque line state, and its change listeners.
#pragma once

#include "colour/Colors.h"
#include "highlight/SynEditMethod.h"

#include <bitset>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace pindle {

using TColor = std::int32_t;

// A set of font styles in one byte.
using TFontStyles = std::uint8_t;
inline constexpr TFontStyles fsBold = 1;
inline constexpr TFontStyles fsItalic = 2;
inline constexpr TFontStyles fsUnderline = 4;
inline constexpr TFontStyles fsStrikeOut = 8;

// Which of the 256 character codes make up a word.
using TSynIdentChars = std::bitset<256>;

// Codes 33 to 255: the word characters of a highlighter that names none of its own, and of an editor
// without a highlighter.
[[nodiscard]] const TSynIdentChars& DefaultIdentChars() noexcept;

class TSynCustomHighlighter;
class TSynHighlighterAttributes;

using TNotifyEvent = TMethod<TSynCustomHighlighter*>;
using TAttributeChangeEvent = TMethod<TSynHighlighterAttributes*>;

// The root of objects that can be assigned from one another; Assign refuses other kinds by name.
class TPersistent {
public:
    virtual ~TPersistent() = default;
    [[nodiscard]] virtual std::string ClassName() const = 0;
};

// How the tokens of one kind look: colours (clNone = the editor's own) and font style.
class TSynHighlighterAttributes final : public TPersistent {
public:
    explicit TSynHighlighterAttributes(std::string name);
    TSynHighlighterAttributes(const TSynHighlighterAttributes&) = delete;
    TSynHighlighterAttributes& operator=(const TSynHighlighterAttributes&) = delete;

    [[nodiscard]] std::string ClassName() const override { return "TSynHighlighterAttributes"; }
    [[nodiscard]] const std::string& Name() const noexcept { return name_; }
    [[nodiscard]] TColor Background() const noexcept { return background_; }
    [[nodiscard]] TColor Foreground() const noexcept { return foreground_; }
    [[nodiscard]] TFontStyles Style() const noexcept { return style_; }
    [[nodiscard]] const TAttributeChangeEvent& ChangeHandler() const noexcept { return changeHandler_; }

    // Each setter notifies only when the value really changes.
    void SetBackground(TColor value);
    void SetForeground(TColor value);
    void SetStyle(TFontStyles value);
    void SetChangeHandler(TAttributeChangeEvent handler) noexcept { changeHandler_ = handler; }

    // Copies the name and the three values; notifies once when any value differed. Any other kind of
    // source raises EConvertAssignError.
    void Assign(const TPersistent& source);
    void NotifyChanged();

private:
    std::string name_;
    TColor background_ = clNone;
    TColor foreground_ = clNone;
    TFontStyles style_ = 0;
    TAttributeChangeEvent changeHandler_;
};

// The mechanics shared by notification chains: an ordered list of handlers in which the same handler
// may appear more than once.
class TSynMethodChain {
public:
    virtual ~TSynMethodChain() = default;
    [[nodiscard]] virtual std::string ClassName() const { return "TSynMethodChain"; }
    [[nodiscard]] int Count() const noexcept { return static_cast<int>(entries_.size()); }

protected:
    // Both raise ESynMethodChain for an empty handler and leave the chain unchanged.
    void Entry(const TMethodBase& handler);
    void Remove(const TMethodBase& handler);
    [[nodiscard]] const TMethodBase* EntryAt(int index) const noexcept;

    // Where each running firing stands in the list (firings may nest); Remove keeps them right, so
    // that taking a listener out while the chain fires does not make it skip the next one.
    std::vector<int> firing_;

private:
    std::vector<TMethodBase> entries_;
};

// Listeners that take the sender, called in the order they were added.
class TSynNotifyEventChain final : public TSynMethodChain {
public:
    explicit TSynNotifyEventChain(TSynCustomHighlighter* sender) noexcept : sender_(sender) {}

    [[nodiscard]] std::string ClassName() const override { return "TSynNotifyEventChain"; }
    [[nodiscard]] TSynCustomHighlighter* Sender() const noexcept { return sender_; }

    void Add(const TNotifyEvent& handler) { Entry(handler); }
    void Remove(const TNotifyEvent& handler) { TSynMethodChain::Remove(handler); }
    // An error raised by a listener ends the firing and reaches the caller.
    void Fire();

private:
    TSynCustomHighlighter* sender_;
};

// A highlighter scans one line at a time. Calling order for one line:
//   SetLineState(stored start state) or ResetLineState();  StartLine(text, index);
//   while (!AtLineEnd()) { TokenStart(), TokenText(), TokenAttribute(), TokenKind(); NextToken(); }
//   (or ScanToLineEnd())  then LineState() is the start state of the next line.
// The editor stores a line state in 16 bits: LineState() keeps within -32768..32767.
// The scanning state is shared by every caller of the object.
class TSynCustomHighlighter {
public:
    TSynCustomHighlighter();
    virtual ~TSynCustomHighlighter();
    TSynCustomHighlighter(const TSynCustomHighlighter&) = delete;
    TSynCustomHighlighter& operator=(const TSynCustomHighlighter&) = delete;

    // The replaceable operations.
    [[nodiscard]] virtual int AttributeCount() const noexcept;
    // The attribute at that place of the name-ordered list; nullptr out of range.
    [[nodiscard]] virtual TSynHighlighterAttributes* AttributeAt(int index) const noexcept;
    // 0 comment, 1 identifier, 2 keyword, 3 string, 4 whitespace; nullptr for any other index.
    [[nodiscard]] virtual TSynHighlighterAttributes* StandardAttribute(int index) const noexcept = 0;
    [[nodiscard]] virtual std::string DefaultFilter() const { return defaultFilter_; }
    [[nodiscard]] virtual const TSynIdentChars& IdentifierChars() const noexcept;
    [[nodiscard]] virtual bool IsFilterStored() const noexcept { return true; }
    virtual void SetDefaultFilter(std::string value);
    [[nodiscard]] virtual std::string SyntaxName() const { return "<Unknown>"; }
    [[nodiscard]] virtual bool AtLineEnd() const noexcept = 0;
    [[nodiscard]] virtual std::intptr_t LineState() const noexcept { return 0; }
    [[nodiscard]] virtual std::string TokenText() const = 0;
    [[nodiscard]] virtual TSynHighlighterAttributes* TokenAttribute() const noexcept = 0;
    [[nodiscard]] virtual int TokenKind() const noexcept = 0;
    [[nodiscard]] virtual int TokenStart() const noexcept = 0;
    virtual void NextToken() noexcept = 0;
    // The text must stay alive and unchanged until its tokens have been read, and the byte just past
    // its end must be a zero: std::string and TSynEditList::Get both guarantee that. The scan ends at
    // the first zero byte. StartLine never changes the line state.
    virtual void StartLine(std::string_view text, int lineIndex) noexcept = 0;
    virtual void SetLineState(std::intptr_t value) noexcept { (void)value; }
    virtual void ResetLineState() noexcept {}

    // SetLineState(state), StartLine(text, lineIndex) and ScanToLineEnd() in one call; returns
    // LineState(), the start state of the next line. Rescanning many lines goes through here; a
    // concrete highlighter may go straight to the line's end, but everything a caller can see
    // afterwards must not differ.
    virtual std::intptr_t ScanLineFrom(std::string_view text, int lineIndex, std::intptr_t state) noexcept;
    // Part of a line's scan to its end, so that an edit inside a long line need not rescan all of it:
    // scans text from byte offset on in state (offset 0 with the line's start state, or a place an
    // earlier call gave out for the same bytes before it) up to the first place at or after byte
    // pauseAt where the scan can pause, or to the line's end. Sets offset to that place (text.size()
    // at the end) and state to the state there; at the end it is what ScanLineFrom returns. The
    // state at a place depends on no byte after it. Touches none of the token scan's state, nor
    // anything else of the highlighter's, so that two threads may call it at once (the editor scans
    // a long list in two halves). A highlighter that cannot pause inside a line returns false and
    // changes nothing.
    virtual bool ScanLinePart(std::string_view text, std::size_t& offset, std::intptr_t& state,
                              std::size_t pauseAt) noexcept
    {
        (void)text, (void)offset, (void)state, (void)pauseAt;
        return false;
    }

    // The fixed operations.
    // Calls NextToken until AtLineEnd; nothing when already there.
    void ScanToLineEnd() noexcept { ScanRestOfLine(); }
    // Raises EStringListError when an attribute of that name (compared without case) is listed.
    void RegisterAttribute(std::unique_ptr<TSynHighlighterAttributes> attribute);
    void SetAttributeChangeHandler(TAttributeChangeEvent handler) noexcept;
    void AttributesChanged(TSynHighlighterAttributes* sender);
    void AddChangeListener(const TNotifyEvent& listener) { changeListeners_.Add(listener); }
    void RemoveChangeListener(const TNotifyEvent& listener) { changeListeners_.Remove(listener); }
    [[nodiscard]] const TSynNotifyEventChain& ChangeListeners() const noexcept { return changeListeners_; }

    // The component removal notice: each handler is told, once, before the highlighter goes.
    void FreeNotification(const TNotifyEvent& handler);
    void RemoveFreeNotification(const TNotifyEvent& handler);

    [[nodiscard]] const std::string& Name() const noexcept { return name_; }
    void SetName(std::string name) { name_ = std::move(name); }

protected:
    // What ScanToLineEnd does. A concrete highlighter may reach the line end without scanning every
    // token; the line state and everything else a caller can see afterwards must not differ.
    virtual void ScanRestOfLine() noexcept;

    // A concrete highlighter calls this first in its own destructor, so that editors let go of it
    // while it is still whole; the base destructor calls it again, which then does nothing.
    void NotifyDestroying() noexcept;

private:
    std::string name_;
    std::vector<std::unique_ptr<TSynHighlighterAttributes>> attributes_;  // ordered by name, no case
    TSynNotifyEventChain changeListeners_{this};
    std::vector<TNotifyEvent> freeNotifies_;
    std::string defaultFilter_;
    bool destroying_ = false;
};

}  // namespace pindle
