#include "editor/SynEditTextBuffer.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <stdexcept>

namespace pindle {

namespace {

// A text block: 32-bit header (length, top bit set when the block has its own allocation), the
// characters, a zero.
constexpr std::uint32_t kOwnBlock = 0x80000000u;
constexpr std::uint32_t kLengthMask = 0x7FFFFFFFu;
constexpr std::size_t kHeader = sizeof(std::uint32_t);
constexpr std::size_t kPageSize = 256 * 1024;
// Longer lines get their own block instead of wasting the rest of a page.
constexpr std::size_t kLargestPagedBlock = 4096;

// Empty lines share one block, so they cost nothing but their record.
alignas(std::uint32_t) char gEmptyBlock[kHeader + 1] = {};

std::uint32_t Header(const char* block) noexcept
{
    std::uint32_t header;
    std::memcpy(&header, block, kHeader);
    return header;
}

void WriteBlock(char* block, std::string_view text, std::uint32_t flags) noexcept
{
    const std::uint32_t header = static_cast<std::uint32_t>(text.size()) | flags;
    std::memcpy(block, &header, kHeader);
    if (!text.empty())
        std::memcpy(block + kHeader, text.data(), text.size());
    block[kHeader + text.size()] = 0;
}

std::string_view BlockText(const char* block) noexcept
{
    return {block + kHeader, Header(block) & kLengthMask};
}

std::size_t CheckedLength(std::string_view text)
{
    if (text.size() > kLengthMask)
        throw std::length_error("line too long");
    return text.size();
}

}  // namespace

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

TSynEditList::~TSynEditList()
{
    ReleaseAll();
}

TSynEditList::TLineRec& TSynEditList::At(std::size_t index) noexcept
{
    return recs_[index < gapStart_ ? index : index + gapLength_];
}

const TSynEditList::TLineRec& TSynEditList::At(std::size_t index) const noexcept
{
    return recs_[index < gapStart_ ? index : index + gapLength_];
}

std::string_view TSynEditList::Get(int index) const noexcept
{
    if (index < 0 || static_cast<std::size_t>(index) >= Size())
        return {gEmptyBlock + kHeader, 0};
    return BlockText(At(static_cast<std::size_t>(index)).Block);
}

std::intptr_t TSynEditList::GetObject(int index) const noexcept
{
    if (index < 0 || static_cast<std::size_t>(index) >= Size())
        return 0;
    return At(static_cast<std::size_t>(index)).Object;
}

void TSynEditList::PutObject(int index, std::intptr_t value) noexcept
{
    if (index < 0 || static_cast<std::size_t>(index) >= Size())
        return;
    At(static_cast<std::size_t>(index)).Object = value;
}

void TSynEditList::MoveGap(std::size_t position) noexcept
{
    if (position == gapStart_)
        return;
    TLineRec* data = recs_.data();
    if (position < gapStart_) {
        const std::size_t count = gapStart_ - position;
        std::memmove(data + position + gapLength_, data + position, count * sizeof(TLineRec));
    } else {
        const std::size_t count = position - gapStart_;
        std::memmove(data + gapStart_, data + gapStart_ + gapLength_, count * sizeof(TLineRec));
    }
    gapStart_ = position;
}

void TSynEditList::GrowGap(std::size_t minimum)
{
    // Growing by half keeps the spare room (and so the memory per line) small for long lists.
    const std::size_t size = Size();
    const std::size_t extra = std::max({minimum, size / 2, std::size_t{64}});
    MoveGap(size);
    std::vector<TLineRec> grown;
    grown.reserve(size + extra);
    grown.insert(grown.end(), recs_.begin(), recs_.begin() + static_cast<std::ptrdiff_t>(size));
    grown.resize(size + extra);
    recs_.swap(grown);
    gapStart_ = size;
    gapLength_ = extra;
}

void TSynEditList::InsertRec(std::size_t index, TLineRec rec)
{
    if (gapLength_ == 0)
        GrowGap(1);
    MoveGap(index);
    recs_[gapStart_] = rec;
    ++gapStart_;
    --gapLength_;
}

void TSynEditList::EraseRec(std::size_t index) noexcept
{
    MoveGap(index + 1);
    --gapStart_;
    ++gapLength_;
}

char* TSynEditList::NewOwnBlock(std::string_view text)
{
    const std::size_t length = CheckedLength(text);
    if (length == 0)
        return gEmptyBlock;
    auto* block = static_cast<char*>(std::malloc(kHeader + length + 1));
    if (block == nullptr)
        throw std::bad_alloc();
    WriteBlock(block, text, kOwnBlock);
    return block;
}

char* TSynEditList::NewPagedBlock(std::string_view text)
{
    const std::size_t length = CheckedLength(text);
    if (length == 0)
        return gEmptyBlock;
    const std::size_t need = kHeader + length + 1;
    if (need > kLargestPagedBlock)
        return NewOwnBlock(text);
    if (pages_.empty() || pageSize_ - pageUsed_ < need) {
        auto* page = static_cast<char*>(std::malloc(kPageSize));
        if (page == nullptr)
            throw std::bad_alloc();
        pages_.push_back(page);
        pageUsed_ = 0;
        pageSize_ = kPageSize;
    }
    char* block = pages_.back() + pageUsed_;
    pageUsed_ += need;
    WriteBlock(block, text, 0);
    return block;
}

void TSynEditList::ReleaseBlock(char* block) noexcept
{
    // Paged blocks are given back with their page when the list is cleared.
    if (block != gEmptyBlock && (Header(block) & kOwnBlock) != 0)
        std::free(block);
}

void TSynEditList::ReleaseAll() noexcept
{
    for (std::size_t i = 0, n = Size(); i < n; ++i)
        ReleaseBlock(At(i).Block);
    for (char* page : pages_)
        std::free(page);
    pages_.clear();
    pages_.shrink_to_fit();
    pageUsed_ = 0;
    pageSize_ = 0;
    std::vector<TLineRec>().swap(recs_);
    gapStart_ = 0;
    gapLength_ = 0;
}

void TSynEditList::AppendLine(std::string_view text)
{
    char* block = NewPagedBlock(text);
    try {
        InsertRec(Size(), TLineRec{block, 0});
    } catch (...) {
        ReleaseBlock(block);
        throw;
    }
}

int TSynEditList::Add(std::string_view text)
{
    TUpdateScope scope(*this);
    AppendLine(text);
    const int index = Count() - 1;
    OnLineAdded();
    return index;
}

void TSynEditList::Insert(int index, std::string_view text)
{
    if (index < 0 || static_cast<std::size_t>(index) > Size())
        return;
    TUpdateScope scope(*this);
    char* block = NewOwnBlock(text);
    try {
        InsertRec(static_cast<std::size_t>(index), TLineRec{block, 0});
    } catch (...) {
        ReleaseBlock(block);
        throw;
    }
    OnLineInserted(index);
}

void TSynEditList::Delete(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= Size())
        return;
    TUpdateScope scope(*this);
    ReleaseBlock(At(static_cast<std::size_t>(index)).Block);
    EraseRec(static_cast<std::size_t>(index));
    OnLineDeleted(index);
}

