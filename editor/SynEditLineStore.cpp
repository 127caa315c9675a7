#include "editor/SynEditLineStore.h"

#include "platform/HugePages.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <cstring>
#include <new>
#include <stdexcept>
#include <string>
#include <sys/mman.h>
#include <utility>

namespace pindle {

namespace {

// A text block of a line of its own: a header, the characters, a zero. The header's first byte
// tells its kind: kOwnBlock (a block with an allocation of its own) is followed by the 32-bit
// length; the one block of an empty line starts with a zero, its length.
constexpr unsigned char kOwnBlock = 0xFF;
constexpr std::size_t kLongHeader = 1 + sizeof(std::uint32_t);
constexpr std::size_t kLengthLimit = 0x7FFFFFFFu;
// Pages start small, so that a store of a few lines costs little, and double up to this size: one
// huge page of the system, which a file being read fills with one page fault instead of 512.
constexpr std::size_t kFirstPageSize = 4 * 1024;
constexpr std::size_t kHugePage = 2 * 1024 * 1024;
constexpr std::size_t kLargestPageSize = kHugePage;
// Longer lines get their own block instead of filling a leaf with one line.
constexpr std::size_t kLargestLeafLine = 4090;
// A leaf holds up to kLeafLines lines in up to kLeafBytes bytes, so that two bytes tell where a
// line ends in it.
constexpr std::size_t kLeafLines = 128;
constexpr std::size_t kLeafBytes = 0xFFFF;
// In a leaf, a line with a block of its own takes the block's address.
constexpr std::size_t kPointer = sizeof(char*);
__extension__ typedef unsigned __int128 TLineBits;
static_assert(sizeof(TLineBits) * 8 == kLeafLines, "one bit per line of a leaf");

// The block of an empty edited line, shared by all of them, and the text of a line that is not there.
char gEmptyBlock[2] = {};

unsigned char Kind(const char* block) noexcept
{
    return static_cast<unsigned char>(block[0]);
}

std::string_view BlockText(const char* block) noexcept
{
    if (Kind(block) != kOwnBlock)
        return {block + 1, 0};
    std::uint32_t length;
    std::memcpy(&length, block + 1, sizeof length);
    return {block + kLongHeader, length};
}

void* Allocate(std::size_t bytes)
{
    void* memory = std::malloc(bytes);
    if (memory == nullptr)
        throw std::bad_alloc();
    return memory;
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
    return memory;
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
    if (length < kLargestLeafLine)
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

void ReleaseBlock(char* block) noexcept
{
    if (Kind(block) == kOwnBlock)
        std::free(block - kRoomNote - RoomOf(block).Front);
}

// Stamps for the stores' versions: no two stores, and no two versions of one, share one.
std::atomic<std::uint64_t> gVersions{0};

std::uint64_t NewVersion() noexcept
{
    return gVersions.fetch_add(1, std::memory_order_relaxed) + 1;
}

// The last look-up of this thread, so that a pass over the lines finds each one in the leaf of the
// one before.
struct TFinger {
    std::uint64_t Version = 0;
    std::size_t Position = 0;
    std::size_t First = 0;
};
thread_local TFinger tFinger;

}  // namespace

// The pages that a file's lines are read into. Leaves that move to another store keep their texts
// here, so the pages belong to every store that may hold such a leaf, and go with the last of them.
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

    // Whether the next need bytes taken will lie at end.
    [[nodiscard]] bool Follows(const char* end, std::size_t need) const noexcept
    {
        return !pages_.empty() && end == pages_.back().Start + pageUsed_ && pageSize_ - pageUsed_ >= need;
    }

    // need bytes at a multiple of align (at most 16), just after the ones taken last while the
    // page has room for them.
    char* Take(std::size_t need, std::size_t align = 1)
    {
        const std::size_t skip = (align - pageUsed_ % align) % align;
        if (pageSize_ - pageUsed_ < need + skip)
            NewPage(need);
        else
            pageUsed_ += skip;
        char* at = pages_.back().Start + pageUsed_;
        pageUsed_ += need;
        return at;
    }

private:
    struct TPage {
        char* Start;
        std::size_t Size;
    };

