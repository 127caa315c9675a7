#include "editor/SynEditLineStore.h"

#include "platform/HugePages.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <sys/mman.h>
#include <utility>

namespace pindle {

namespace {

// A text block: a header, the characters, a zero. The header's first byte tells its kind: below
// kLongBlock it is the whole header and the length of a short packed line (most lines of a file:
// two bytes beside their text); kLongBlock (a longer packed line) and kOwnBlock (a block with an
// allocation of its own) are followed by the 32-bit length.
constexpr unsigned char kLongBlock = 0xFE;
constexpr unsigned char kOwnBlock = 0xFF;
constexpr std::size_t kLongHeader = 1 + sizeof(std::uint32_t);
constexpr std::size_t kLengthLimit = 0x7FFFFFFFu;
// Pages start small, so that a store of a few lines costs little, and double up to this size: one
// huge page of the system, which a file being read fills with one page fault instead of 512.
constexpr std::size_t kFirstPageSize = 4 * 1024;
constexpr std::size_t kHugePage = 2 * 1024 * 1024;
constexpr std::size_t kLargestPageSize = kHugePage;
// Longer lines get their own block instead of wasting the rest of a page.
constexpr std::size_t kLargestPagedBlock = 4096;
// Record arrays from this size on are mapped from the system.
constexpr std::size_t kMappedArray = 1024 * 1024;

// A record: the block's address in the low 48 bits, the value in the high 16.
constexpr unsigned kValueShift = 48;
constexpr std::uint64_t kAddressMask = (std::uint64_t{1} << kValueShift) - 1;
static_assert(sizeof(void*) == sizeof(std::uint64_t), "line records pack 64-bit addresses");

// Empty lines share one block, so they cost nothing but their record.
char gEmptyBlock[2] = {};

unsigned char Kind(const char* block) noexcept
{
    return static_cast<unsigned char>(block[0]);
}

std::size_t HeaderSize(std::size_t length, bool own) noexcept
{
    return own || length >= kLongBlock ? kLongHeader : 1;
}

void WriteBlock(char* block, std::string_view text, bool own) noexcept
{
    std::size_t header = 1;
    if (own || text.size() >= kLongBlock) {
        block[0] = static_cast<char>(own ? kOwnBlock : kLongBlock);
        const auto length = static_cast<std::uint32_t>(text.size());
        std::memcpy(block + 1, &length, sizeof length);
        header = kLongHeader;
    } else {
        block[0] = static_cast<char>(text.size());
    }
    if (!text.empty())
        std::memcpy(block + header, text.data(), text.size());
    block[header + text.size()] = 0;
}

std::string_view BlockText(const char* block) noexcept
{
    const unsigned char kind = Kind(block);
    if (kind < kLongBlock)
        return {block + 1, kind};
    std::uint32_t length;
    std::memcpy(&length, block + 1, sizeof length);
    return {block + kLongHeader, length};
}

// Memory whose address a record can hold; anything else is refused like memory that ran out.
void* Packable(void* memory, std::size_t bytes, bool mapped)
{
    if ((reinterpret_cast<std::uintptr_t>(memory) + bytes) >> kValueShift != 0) {
        if (mapped)
            ::munmap(memory, bytes);
        else
            std::free(memory);
        throw std::bad_alloc();
    }
    return memory;
}

void* Allocate(std::size_t bytes)
{
    void* memory = std::malloc(bytes);
    if (memory == nullptr)
        throw std::bad_alloc();
    return Packable(memory, bytes, false);
}

// Whole pages from the system, asked to come as huge pages; bytes is a multiple of kHugePage, and
// the area starts on a huge page's boundary so that the system can give it that way.
char* MapHuge(std::size_t bytes)
{
    const std::size_t span = bytes + kHugePage;
    void* area = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (area == MAP_FAILED)
        throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(area);
    const std::uintptr_t aligned = (start + kHugePage - 1) & ~(kHugePage - 1);
    if (aligned > start)
        ::munmap(area, aligned - start);
    if (const std::size_t tail = start + span - (aligned + bytes); tail > 0)
        ::munmap(reinterpret_cast<void*>(aligned + bytes), tail);
    auto* memory = reinterpret_cast<char*>(aligned);
    ::madvise(memory, bytes, MADV_HUGEPAGE);  // only advice: where it is refused, plain pages do
    return static_cast<char*>(Packable(memory, bytes, true));
}

std::size_t RoundToHugePages(std::size_t bytes)
{
    return (bytes + kHugePage - 1) & ~(kHugePage - 1);
}

// An own block keeps room before and after its text, so that an edit near either end of a long line
// moves the nearer part of the line instead of its tail, and so that a keystroke costs the same in a
// line of 50 MB as in one of 5 KB. The note of that room lies just before the block's header: how
// many bytes of room the allocation has before the note, and the allocation's size.
struct TOwnRoom {
    std::uint64_t Front;
    std::uint64_t Size;
};
constexpr std::size_t kRoomNote = sizeof(TOwnRoom);

TOwnRoom RoomOf(const char* block) noexcept
{
    TOwnRoom room;
    std::memcpy(&room, block - kRoomNote, sizeof room);
    return room;
}

void SetRoom(char* block, TOwnRoom room) noexcept
{
    std::memcpy(block - kRoomNote, &room, sizeof room);
}

// The room past the zero after the text.
std::size_t BackRoom(TOwnRoom room, std::size_t length) noexcept
{
    return room.Size - room.Front - kRoomNote - kLongHeader - length - 1;
}

// The room an edited line gets on either side: enough for many keystrokes, little beside its length
// (a short line costs little to copy, so it gets little).
std::size_t EditRoom(std::size_t length) noexcept
{
    if (length < kLargestPagedBlock)
        return 16 + length / 8;
    return std::clamp<std::size_t>(length / 64, 256, std::size_t{1} << 20);
}

// An own block holding head, middle and tail one after the other, with front bytes of room before
// its note and back bytes after its zero.
char* NewOwnBlock(std::string_view head, std::string_view middle, std::string_view tail, std::size_t front,
                  std::size_t back)
{
    const std::size_t length = head.size() + middle.size() + tail.size();
    if (length > kLengthLimit)
        throw std::length_error("Line too long");
    if (length == 0)
        return gEmptyBlock;
    const std::size_t size = front + kRoomNote + kLongHeader + length + 1 + back;
    auto* memory = static_cast<char*>(Allocate(size));
    // A line of megabytes would otherwise fault in page by page.
    AdviseHugePages(memory, size);
    char* block = memory + front + kRoomNote;
    SetRoom(block, TOwnRoom{front, size});
    block[0] = static_cast<char>(kOwnBlock);
    const auto stored = static_cast<std::uint32_t>(length);
    std::memcpy(block + 1, &stored, sizeof stored);
    char* chars = block + kLongHeader;
    for (const std::string_view piece : {head, middle, tail}) {
        if (!piece.empty())
            std::memcpy(chars, piece.data(), piece.size());
        chars += piece.size();
    }
    *chars = 0;
    return block;
}

// A line of 64 KB or more gets its room at once, so that its first keystroke does not copy it: the
// room is address space that only an edit touches.
char* NewOwnBlock(std::string_view text)
{
    const std::size_t room = text.size() >= 64 * 1024 ? EditRoom(text.size()) : 0;
    return NewOwnBlock(text, {}, {}, room, room);
}

}  // namespace

// The pages that packed text blocks lie in. Lines that move to another store keep their blocks here,
// so the pages belong to every store that may hold such a line, and go with the last of them.
class TSynTextPages {
public:
    TSynTextPages() = default;
    ~TSynTextPages()
    {
        for (const TPage& page : pages_) {
            if (page.Size >= kHugePage)
                ::munmap(page.Start, page.Size);
            else
                std::free(page.Start);
        }
    }
    TSynTextPages(const TSynTextPages&) = delete;
    TSynTextPages& operator=(const TSynTextPages&) = delete;

