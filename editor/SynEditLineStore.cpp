#include "editor/SynEditLineStore.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <utility>

namespace pindle {

namespace {

// A text block: 32-bit header (length, top bit set when the block has its own allocation), the
// characters, a zero.
constexpr std::uint32_t kOwnBlock = 0x80000000u;
constexpr std::uint32_t kLengthMask = 0x7FFFFFFFu;
constexpr std::size_t kHeader = sizeof(std::uint32_t);
// Pages start small, so that a store of a few lines costs little, and double up to this size.
constexpr std::size_t kFirstPageSize = 4 * 1024;
constexpr std::size_t kLargestPageSize = 256 * 1024;
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
        throw std::length_error("Line too long");
    return text.size();
}

void* Allocate(std::size_t bytes)
{
    void* memory = std::malloc(bytes);
    if (memory == nullptr)
        throw std::bad_alloc();
    return memory;
}

char* NewOwnBlock(std::string_view text)
{
    const std::size_t length = CheckedLength(text);
    if (length == 0)
        return gEmptyBlock;
    auto* block = static_cast<char*>(Allocate(kHeader + length + 1));
    WriteBlock(block, text, kOwnBlock);
    return block;
}

}  // namespace

// The pages that packed text blocks lie in. Lines that move to another store keep their blocks here,
// so the pages belong to every store that may hold such a line, and go with the last of them.
class TSynTextPages {
public:
    TSynTextPages() = default;
    ~TSynTextPages()
    {
        for (char* page : pages_)
            std::free(page);
    }
    TSynTextPages(const TSynTextPages&) = delete;
    TSynTextPages& operator=(const TSynTextPages&) = delete;

    char* NewBlock(std::string_view text)
    {
        const std::size_t need = kHeader + text.size() + 1;
        if (pageSize_ - pageUsed_ < need) {
            const std::size_t size = pages_.empty() ? kFirstPageSize : std::min(pageSize_ * 2, kLargestPageSize);
            pages_.reserve(pages_.size() + 1);
            pages_.push_back(static_cast<char*>(Allocate(std::max(size, need))));
            pageSize_ = std::max(size, need);
            pageUsed_ = 0;
        }
        char* block = pages_.back() + pageUsed_;
        pageUsed_ += need;
        WriteBlock(block, text, 0);
        return block;
    }

private:
    std::vector<char*> pages_;
    std::size_t pageUsed_ = 0;
    std::size_t pageSize_ = 0;
};

TSynLineStore::TSynLineStore() noexcept = default;

TSynLineStore::~TSynLineStore()
{
    Clear();
}

TSynLineStore::TSynLineStore(TSynLineStore&& other) noexcept
    : recs_(std::exchange(other.recs_, nullptr)),
      capacity_(std::exchange(other.capacity_, 0)),
      gapStart_(std::exchange(other.gapStart_, 0)),
      gapLength_(std::exchange(other.gapLength_, 0)),
      pages_(std::move(other.pages_)),
      owners_(std::move(other.owners_)),
      valuesTag_(std::exchange(other.valuesTag_, 0))
{
    other.owners_.clear();
}

TSynLineStore& TSynLineStore::operator=(TSynLineStore&& other) noexcept
{
    if (this != &other) {
        Clear();
        recs_ = std::exchange(other.recs_, nullptr);
        capacity_ = std::exchange(other.capacity_, 0);
        gapStart_ = std::exchange(other.gapStart_, 0);
        gapLength_ = std::exchange(other.gapLength_, 0);
        pages_ = std::move(other.pages_);
        owners_ = std::move(other.owners_);
        other.owners_.clear();
        valuesTag_ = std::exchange(other.valuesTag_, 0);
    }
    return *this;
}

TSynLineStore::TLineRec& TSynLineStore::At(std::size_t index) noexcept
{
    return recs_[index < gapStart_ ? index : index + gapLength_];
}

const TSynLineStore::TLineRec& TSynLineStore::At(std::size_t index) const noexcept
{
    return recs_[index < gapStart_ ? index : index + gapLength_];
}