    [[gnu::noinline]] void NewPage(std::size_t need)
    {
        const std::size_t size =
            std::max(pages_.empty() ? kFirstPageSize : std::min(pageSize_ * 2, kLargestPageSize), need);
        pages_.reserve(pages_.size() + 1);
        char* page = size >= kHugePage ? MapHuge(RoundToHugePages(size)) : static_cast<char*>(Allocate(size));
        pages_.push_back(TPage{page, size >= kHugePage ? RoundToHugePages(size) : size});
        pageSize_ = pages_.back().Size;
        pageUsed_ = 0;
    }

    std::vector<TPage> pages_;
    std::size_t pageUsed_ = 0;
    std::size_t pageSize_ = 0;
};

// A run of lines. Line j's bytes run from Start(j) to Ends[j] in Text: its characters and a zero,
// or, when its bit in Own is set, the address of its own block.
struct TSynLineStore::TLeaf {
    char* Text = nullptr;
    // Bytes of Text on the heap; 0 while Text lies in a store's pages (where the leaf may shrink
    // its bytes but not grow them).
    std::uint32_t Capacity = 0;
    std::uint16_t Count = 0;
    // Whether the leaf itself lies in a store's pages (and goes with them).
    bool InPages = false;
    TLineBits Own = 0;
    std::uint16_t Ends[kLeafLines];
    std::int16_t Values[kLeafLines];

    [[nodiscard]] std::size_t Start(std::size_t j) const noexcept { return j == 0 ? 0 : Ends[j - 1]; }
    [[nodiscard]] std::size_t Used() const noexcept { return Count == 0 ? 0 : Ends[Count - 1]; }
    [[nodiscard]] bool IsOwn(std::size_t j) const noexcept { return ((Own >> j) & 1) != 0; }
    [[nodiscard]] char* Block(std::size_t j) const noexcept
    {
        char* block;
        std::memcpy(&block, Text + Start(j), sizeof block);
        return block;
    }
    void SetBlock(std::size_t j, char* block) noexcept { std::memcpy(Text + Start(j), &block, sizeof block); }
    [[nodiscard]] std::string_view Line(std::size_t j) const noexcept
    {
        const std::size_t start = Start(j);
        if (IsOwn(j))
            return BlockText(Block(j));
        return {Text + start, Ends[j] - start - 1u};
    }

    // Room for more bytes in a buffer of the leaf's own; the leaf is as it was when there is no
    // memory for it.
    void MakeRoom(std::size_t more)
    {
        const std::size_t used = Used();
        const std::size_t need = used + more;
        if (Capacity >= need)
            return;
        const std::size_t capacity = std::max(need, std::min(kLeafBytes, std::max<std::size_t>(256, used + used / 2)));
        auto* text = static_cast<char*>(Allocate(capacity));
        if (used > 0)
            std::memcpy(text, Text, used);
        if (Capacity > 0)
            std::free(Text);
        Text = text;
        Capacity = static_cast<std::uint32_t>(capacity);
    }

    // Makes line j (0 to Count) a new line of the given bytes and value; the leaf has a line and
    // the bytes to spare.
    void InsertLine(std::size_t j, const void* bytes, std::size_t n, bool own, std::int16_t value)
    {
        MakeRoom(n);
        const std::size_t start = Start(j);
        std::memmove(Text + start + n, Text + start, Used() - start);
        std::memcpy(Text + start, bytes, n);
        for (std::size_t i = Count; i > j; --i) {
            Ends[i] = static_cast<std::uint16_t>(Ends[i - 1] + n);
            Values[i] = Values[i - 1];
        }
        Ends[j] = static_cast<std::uint16_t>(start + n);
        Values[j] = value;
        const TLineBits below = Own & ((TLineBits{1} << j) - 1);
        const TLineBits above = j + 1 < kLeafLines ? (Own >> j) << (j + 1) : 0;
        Own = below | above | (TLineBits{own} << j);
        ++Count;
    }