    char* NewBlock(std::string_view text)
    {
        const std::size_t need = HeaderSize(text.size(), false) + text.size() + 1;
        if (pageSize_ - pageUsed_ < need) {
            const std::size_t size =
                std::max(pages_.empty() ? kFirstPageSize : std::min(pageSize_ * 2, kLargestPageSize), need);
            pages_.reserve(pages_.size() + 1);
            char* page = size >= kHugePage ? MapHuge(RoundToHugePages(size)) : static_cast<char*>(Allocate(size));
            pages_.push_back(TPage{page, size >= kHugePage ? RoundToHugePages(size) : size});
            pageSize_ = pages_.back().Size;
            pageUsed_ = 0;
        }
        char* block = pages_.back().Start + pageUsed_;
        pageUsed_ += need;
        WriteBlock(block, text, false);
        return block;
    }

private:
    struct TPage {
        char* Start;
        std::size_t Size;
    };
    std::vector<TPage> pages_;
    std::size_t pageUsed_ = 0;
    std::size_t pageSize_ = 0;
};

namespace {

char* BlockOf(std::uint64_t bits) noexcept
{
    return reinterpret_cast<char*>(static_cast<std::uintptr_t>(bits & kAddressMask));
}

std::intptr_t ValueOf(std::uint64_t bits) noexcept
{
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(bits >> kValueShift));
}

std::uint64_t PackRecord(const char* block, std::intptr_t value) noexcept
{
    return static_cast<std::uint64_t>(reinterpret_cast<std::uintptr_t>(block)) |
           (static_cast<std::uint64_t>(static_cast<std::uint16_t>(value)) << kValueShift);
}

// Record arrays: small ones from the heap, large ones mapped, so that growing one moves its pages
// instead of copying them and the part never written takes no memory.
void* GrowArray(void* old, std::size_t oldBytes, std::size_t bytes)
{
    if (bytes < kMappedArray) {
        void* grown = std::realloc(old, bytes);
        if (grown == nullptr)
            throw std::bad_alloc();
        return Packable(grown, bytes, false);
    }
    const std::size_t mapped = RoundToHugePages(bytes);
    if (old != nullptr && oldBytes >= kMappedArray) {
        void* grown = ::mremap(old, RoundToHugePages(oldBytes), mapped, MREMAP_MAYMOVE);
        if (grown == MAP_FAILED)
            throw std::bad_alloc();
        ::madvise(grown, mapped, MADV_HUGEPAGE);
        // The system hands out addresses beyond 48 bits only when asked to, so the moved area
        // fits like every other.
        return grown;
    }
    char* grown = MapHuge(mapped);
    if (old != nullptr) {
        std::memcpy(grown, old, oldBytes);
        std::free(old);
    }
    return grown;
}

void FreeArray(void* array, std::size_t bytes) noexcept
{
    if (array == nullptr)
        return;
    if (bytes >= kMappedArray)
        ::munmap(array, RoundToHugePages(bytes));
    else
        std::free(array);
}

}  // namespace

