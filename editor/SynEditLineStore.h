// Lines as the editor keeps them, without any events: each line's text (8-bit, no line-end characters)
// and one small value (16 bits, signed: a line's highlighter state). A line list holds one store; a block of lines taken out of it (for the
// undo history, or read from a file before it replaces the pane's text) is a store of its own, and
// lines move between stores without their texts being copied.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

namespace pindle {

class TSynTextPages;

class TSynLineStore {
public:
    TSynLineStore() noexcept;
    ~TSynLineStore();
    TSynLineStore(TSynLineStore&& other) noexcept;
    TSynLineStore& operator=(TSynLineStore&& other) noexcept;
    TSynLineStore(const TSynLineStore&) = delete;
    TSynLineStore& operator=(const TSynLineStore&) = delete;

    [[nodiscard]] int Count() const noexcept { return static_cast<int>(Size()); }
    [[nodiscard]] bool Empty() const noexcept { return Size() == 0; }
    // "" outside 0..Count-1. The byte just past the text is always a zero.
    [[nodiscard]] std::string_view Get(int index) const noexcept;
    // Views of lines first, first + 1 ... into views, as many as fit and exist; returns how many.
    std::size_t GetRange(int first, std::span<std::string_view> views) const noexcept;
    // The value as stored: the low 16 bits of what was put, sign-extended.
    [[nodiscard]] std::intptr_t GetObject(int index) const noexcept;
    void PutObject(int index, std::intptr_t value) noexcept;
    // Two threads may store values at once, each into lines the other neither reads nor writes,
    // once PrepareSharedPuts has been called and until the next other change of the store.
    void PrepareSharedPuts() noexcept { mayHoldValues_ = true; }
    void PutObjectShared(int index, std::intptr_t value) noexcept;

    // Appends a line whose text is packed into the store's large pages; its value is 0. Meant for
    // filling a store line after line (a file being read): the pages are given back only with the
    // whole store.
    void Append(std::string_view text);
    // Inserts a line with a text block of its own (an edited line); index from 0 to Count.
    void Insert(int index, std::string_view text, std::intptr_t value = 0);
    // Replaces the text and keeps the value.
    void Put(int index, std::string_view text);
    // Replaces count bytes from byte at on (both held to the text) with text, keeping the value. A line
    // with a block of its own is changed where it lies: a keystroke in a line of megabytes moves
    // the bytes after it instead of copying the whole line.
    void Splice(int index, std::size_t at, std::size_t count, std::string_view text);
    void Erase(int index) noexcept;
    // Takes count lines from index on out of this store, with their values.
    [[nodiscard]] TSynLineStore Extract(int index, int count);
    // Moves every line of the other store in before index (0 to Count), with their values; the other
    // store is left empty.
    void InsertLines(int index, TSynLineStore&& lines);
    void Clear() noexcept;
    // Sets the values of lines index to index + count - 1 to 0.
    void ZeroValues(int index, int count) noexcept;

    // What the values mean, as the store's user marks it: the line list stamps the lines it gives
    // out, so that it knows its own line states when they come back. 0 when nothing is known.
    [[nodiscard]] std::intptr_t ValuesTag() const noexcept { return valuesTag_; }
    void SetValuesTag(std::intptr_t tag) noexcept { valuesTag_ = tag; }

private:
    // One line in 8 bytes: the address of its text block in the low 48 bits (every address a
    // program gets on the systems it runs on fits), its value in the high 16. The block holds the
    // length (one byte for a short line), the characters and a zero; packed blocks lie in shared
    // pages, the others are allocations of their own.
    struct TLineRec {
        std::uint64_t Bits;
    };

    [[nodiscard]] std::size_t Size() const noexcept { return capacity_ - gapLength_; }
    [[nodiscard]] TLineRec& At(std::size_t index) noexcept;
    [[nodiscard]] const TLineRec& At(std::size_t index) const noexcept;
    void InsertRec(std::size_t index, TLineRec rec);
    // Calls f on the records of lines [first, last) in order, without a look at the gap for each.
    template <typename F>
    void ForEachRecord(std::size_t first, std::size_t last, F&& f) noexcept
    {
        for (std::size_t i = first; i < std::min(last, gapStart_); ++i)
            f(recs_[i]);
        for (std::size_t i = std::max(first, gapStart_); i < last; ++i)
            f(recs_[i + gapLength_]);
    }
    void MoveGap(std::size_t position) noexcept;
    void Reserve(std::size_t minimumGap);
    void ShareOwnersOf(const TSynLineStore& other);
    [[nodiscard]] TSynTextPages& Pages();
    static void ReleaseBlock(char* block) noexcept;

    // Line records in a gap buffer: inserting and deleting at the same place again and again moves
    // nothing, and a jump moves only the records between the old and the new place. A large array is
    // mapped from the system, so the part of it that the gap has never reached takes no memory, and
    // it grows without being copied.
    // Whether a line may hold a value other than 0, so that zeroing the values of lines that never
    // had any costs nothing.
    bool mayHoldValues_ = false;
    TLineRec* recs_ = nullptr;
    std::size_t capacity_ = 0;
    std::size_t gapStart_ = 0;
    std::size_t gapLength_ = 0;
    // The pages this store appends into, and every set of pages that lines of this store may lie in
    // (lines moved in from other stores keep theirs alive).
    std::shared_ptr<TSynTextPages> pages_;
    std::vector<std::shared_ptr<TSynTextPages>> owners_;
    std::intptr_t valuesTag_ = 0;
};

}  // namespace pindle