    void RemoveLine(std::size_t j) noexcept
    {
        const std::size_t start = Start(j);
        const std::size_t n = Ends[j] - start;
        std::memmove(Text + start, Text + Ends[j], Used() - Ends[j]);
        for (std::size_t i = j; i + 1 < Count; ++i) {
            Ends[i] = static_cast<std::uint16_t>(Ends[i + 1] - n);
            Values[i] = Values[i + 1];
        }
        const TLineBits below = Own & ((TLineBits{1} << j) - 1);
        const TLineBits above = j + 1 < kLeafLines ? (Own >> (j + 1)) << j : 0;
        Own = below | above;
        --Count;
    }

    // Line j's bytes become the given ones; the leaf has the bytes to spare.
    void ReplaceLine(std::size_t j, const void* bytes, std::size_t n, bool own)
    {
        const std::size_t start = Start(j);
        const std::size_t old = Ends[j] - start;
        if (n > old)
            MakeRoom(n - old);
        std::memmove(Text + start + n, Text + Ends[j], Used() - Ends[j]);
        std::memcpy(Text + start, bytes, n);
        for (std::size_t i = j; i < Count; ++i)
            Ends[i] = static_cast<std::uint16_t>(Ends[i] + n - old);
        Own = (Own & ~(TLineBits{1} << j)) | (TLineBits{own} << j);
    }

    // A new leaf with lines j to Count - 1, which this one gives up; 0 < j < Count.
    [[nodiscard]] TLeaf* Split(std::size_t j)
    {
        auto* right = new TLeaf;
        const std::size_t start = Start(j);
        const std::size_t bytes = Used() - start;
        if (Capacity == 0) {
            right->Text = Text + start;
        } else {
            try {
                right->Text = static_cast<char*>(Allocate(bytes));
            } catch (...) {
                delete right;
                throw;
            }
            std::memcpy(right->Text, Text + start, bytes);
            right->Capacity = static_cast<std::uint32_t>(bytes);
        }
        right->Count = static_cast<std::uint16_t>(Count - j);
        for (std::size_t i = 0; i < right->Count; ++i) {
            right->Ends[i] = static_cast<std::uint16_t>(Ends[j + i] - start);
            right->Values[i] = Values[j + i];
        }
        right->Own = Own >> j;
        Own &= (TLineBits{1} << j) - 1;
        Count = static_cast<std::uint16_t>(j);
        return right;
    }