TSynLineStore::TSynLineStore() noexcept = default;

TSynLineStore::~TSynLineStore()
{
    Clear();
}

TSynLineStore::TSynLineStore(TSynLineStore&& other) noexcept
    : mayHoldValues_(std::exchange(other.mayHoldValues_, false)),
      recs_(std::exchange(other.recs_, nullptr)),
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
        mayHoldValues_ = std::exchange(other.mayHoldValues_, false);
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
        return {gEmptyBlock + 1, 0};
    return BlockText(BlockOf(At(static_cast<std::size_t>(index)).Bits));
}

std::size_t TSynLineStore::GetRange(int first, std::span<std::string_view> views) const noexcept
{
    if (first < 0 || static_cast<std::size_t>(first) >= Size())
        return 0;
    const auto from = static_cast<std::size_t>(first);
    const std::size_t n = std::min(views.size(), Size() - from);
    // The records before the gap, then those after it, without a look at the gap for each.
    std::size_t i = 0;
    for (; i < n && from + i < gapStart_; ++i)
        views[i] = BlockText(BlockOf(recs_[from + i].Bits));
    for (; i < n; ++i)
        views[i] = BlockText(BlockOf(recs_[from + i + gapLength_].Bits));
    return n;
}

std::intptr_t TSynLineStore::GetObject(int index) const noexcept
{
    if (index < 0 || static_cast<std::size_t>(index) >= Size())
        return 0;
    return ValueOf(At(static_cast<std::size_t>(index)).Bits);
}

