#include "highlight/SynEditHighlighter.h"

#include "platform/Exceptions.h"

#include <algorithm>

namespace pindle {

namespace {

char UpperAscii(char c) noexcept
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

// Orders names without regard to case, the way the attribute list keeps them.
int CompareNoCase(std::string_view a, std::string_view b) noexcept
{
    const std::size_t n = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(UpperAscii(a[i]));
        const auto cb = static_cast<unsigned char>(UpperAscii(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    if (a.size() == b.size())
        return 0;
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace

const TSynIdentChars& DefaultIdentChars() noexcept
{
    static const TSynIdentChars chars = [] {
        TSynIdentChars set;
        for (std::size_t c = 33; c <= 255; ++c)
            set.set(c);
        return set;
    }();
    return chars;
}

TSynHighlighterAttributes::TSynHighlighterAttributes(std::string name) : name_(std::move(name)) {}

void TSynHighlighterAttributes::SetBackground(TColor value)
{
    if (background_ == value)
        return;
    background_ = value;
    NotifyChanged();
}

void TSynHighlighterAttributes::SetForeground(TColor value)
{
    if (foreground_ == value)
        return;
    foreground_ = value;
    NotifyChanged();
}

void TSynHighlighterAttributes::SetStyle(TFontStyles value)
{
    if (style_ == value)
        return;
    style_ = value;
    NotifyChanged();
}

void TSynHighlighterAttributes::Assign(const TPersistent& source)
{
    const auto* other = dynamic_cast<const TSynHighlighterAttributes*>(&source);
    if (other == nullptr)
        throw EConvertAssignError("Cannot assign a " + source.ClassName() + " to a " + ClassName());
    if (other == this)
        return;
    name_ = other->name_;
    bool changed = false;
    if (background_ != other->background_) {
        background_ = other->background_;
        changed = true;
    }
    if (foreground_ != other->foreground_) {
        foreground_ = other->foreground_;
        changed = true;
    }
    if (style_ != other->style_) {
        style_ = other->style_;
        changed = true;
    }
    if (changed)
        NotifyChanged();
}

void TSynHighlighterAttributes::NotifyChanged()
{
    changeHandler_(this);
}

void TSynMethodChain::Entry(const TMethodBase& handler)
{
    if (handler.IsEmpty())
        throw ESynMethodChain(ClassName() + ".Entry : the parameter `AEvent' must be specified.");
    entries_.push_back(handler);
}

void TSynMethodChain::Remove(const TMethodBase& handler)
{
    if (handler.IsEmpty())
        throw ESynMethodChain(ClassName() + ".Remove: the parameter `AEvent' must be specified.");
    for (std::size_t i = entries_.size(); i-- > 0;) {
        if (entries_[i] != handler)
            continue;
        entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(i));
        for (int& at : firing_) {
            if (static_cast<int>(i) <= at)
                --at;
        }
    }
}

const TMethodBase* TSynMethodChain::EntryAt(int index) const noexcept
{
    if (index < 0 || index >= Count())
        return nullptr;
    return &entries_[static_cast<std::size_t>(index)];
}

void TSynNotifyEventChain::Fire()
{
    // The list is read afresh at every step: a listener may add or remove listeners while it runs,
    // and a removed one must not be called any more.
    firing_.push_back(0);
    const std::size_t level = firing_.size() - 1;
    try {
        for (; firing_[level] < Count(); ++firing_[level]) {
            const TNotifyEvent listener = TNotifyEvent::FromBase(*EntryAt(firing_[level]));
            listener(sender_);
        }
    } catch (...) {
        firing_.pop_back();
        throw;
    }
    firing_.pop_back();
}

TSynCustomHighlighter::TSynCustomHighlighter() = default;

TSynCustomHighlighter::~TSynCustomHighlighter()
{
    NotifyDestroying();
    while (!attributes_.empty())
        attributes_.pop_back();
}

void TSynCustomHighlighter::NotifyDestroying() noexcept
{
    if (destroying_)
        return;
    destroying_ = true;
    // Each editor removes itself while it is told, so work on a copy.
    const std::vector<TNotifyEvent> notifies = std::move(freeNotifies_);
    freeNotifies_.clear();
    for (const TNotifyEvent& notify : notifies) {
        try {
            notify(this);
        } catch (...) {
            // A removal notice must reach every editor; nothing may stop the destruction.
        }
    }
}

int TSynCustomHighlighter::AttributeCount() const noexcept
{
    return static_cast<int>(attributes_.size());
}

TSynHighlighterAttributes* TSynCustomHighlighter::AttributeAt(int index) const noexcept
{
    if (index < 0 || index >= AttributeCount())
        return nullptr;
    return attributes_[static_cast<std::size_t>(index)].get();
}

const TSynIdentChars& TSynCustomHighlighter::IdentifierChars() const noexcept
{
    return DefaultIdentChars();
}

void TSynCustomHighlighter::SetDefaultFilter(std::string value)
{
    if (defaultFilter_ != value)
        defaultFilter_ = std::move(value);
}

std::intptr_t TSynCustomHighlighter::ScanLineFrom(std::string_view text, int lineIndex, std::intptr_t state) noexcept
{
    SetLineState(state);
    StartLine(text, lineIndex);
    ScanToLineEnd();
    return LineState();
}

void TSynCustomHighlighter::ScanRestOfLine() noexcept
{
    while (!AtLineEnd())
        NextToken();
}

void TSynCustomHighlighter::RegisterAttribute(std::unique_ptr<TSynHighlighterAttributes> attribute)
{
    if (!attribute)
        return;
    const std::string& name = attribute->Name();
    const auto place = std::lower_bound(attributes_.begin(), attributes_.end(), name,
        [](const std::unique_ptr<TSynHighlighterAttributes>& listed, const std::string& key) {
            return CompareNoCase(listed->Name(), key) < 0;
        });
    if (place != attributes_.end() && CompareNoCase((*place)->Name(), name) == 0)
        throw EStringListError("String list does not allow duplicates");
    attributes_.insert(place, std::move(attribute));
}

void TSynCustomHighlighter::SetAttributeChangeHandler(TAttributeChangeEvent handler) noexcept
{
    for (auto it = attributes_.rbegin(); it != attributes_.rend(); ++it)
        (*it)->SetChangeHandler(handler);
}

void TSynCustomHighlighter::AttributesChanged(TSynHighlighterAttributes* sender)
{
    (void)sender;
    changeListeners_.Fire();
}

void TSynCustomHighlighter::FreeNotification(const TNotifyEvent& handler)
{
    if (handler.IsEmpty() || destroying_)
        return;
    if (std::find(freeNotifies_.begin(), freeNotifies_.end(), handler) == freeNotifies_.end())
        freeNotifies_.push_back(handler);
}

void TSynCustomHighlighter::RemoveFreeNotification(const TNotifyEvent& handler)
{
    std::erase(freeNotifies_, handler);
}

}  // namespace pindle
