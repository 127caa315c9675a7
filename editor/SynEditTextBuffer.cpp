#include "editor/SynEditTextBuffer.h"

#include <algorithm>
#include <exception>

namespace pindle {

// Opens the list's update bracket for one operation; closes it even when an event handler throws,
// but then without the Changed notice, which must not run while an error unwinds.
class TSynEditList::TUpdateScope {
public:
    explicit TUpdateScope(TSynEditList& list) : list_(list), exceptions_(std::uncaught_exceptions())
    {
        list_.BeginUpdate();
    }
    ~TUpdateScope() noexcept(false)
    {
        if (std::uncaught_exceptions() > exceptions_)
            --list_.updateCount_;
        else
            list_.EndUpdate();
    }
    TUpdateScope(const TUpdateScope&) = delete;
    TUpdateScope& operator=(const TUpdateScope&) = delete;

private:
    TSynEditList& list_;
    int exceptions_;
};

int TSynEditList::Add(std::string_view text)
{
    TUpdateScope scope(*this);
    lines_.Append(text);
    const int index = Count() - 1;
    OnLineAdded();
    return index;
}

void TSynEditList::Insert(int index, std::string_view text)
{
    if (index < 0 || index > Count())
        return;
    TUpdateScope scope(*this);
    lines_.Insert(index, text);
    OnLineInserted(index);
}

void TSynEditList::Delete(int index)
{
    if (index < 0 || index >= Count())
        return;
    TUpdateScope scope(*this);
    lines_.Erase(index);
    OnLineDeleted(index);
}

void TSynEditList::Put(int index, std::string_view text)
{
    if (index == 0 && Count() == 0) {
        Add(text);
        return;
    }
    if (index < 0 || index >= Count())
        return;
    TUpdateScope scope(*this);
    lines_.Put(index, text);
    OnLineReplaced(index);
}

void TSynEditList::Splice(int index, std::size_t at, std::size_t count, std::string_view text)
{
    // The first text typed into an empty document adds its line, as Put does.
    if (index == 0 && Count() == 0) {
        Put(0, text);
        return;
    }
    if (index < 0 || index >= Count())
        return;
    TUpdateScope scope(*this);
    const std::size_t length = lines_.Get(index).size();
    at = std::min(at, length);
    count = std::min(count, length - at);
    const std::size_t inserted = text.size();
    lines_.Splice(index, at, count, text);
    splice_ = TSynSplice{index, at, count, inserted};
    // The note goes when the event has run, whichever way it ends.
    struct TForget {
        TSynSplice& Splice;
        ~TForget() { Splice = TSynSplice{}; }
    } forget{splice_};
    OnLineReplaced(index);
}

void TSynEditList::Clear()
{
    TUpdateScope scope(*this);
    OnLinesCleared();
    lines_.Clear();
}

void TSynEditList::AddStrings(const TSynEditList& other)
{
    TSynLineStore copy;
    for (int i = 0; i < other.Count(); ++i)
        copy.Append(other.Get(i));
    AddStrings(std::move(copy));
}

void TSynEditList::AddStrings(std::span<const std::string> lines)
{
    TSynLineStore copy;
    for (const std::string& line : lines)
        copy.Append(line);
    AddStrings(std::move(copy));
}

void TSynEditList::AddStrings(TSynLineStore&& lines)
{
    TUpdateScope scope(*this);
    const int first = Count();
    const int count = lines.Count();
    lines_.InsertLines(first, std::move(lines));
    lines_.ZeroValues(first, count);
    OnLinesBulkAdded();
}

void TSynEditList::Assign(const TSynEditList& other)
{
    if (&other == this)
        return;
    TUpdateScope scope(*this);
    Clear();
    AddStrings(other);
}

void TSynEditList::SetText(std::string_view source)
{
    // The text may be a view of this list's own lines, which Clear lets go.
    const std::string text(source);
    TUpdateScope scope(*this);
    Clear();
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = start;
        while (end < text.size() && text[end] != '\r' && text[end] != '\n')
            ++end;
        Add(std::string_view(text).substr(start, end - start));
        if (end < text.size() && text[end] == '\r')
            ++end;
        if (end < text.size() && text[end] == '\n')
            ++end;
        start = end;
    }
}

std::string TSynEditList::Text() const
{
    std::size_t total = 0;
    for (int i = 0; i < Count(); ++i)
        total += Get(i).size() + 2;
    std::string text;
    text.reserve(total);
    for (int i = 0; i < Count(); ++i) {
        text += Get(i);
        text += "\r\n";
    }
    return text;
}

TSynLineStore TSynEditList::ExtractLines(int index, int count)
{
    if (index < 0 || index >= Count() || count <= 0)
        return {};
    TUpdateScope scope(*this);
    TSynLineStore lines = lines_.Extract(index, count);
    lines.SetValuesTag(valuesTag_);
    OnLinesDeleted(index, lines.Count());
    return lines;
}

void TSynEditList::InsertLines(int index, TSynLineStore&& lines)
{
    if (index < 0 || index > Count() || lines.Empty())
        return;
    TUpdateScope scope(*this);
    const int count = lines.Count();
    const bool valuesKept = valuesTag_ != 0 && lines.ValuesTag() == valuesTag_;
    lines_.InsertLines(index, std::move(lines));
    if (!valuesKept)
        lines_.ZeroValues(index, count);
    OnLinesInserted(index, count, valuesKept);
}

void TSynEditList::BeginUpdate()
{
    if (updateCount_++ != 0)
        return;
    // A bracket whose opening failed is not open: nobody will close it.
    try {
        OnChanging();
    } catch (...) {
        --updateCount_;
        throw;
    }
}

void TSynEditList::EndUpdate()
{
    if (updateCount_ == 0)
        return;
    if (--updateCount_ == 0)
        OnChanged();
}

}  // namespace pindle