void TSynLineStore::PutObject(int index, std::intptr_t value) noexcept
{
    if (index < 0 || static_cast<std::size_t>(index) >= Size())
        return;
    std::uint64_t& bits = At(static_cast<std::size_t>(index)).Bits;
    bits = PackRecord(BlockOf(bits), value);
    mayHoldValues_ = mayHoldValues_ || value != 0;
}

void TSynLineStore::PutObjectShared(int index, std::intptr_t value) noexcept
{
    if (index < 0 || static_cast<std::size_t>(index) >= Size())
        return;
    std::uint64_t& bits = At(static_cast<std::size_t>(index)).Bits;
    bits = PackRecord(BlockOf(bits), value);
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
    auto* grown = static_cast<TLineRec*>(GrowArray(recs_, capacity_ * sizeof(TLineRec), capacity * sizeof(TLineRec)));
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
    if (Kind(block) == kOwnBlock)
        std::free(block - kRoomNote - RoomOf(block).Front);
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
    if (text.size() + kLongHeader + 1 > kLargestPagedBlock)
        block = NewOwnBlock(text);
    else if (!text.empty())
        block = Pages().NewBlock(text);
    recs_[gapStart_] = TLineRec{PackRecord(block, 0)};
    ++gapStart_;
    --gapLength_;
}