std::string_view TSynLineStore::Get(int index) const noexcept
{
    if (index < 0 || static_cast<std::size_t>(index) >= Size())
        return {gEmptyBlock + kHeader, 0};
    return BlockText(At(static_cast<std::size_t>(index)).Block);
}

std::intptr_t TSynLineStore::GetObject(int index) const noexcept
{
    if (index < 0 || static_cast<std::size_t>(index) >= Size())
        return 0;
    return At(static_cast<std::size_t>(index)).Object;
}

void TSynLineStore::PutObject(int index, std::intptr_t value) noexcept
{
    if (index < 0 || static_cast<std::size_t>(index) >= Size())
        return;
    At(static_cast<std::size_t>(index)).Object = value;
}

void TSynLineStore::MoveGap(std::size_t position) noexcept
{
    if (position == gapStart_)
        return;
    if (position < gapStart_) {
        const std::size_t count = gapStart_ - position;
        std::memmove(recs_ + position + gapLength_, recs_ + position, count * sizeof(TLineRec));
    } else {
        const std::size_t count = position - gapStart_;
        std::memmove(recs_ + gapStart_, recs_ + gapStart_ + gapLength_, count * sizeof(TLineRec));
    }
    gapStart_ = position;
}

void TSynLineStore::Reserve(std::size_t minimumGap)
{
    if (gapLength_ >= minimumGap)
        return;
    // Growing by half keeps the spare room (and so the memory per line) small for long lists. A large
    // array grows in place where the system can map it elsewhere without copying, so that filling a
    // store from a file never holds the old and the new array at once.
    const std::size_t size = Size();
    const std::size_t capacity = size + std::max({minimumGap, size / 2, std::size_t{64}});
    auto* grown = static_cast<TLineRec*>(std::realloc(recs_, capacity * sizeof(TLineRec)));
    if (grown == nullptr)
        throw std::bad_alloc();
    const std::size_t after = size - gapStart_;
    if (after > 0)
        std::memmove(grown + capacity - after, grown + gapStart_ + gapLength_, after * sizeof(TLineRec));
    recs_ = grown;
    capacity_ = capacity;
    gapLength_ = capacity - size;
}

void TSynLineStore::InsertRec(std::size_t index, TLineRec rec)
{
    Reserve(1);
    MoveGap(index);
    recs_[gapStart_] = rec;
    ++gapStart_;
    --gapLength_;
}

TSynTextPages& TSynLineStore::Pages()
{
    if (!pages_) {
        owners_.reserve(owners_.size() + 1);
        pages_ = std::make_shared<TSynTextPages>();
        owners_.push_back(pages_);
    }
    return *pages_;
}

void TSynLineStore::ReleaseBlock(char* block) noexcept
{
    // Packed blocks are given back with their pages.
    if (block != gEmptyBlock && (Header(block) & kOwnBlock) != 0)
        std::free(block);
}

void TSynLineStore::Append(std::string_view text)
{
    // Filling a store from a file runs through here once per line: the common case (gap at the
    // end, room in it and in the page) costs a copy of the text and a store of the record.
    if (gapLength_ == 0 || gapStart_ != Size()) {
        Reserve(1);
        MoveGap(Size());
    }
    char* block = gEmptyBlock;
    if (text.size() + kHeader + 1 > kLargestPagedBlock)
        block = NewOwnBlock(text);
    else if (!text.empty())
        block = Pages().NewBlock(text);
    recs_[gapStart_] = TLineRec{block, 0};
    ++gapStart_;
    --gapLength_;
}

void TSynLineStore::Insert(int index, std::string_view text, std::intptr_t value)
{
    if (index < 0 || static_cast<std::size_t>(index) > Size())
        return;
    char* block = NewOwnBlock(text);
    try {
        InsertRec(static_cast<std::size_t>(index), TLineRec{block, value});
    } catch (...) {
        ReleaseBlock(block);
        throw;
    }
}