    static void Free(TLeaf* leaf) noexcept
    {
        for (std::size_t j = 0; leaf->Own != 0 && j < leaf->Count; ++j) {
            if (leaf->IsOwn(j))
                ReleaseBlock(leaf->Block(j));
        }
        if (leaf->Capacity > 0)
            std::free(leaf->Text);
        if (!leaf->InPages)
            delete leaf;
    }
};

TSynLineStore::TSynLineStore() noexcept : version_(NewVersion()) {}

TSynLineStore::~TSynLineStore()
{
    Clear();
}

TSynLineStore::TSynLineStore(TSynLineStore&& other) noexcept
    : leaves_(std::move(other.leaves_)),
      firsts_(std::move(other.firsts_)),
      firstsFrom_(std::exchange(other.firstsFrom_, 0)),
      size_(std::exchange(other.size_, 0)),
      version_(NewVersion()),
      mayHoldValues_(std::exchange(other.mayHoldValues_, false)),
      pages_(std::move(other.pages_)),
      owners_(std::move(other.owners_)),
      valuesTag_(std::exchange(other.valuesTag_, 0))
{
    other.leaves_.clear();
    other.firsts_.clear();
    other.owners_.clear();
    other.version_ = NewVersion();
}

TSynLineStore& TSynLineStore::operator=(TSynLineStore&& other) noexcept
{
    if (this != &other) {
        Clear();
        leaves_ = std::move(other.leaves_);
        firsts_ = std::move(other.firsts_);
        firstsFrom_ = std::exchange(other.firstsFrom_, 0);
        size_ = std::exchange(other.size_, 0);
        mayHoldValues_ = std::exchange(other.mayHoldValues_, false);
        pages_ = std::move(other.pages_);
        owners_ = std::move(other.owners_);
        valuesTag_ = std::exchange(other.valuesTag_, 0);
        other.leaves_.clear();
        other.firsts_.clear();
        other.owners_.clear();
        other.version_ = NewVersion();
        version_ = NewVersion();
    }
    return *this;
}

void TSynLineStore::Reindex() const noexcept
{
    for (std::size_t k = firstsFrom_; k < leaves_.size(); ++k)
        firsts_[k] = k == 0 ? 0 : firsts_[k - 1] + leaves_[k - 1]->Count;
    firstsFrom_ = leaves_.size();
}

void TSynLineStore::Changed(std::size_t fromLeaf) noexcept
{
    firstsFrom_ = std::min(firstsFrom_, fromLeaf);
    version_ = NewVersion();
}

TSynLineStore::TPlace TSynLineStore::Locate(std::size_t index) const noexcept
{
    TFinger& finger = tFinger;
    if (finger.Version == version_) {
        // The leaf of the last look-up, or the one after it. Lines appended since then only add
        // to the last leaf, or add leaves after it.
        const TLeaf* leaf = leaves_[finger.Position];
        if (index >= finger.First && index - finger.First < leaf->Count)
            return {leaves_[finger.Position], index - finger.First, finger.Position};
        if (index == finger.First + leaf->Count && finger.Position + 1 < leaves_.size()) {
            finger.First = index;
            ++finger.Position;
            return {leaves_[finger.Position], 0, finger.Position};
        }
    }
    if (firstsFrom_ < leaves_.size())
        Reindex();
    const auto position =
        static_cast<std::size_t>(std::upper_bound(firsts_.begin(), firsts_.end(), index) - firsts_.begin()) - 1;
    finger = TFinger{version_, position, firsts_[position]};
    return {leaves_[position], index - firsts_[position], position};
}

void TSynLineStore::ReserveLeaves(std::size_t more)
{
    const std::size_t need = leaves_.size() + more;
    if (leaves_.capacity() < need)
        leaves_.reserve(std::max(need, leaves_.size() + leaves_.size() / 2 + 16));
    if (firsts_.capacity() < need)
        firsts_.reserve(leaves_.capacity());
}

void TSynLineStore::SplitLeaf(std::size_t position, std::size_t line)
{
    ReserveLeaves(1);
    TLeaf* right = leaves_[position]->Split(line);
    leaves_.insert(leaves_.begin() + static_cast<std::ptrdiff_t>(position) + 1, right);
    firsts_.insert(firsts_.begin() + static_cast<std::ptrdiff_t>(position) + 1, 0);
    Changed(position + 1);
}

std::size_t TSynLineStore::SplitAt(std::size_t index)
{
    if (index == 0)
        return 0;
    if (index >= size_)
        return leaves_.size();
    const TPlace place = Locate(index);
    if (place.Line == 0)
        return place.Position;
    SplitLeaf(place.Position, place.Line);
    return place.Position + 1;
}

TSynLineStore::TPlace TSynLineStore::PlaceWithRoom(std::size_t index, std::size_t bytes, bool newLine)
{
    if (leaves_.empty()) {
        // The first leaf comes with the room asked for, so that no empty leaf is left behind when
        // there is no memory for it.
        ReserveLeaves(1);
        auto* leaf = new TLeaf;
        try {
            leaf->MakeRoom(bytes);
        } catch (...) {
            delete leaf;
            throw;
        }
        leaves_.push_back(leaf);
        firsts_.push_back(0);
        Changed(0);
    }
    TPlace place{};
    if (index < size_) {
        place = Locate(index);
    } else {
        place.Position = leaves_.size() - 1;
        place.Leaf = leaves_.back();
        place.Line = place.Leaf->Count;
    }
    // A full leaf is split in two, and then the half the line is in, until it has the room.
    while ((newLine && place.Leaf->Count >= kLeafLines) || place.Leaf->Used() + bytes > kLeafBytes) {
        const std::size_t half = place.Leaf->Count / 2;
        SplitLeaf(place.Position, half);
        if (place.Line >= half) {
            ++place.Position;
            place.Line -= half;
        }
        place.Leaf = leaves_[place.Position];
    }
    return place;
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

std::string_view TSynLineStore::Get(int index) const noexcept
{
    if (index < 0 || static_cast<std::size_t>(index) >= size_)
        return {gEmptyBlock + 1, 0};
    const TPlace place = Locate(static_cast<std::size_t>(index));
    return place.Leaf->Line(place.Line);
}

std::size_t TSynLineStore::GetRange(int first, std::span<std::string_view> views) const noexcept
{
    if (first < 0 || static_cast<std::size_t>(first) >= size_)
        return 0;
    const std::size_t n = std::min(views.size(), size_ - static_cast<std::size_t>(first));
    const TPlace place = Locate(static_cast<std::size_t>(first));
    std::size_t position = place.Position;
    std::size_t j = place.Line;
    for (std::size_t i = 0; i < n; ++position, j = 0) {
        const TLeaf* leaf = leaves_[position];
        if (position + 1 < leaves_.size())
            __builtin_prefetch(leaves_[position + 1]);
        const std::size_t stop = std::min<std::size_t>(leaf->Count, j + (n - i));
        if (leaf->Own != 0) {
            for (; j < stop; ++j, ++i)
                views[i] = leaf->Line(j);
            continue;
        }
        // A leaf of lines that all lie in it, the common case, is walked from end to end.
        std::size_t start = leaf->Start(j);
        // The caller reads the texts next: they are asked for now, while the ends are worked out.
        for (std::size_t at = start; at < leaf->Ends[stop - 1]; at += 64)
            __builtin_prefetch(leaf->Text + at);
        for (; j < stop; ++j, ++i) {
            const std::size_t end = leaf->Ends[j];
            views[i] = std::string_view(leaf->Text + start, end - start - 1);
            start = end;
        }
    }
    return n;
}

std::intptr_t TSynLineStore::GetObject(int index) const noexcept
{
    if (index < 0 || static_cast<std::size_t>(index) >= size_)
        return 0;
    const TPlace place = Locate(static_cast<std::size_t>(index));
    return place.Leaf->Values[place.Line];
}

void TSynLineStore::PutObject(int index, std::intptr_t value) noexcept
{
    if (index < 0 || static_cast<std::size_t>(index) >= size_)
        return;
    const TPlace place = Locate(static_cast<std::size_t>(index));
    place.Leaf->Values[place.Line] = static_cast<std::int16_t>(static_cast<std::uint16_t>(value));
    mayHoldValues_ = mayHoldValues_ || value != 0;
}

void TSynLineStore::PutObjectsShared(int first, std::span<const std::intptr_t> values) noexcept
{
    if (first < 0 || static_cast<std::size_t>(first) >= size_)
        return;
    const std::size_t n = std::min(values.size(), size_ - static_cast<std::size_t>(first));
    const TPlace place = Locate(static_cast<std::size_t>(first));
    std::size_t position = place.Position;
    std::size_t j = place.Line;
    for (std::size_t i = 0; i < n; ++position, j = 0) {
        TLeaf* leaf = leaves_[position];
        for (; j < leaf->Count && i < n; ++j, ++i)
            leaf->Values[j] = static_cast<std::int16_t>(static_cast<std::uint16_t>(values[i]));
    }
}

void TSynLineStore::Append(std::string_view text)
{
    // Filling a store from a file runs through here once per line: the common case (room in the
    // last leaf and in the page just after its bytes) costs a copy of the text and two stores.
    const bool own = text.size() > kLargestLeafLine;
    char* block = own ? NewOwnBlock(text) : nullptr;
    const std::size_t need = own ? kPointer : text.size() + 1;
    try {
        TSynTextPages& pages = Pages();
        TLeaf* leaf = leaves_.empty() ? nullptr : leaves_.back();
        char* at = nullptr;
        if (leaf != nullptr && leaf->Capacity == 0 && leaf->Count < kLeafLines && leaf->Used() + need <= kLeafBytes &&
            pages.Follows(leaf->Text + leaf->Used(), need)) {
            at = pages.Take(need);
        } else {
            // A new leaf, in the pages just before its text.
            static_assert(alignof(TLeaf) <= 16, "pages hand out memory at multiples of 16 at most");
            ReserveLeaves(1);
            leaf = new (pages.Take(sizeof(TLeaf), alignof(TLeaf))) TLeaf;
            leaf->InPages = true;
            at = pages.Take(need);
            leaf->Text = at;
            leaves_.push_back(leaf);
            firsts_.push_back(size_);
            if (firstsFrom_ + 1 == leaves_.size())
                firstsFrom_ = leaves_.size();
        }
        if (own) {
            std::memcpy(at, &block, kPointer);
            leaf->Own |= TLineBits{1} << leaf->Count;
        } else {
            if (!text.empty())
                std::memcpy(at, text.data(), text.size());
            at[text.size()] = 0;
        }
        leaf->Ends[leaf->Count] = static_cast<std::uint16_t>(leaf->Used() + need);
        leaf->Values[leaf->Count] = 0;
        ++leaf->Count;
        ++size_;
    } catch (...) {
        if (block != nullptr)
            ReleaseBlock(block);
        throw;
    }
}

void TSynLineStore::Insert(int index, std::string_view text, std::intptr_t value)
{
    if (index < 0 || static_cast<std::size_t>(index) > size_)
        return;
    char* block = NewOwnBlock(text);
    try {
        const TPlace place = PlaceWithRoom(static_cast<std::size_t>(index), kPointer, true);
        place.Leaf->InsertLine(place.Line, &block, kPointer, true,
                               static_cast<std::int16_t>(static_cast<std::uint16_t>(value)));
        ++size_;
        Changed(place.Position + 1);
        mayHoldValues_ = mayHoldValues_ || value != 0;
    } catch (...) {
        ReleaseBlock(block);
        throw;
    }
}

void TSynLineStore::Put(int index, std::string_view text)
{
    if (index < 0 || static_cast<std::size_t>(index) >= size_)
        return;
    // The new text may be a view of the old one: make the copy before letting the old go.
    char* block = NewOwnBlock(text);
    TPlace place = Locate(static_cast<std::size_t>(index));
    if (place.Leaf->IsOwn(place.Line)) {
        char* old = place.Leaf->Block(place.Line);
        place.Leaf->SetBlock(place.Line, block);
        ReleaseBlock(old);
        return;
    }
    try {
        const std::size_t old = place.Leaf->Ends[place.Line] - place.Leaf->Start(place.Line);
        place = PlaceWithRoom(static_cast<std::size_t>(index), old < kPointer ? kPointer - old : 0, false);
        place.Leaf->ReplaceLine(place.Line, &block, kPointer, true);
    } catch (...) {
        ReleaseBlock(block);
        throw;
    }
}

void TSynLineStore::Splice(int index, std::size_t at, std::size_t count, std::string_view text)
{
    if (index < 0 || static_cast<std::size_t>(index) >= size_)
        return;
    const TPlace place = Locate(static_cast<std::size_t>(index));
    char* block = place.Leaf->IsOwn(place.Line) ? place.Leaf->Block(place.Line) : nullptr;
    const std::string_view old = place.Leaf->Line(place.Line);
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
    // A line that lies in its leaf (or in the empty block) becomes one with a block of its own.
    if (block == nullptr || Kind(block) != kOwnBlock || length == 0) {
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
        place.Leaf->SetBlock(place.Line, fresh);
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
    place.Leaf->SetBlock(place.Line, block);
    if (room.Front + BackRoom(room, length) > length + 4 * EditRoom(length)) {
        // More room than text after a large deletion: giving it back is a favour to the system, and
        // the block stays as it is if that is refused. It costs a copy of no more than was deleted.
        try {
            const std::size_t edit = EditRoom(length);
            char* fresh = NewOwnBlock(std::string_view(chars, length), {}, {}, edit, edit);
            ReleaseBlock(block);
            place.Leaf->SetBlock(place.Line, fresh);
        } catch (const std::bad_alloc&) {
        }
    }
}

void TSynLineStore::Erase(int index) noexcept
{
    if (index < 0 || static_cast<std::size_t>(index) >= size_)
        return;
    const TPlace place = Locate(static_cast<std::size_t>(index));
    if (place.Leaf->IsOwn(place.Line))
        ReleaseBlock(place.Leaf->Block(place.Line));
    place.Leaf->RemoveLine(place.Line);
    --size_;
    if (place.Leaf->Count == 0) {
        TLeaf::Free(place.Leaf);
        leaves_.erase(leaves_.begin() + static_cast<std::ptrdiff_t>(place.Position));
        firsts_.erase(firsts_.begin() + static_cast<std::ptrdiff_t>(place.Position));
        Changed(place.Position);
    } else {
        Changed(place.Position + 1);
    }
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
    if (index < 0 || count <= 0 || static_cast<std::size_t>(index) >= size_)
        return out;
    const auto first = static_cast<std::size_t>(index);
    const std::size_t n = std::min(static_cast<std::size_t>(count), size_ - first);
    // The range is made whole leaves, which then move without their texts.
    const std::size_t from = SplitAt(first);
    const std::size_t to = SplitAt(first + n);
    const auto begin = leaves_.begin() + static_cast<std::ptrdiff_t>(from);
    const auto end = leaves_.begin() + static_cast<std::ptrdiff_t>(to);
    // Whatever may fail comes before the leaves change hands.
    out.owners_ = owners_;
    out.firsts_.resize(to - from);
    out.leaves_.assign(begin, end);
    out.mayHoldValues_ = mayHoldValues_;
    out.size_ = n;
    leaves_.erase(begin, end);
    firsts_.erase(firsts_.begin() + static_cast<std::ptrdiff_t>(from), firsts_.begin() + static_cast<std::ptrdiff_t>(to));
    size_ -= n;
    Changed(from);
    return out;
}

void TSynLineStore::InsertLines(int index, TSynLineStore&& lines)
{
    if (&lines == this || index < 0 || static_cast<std::size_t>(index) > size_)
        return;
    if (lines.size_ == 0)
        return;
    if (size_ == 0) {
        // Nothing of this store's own is left: the other's lines, pages and all, take its place.
        const std::intptr_t tag = valuesTag_;
        *this = std::move(lines);
        valuesTag_ = tag;
        return;
    }
    owners_.reserve(owners_.size() + lines.owners_.size());
    ReserveLeaves(lines.leaves_.size() + 1);
    const std::size_t at = SplitAt(static_cast<std::size_t>(index));
    ShareOwnersOf(lines);
    mayHoldValues_ = mayHoldValues_ || lines.mayHoldValues_;
    leaves_.insert(leaves_.begin() + static_cast<std::ptrdiff_t>(at), lines.leaves_.begin(), lines.leaves_.end());
    firsts_.insert(firsts_.begin() + static_cast<std::ptrdiff_t>(at), lines.leaves_.size(), 0);
    size_ += lines.size_;
    Changed(at);
    // The leaves have moved here: the other store forgets them without letting them go.
    lines.leaves_.clear();
    lines.firsts_.clear();
    lines.size_ = 0;
    lines.Clear();
}

void TSynLineStore::ZeroValues(int index, int count) noexcept
{
    if (index < 0 || count <= 0 || !mayHoldValues_ || static_cast<std::size_t>(index) >= size_)
        return;
    const auto first = static_cast<std::size_t>(index);
    const std::size_t last = std::min(size_, first + static_cast<std::size_t>(count));
    TPlace place = Locate(first);
    std::size_t j = place.Line;
    for (std::size_t i = first; i < last; ++i, ++j) {
        if (j == place.Leaf->Count) {
            place.Leaf = leaves_[++place.Position];
            j = 0;
        }
        place.Leaf->Values[j] = 0;
    }
    if (first == 0 && last == size_)
        mayHoldValues_ = false;
}

void TSynLineStore::Clear() noexcept
{
    for (TLeaf* leaf : leaves_)
        TLeaf::Free(leaf);
    leaves_.clear();
    firsts_.clear();
    firstsFrom_ = 0;
    size_ = 0;
    version_ = NewVersion();
    mayHoldValues_ = false;
    owners_.clear();
    pages_.reset();
    valuesTag_ = 0;
}

}  // namespace pindle