void TSynLineStore::Insert(int index, std::string_view text, std::intptr_t value)
{
    if (index < 0 || static_cast<std::size_t>(index) > Size())
        return;
    char* block = NewOwnBlock(text);
    try {
        InsertRec(static_cast<std::size_t>(index), TLineRec{PackRecord(block, value)});
        mayHoldValues_ = mayHoldValues_ || value != 0;
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
    ReleaseBlock(BlockOf(rec.Bits));
    rec.Bits = PackRecord(block, ValueOf(rec.Bits));
}

void TSynLineStore::Splice(int index, std::size_t at, std::size_t count, std::string_view text)
{
    if (index < 0 || static_cast<std::size_t>(index) >= Size())
        return;
    TLineRec& rec = At(static_cast<std::size_t>(index));
    char* block = BlockOf(rec.Bits);
    const std::string_view old = BlockText(block);
    at = std::min(at, old.size());
    count = std::min(count, old.size() - at);
    if (text.size() > kLengthLimit - (old.size() - count))
        throw std::length_error("Line too long");
    const std::size_t length = old.size() - count + text.size();
    // A text taken from the line itself would move under the edit.
    std::string aside;
    const auto from = reinterpret_cast<std::uintptr_t>(text.data());
    const auto start = reinterpret_cast<std::uintptr_t>(old.data());
    if (!text.empty() && from >= start && from <= start + old.size())
        text = aside.assign(text);
    if (Kind(block) != kOwnBlock || length == 0) {
        std::string joined;
        joined.reserve(length);
        joined.append(old.substr(0, at)).append(text).append(old.substr(at + count));
        Put(index, joined);
        return;
    }
    const std::size_t tail = old.size() - at - count;
    TOwnRoom room = RoomOf(block);
    const std::size_t back = BackRoom(room, old.size());
    const std::size_t grow = length > old.size() ? length - old.size() : 0;
    const std::size_t shrink = old.size() - (length - grow);
    // The shorter side of the line moves, into the room on its side.
    const bool headMoves = at < tail;
    if (headMoves ? room.Front < grow : back < grow) {
        // Out of room on that side: a new block with room on both sides, the old one kept whole
        // when there is no memory for it.
        const std::size_t edit = EditRoom(length);
        char* fresh = NewOwnBlock(old.substr(0, at), text, old.substr(at + count), edit, edit + grow);
        ReleaseBlock(block);
        rec.Bits = PackRecord(fresh, ValueOf(rec.Bits));
        return;
    }
    if (headMoves) {
        // The note, the header and the text before the edit move left by grow or right by shrink.
        char* moved = block + shrink - grow;
        std::memmove(moved - kRoomNote, block - kRoomNote, kRoomNote + kLongHeader + at);
        room.Front = room.Front + shrink - grow;
        block = moved;
    } else {
        std::memmove(block + kLongHeader + at + text.size(), block + kLongHeader + at + count, tail);
    }
    char* chars = block + kLongHeader;
    if (!text.empty())
        std::memcpy(chars + at, text.data(), text.size());
    const auto stored = static_cast<std::uint32_t>(length);
    std::memcpy(block + 1, &stored, sizeof stored);
    chars[length] = 0;
    SetRoom(block, room);
    rec.Bits = PackRecord(block, ValueOf(rec.Bits));
    if (room.Front + BackRoom(room, length) > length + 4 * EditRoom(length)) {
        // More room than text after a large deletion: giving it back is a favour to the system, and
        // the block stays as it is if that is refused. It costs a copy of no more than was deleted.
        try {
            const std::size_t edit = EditRoom(length);
            char* fresh = NewOwnBlock(std::string_view(chars, length), {}, {}, edit, edit);
            ReleaseBlock(block);
            rec.Bits = PackRecord(fresh, ValueOf(rec.Bits));
        } catch (const std::bad_alloc&) {
        }
    }
}

void TSynLineStore::Erase(int index) noexcept
{
    if (index < 0 || static_cast<std::size_t>(index) >= Size())
        return;
    ReleaseBlock(BlockOf(At(static_cast<std::size_t>(index)).Bits));
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
    out.mayHoldValues_ = mayHoldValues_;
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
    mayHoldValues_ = mayHoldValues_ || lines.mayHoldValues_;
    MoveGap(static_cast<std::size_t>(index));
    const std::size_t before = lines.gapStart_;
    const std::size_t after = n - before;
    std::memcpy(recs_ + gapStart_, lines.recs_, before * sizeof(TLineRec));
    std::memcpy(recs_ + gapStart_ + before, lines.recs_ + lines.gapStart_ + lines.gapLength_, after * sizeof(TLineRec));
    gapStart_ += n;
    gapLength_ -= n;
    // The records have moved here: the other store forgets them without letting their blocks go.
    FreeArray(std::exchange(lines.recs_, nullptr), lines.capacity_ * sizeof(TLineRec));
    lines.capacity_ = lines.gapStart_ = lines.gapLength_ = 0;
    lines.Clear();
}

void TSynLineStore::ZeroValues(int index, int count) noexcept
{
    if (index < 0 || count <= 0 || !mayHoldValues_)
        return;
    const auto first = static_cast<std::size_t>(index);
    const std::size_t last = std::min(Size(), first + static_cast<std::size_t>(count));
    ForEachRecord(first, last, [](TLineRec& rec) { rec.Bits &= kAddressMask; });
    if (first == 0 && last == Size())
        mayHoldValues_ = false;
}

void TSynLineStore::Clear() noexcept
{
    ForEachRecord(0, Size(), [](TLineRec& rec) { ReleaseBlock(BlockOf(rec.Bits)); });
    FreeArray(std::exchange(recs_, nullptr), capacity_ * sizeof(TLineRec));
    mayHoldValues_ = false;
    capacity_ = gapStart_ = gapLength_ = 0;
    owners_.clear();
    pages_.reset();
    valuesTag_ = 0;
}

}  // namespace pindle