void TSynLineStore::Put(int index, std::string_view text)
{
    if (index < 0 || static_cast<std::size_t>(index) >= Size())
        return;
    TLineRec& rec = At(static_cast<std::size_t>(index));
    // The new text may be a view of the old one: make the copy before letting the old go.
    char* block = NewOwnBlock(text);
    ReleaseBlock(rec.Block);
    rec.Block = block;
}

void TSynLineStore::Erase(int index) noexcept
{
    if (index < 0 || static_cast<std::size_t>(index) >= Size())
        return;
    ReleaseBlock(At(static_cast<std::size_t>(index)).Block);
    MoveGap(static_cast<std::size_t>(index) + 1);
    --gapStart_;
    ++gapLength_;
}

void TSynLineStore::ShareOwnersOf(const TSynLineStore& other)
{
    for (const auto& owner : other.owners_) {
        if (std::find(owners_.begin(), owners_.end(), owner) == owners_.end())
            owners_.push_back(owner);
    }
}

TSynLineStore TSynLineStore::Extract(int index, int count)
{
    TSynLineStore out;
    const std::size_t size = Size();
    if (index < 0 || count <= 0 || static_cast<std::size_t>(index) >= size)
        return out;
    const auto first = static_cast<std::size_t>(index);
    const std::size_t n = std::min(static_cast<std::size_t>(count), size - first);
    out.owners_ = owners_;
    out.Reserve(n);
    // The gap goes to the nearer end of the range, so that the range lies in one piece and the gap
    // can swallow it.
    const std::size_t toStart = gapStart_ > first ? gapStart_ - first : first - gapStart_;
    const std::size_t toEnd = gapStart_ > first + n ? gapStart_ - first - n : first + n - gapStart_;
    MoveGap(toStart <= toEnd ? first : first + n);
    const TLineRec* from = gapStart_ == first ? recs_ + first + gapLength_ : recs_ + first;
    std::memcpy(out.recs_, from, n * sizeof(TLineRec));
    out.gapStart_ = n;
    out.gapLength_ = out.capacity_ - n;
    gapStart_ = first;
    gapLength_ += n;
    return out;
}

void TSynLineStore::InsertLines(int index, TSynLineStore&& lines)
{
    if (&lines == this || index < 0 || static_cast<std::size_t>(index) > Size())
        return;
    const std::size_t n = lines.Size();
    if (n == 0)
        return;
    if (Size() == 0) {
        // Nothing of this store's own is left: the other's lines, pages and all, take its place.
        const std::intptr_t tag = valuesTag_;
        *this = std::move(lines);
        valuesTag_ = tag;
        return;
    }
    owners_.reserve(owners_.size() + lines.owners_.size());
    Reserve(n);
    ShareOwnersOf(lines);
    MoveGap(static_cast<std::size_t>(index));
    const std::size_t before = lines.gapStart_;
    const std::size_t after = n - before;
    std::memcpy(recs_ + gapStart_, lines.recs_, before * sizeof(TLineRec));
    std::memcpy(recs_ + gapStart_ + before, lines.recs_ + lines.gapStart_ + lines.gapLength_, after * sizeof(TLineRec));
    gapStart_ += n;
    gapLength_ -= n;
    // The records have moved here: the other store forgets them without letting their blocks go.
    std::free(std::exchange(lines.recs_, nullptr));
    lines.capacity_ = lines.gapStart_ = lines.gapLength_ = 0;
    lines.Clear();
}

void TSynLineStore::ZeroValues(int index, int count) noexcept
{
    if (index < 0 || count <= 0)
        return;
    const auto first = static_cast<std::size_t>(index);
    const std::size_t last = std::min(Size(), first + static_cast<std::size_t>(count));
    ForEachRecord(first, last, [](TLineRec& rec) { rec.Object = 0; });
}

void TSynLineStore::Clear() noexcept
{
    ForEachRecord(0, Size(), [](TLineRec& rec) { ReleaseBlock(rec.Block); });
    std::free(std::exchange(recs_, nullptr));
    capacity_ = gapStart_ = gapLength_ = 0;
    owners_.clear();
    pages_.reset();
    valuesTag_ = 0;
}

}  // namespace pindle