void TSynEditList::Put(int index, std::string_view text)
{
    if (index == 0 && Size() == 0) {
        Add(text);
        return;
    }
    if (index < 0 || static_cast<std::size_t>(index) >= Size())
        return;
    TUpdateScope scope(*this);
    TLineRec& rec = At(static_cast<std::size_t>(index));
    // The new text may be a view of the old one: make the copy before letting the old go.
    char* block = NewOwnBlock(text);
    ReleaseBlock(rec.Block);
    rec.Block = block;
    OnLineReplaced(index);
}

void TSynEditList::Clear()
{
    TUpdateScope scope(*this);
    OnLinesCleared();
    ReleaseAll();
}

void TSynEditList::AddStrings(const TSynEditList& other)
{
    if (&other == this) {
        const std::vector<std::string> copy = [this] {
            std::vector<std::string> lines;
            lines.reserve(Size());
            for (int i = 0; i < Count(); ++i)
                lines.emplace_back(Get(i));
            return lines;
        }();
        AddStrings(copy);
        return;
    }
    TUpdateScope scope(*this);
    for (int i = 0; i < other.Count(); ++i)
        AppendLine(other.Get(i));
    OnLinesBulkAdded();
}

void TSynEditList::AddStrings(std::span<const std::string> lines)
{
    TUpdateScope scope(*this);
    for (const std::string& line : lines)
        AppendLine(line);
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
