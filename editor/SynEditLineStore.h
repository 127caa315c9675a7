// Lines as the editor keeps them, without any events: each line's text (8-bit, no line-end characters)
// and one small value (16 bits, signed: a line's highlighter state). A line list holds one store; a block of lines taken out of it (for the
// undo history, or read from a file before it replaces the pane's text) is a store of its own, and
// lines move between stores without their texts being copied (but for the two leaves split at the
// ends of a range).
#pragma once

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
    // "" outside 0..Count-1. The byte just past the text is always a zero. The view lasts until the
    // store changes other than by values being stored.
    [[nodiscard]] std::string_view Get(int index) const noexcept;
    // Views of lines first, first + 1 ... into views, as many as fit and exist; returns how many.
    std::size_t GetRange(int first, std::span<std::string_view> views) const noexcept;
    // The value as stored: the low 16 bits of what was put, sign-extended.
    [[nodiscard]] std::intptr_t GetObject(int index) const noexcept;
    void PutObject(int index, std::intptr_t value) noexcept;
    // Two threads may read the store and store values at once, each into lines the other neither
    // reads nor writes, once PrepareSharedPuts has been called and until the next other change of
    // the store. Otherwise a store is used by one thread at a time.
    void PrepareSharedPuts() noexcept
    {
        Reindex();
        mayHoldValues_ = true;
    }
    // Stores the values of lines first, first + 1 ... as far as there are lines.
    void PutObjectsShared(int first, std::span<const std::intptr_t> values) noexcept;

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
    struct TLeaf;
    // Where a line lies: its leaf and its place in it.
    struct TPlace {
        TLeaf* Leaf;
        std::size_t Line;
        std::size_t Position;
    };

    [[nodiscard]] std::size_t Size() const noexcept { return size_; }
    // index below Size().
    [[nodiscard]] TPlace Locate(std::size_t index) const noexcept;
    void Reindex() const noexcept;
    void Changed(std::size_t fromLeaf) noexcept;
    // Makes a leaf start at line index (0 to Size) and returns its position in leaves_.
    std::size_t SplitAt(std::size_t index);
    void SplitLeaf(std::size_t position, std::size_t line);
    // The place of line index (Size: the end of the last leaf), in a leaf with room for bytes more,
    // and for a line more when newLine.
    TPlace PlaceWithRoom(std::size_t index, std::size_t bytes, bool newLine);
    void ReserveLeaves(std::size_t more);
    void ShareOwnersOf(const TSynLineStore& other);
    [[nodiscard]] TSynTextPages& Pages();

    // The lines lie in leaves of up to a few hundred lines each: a leaf keeps its lines' texts one
    // after the other in one buffer (a file's lines in the pages the store reads them into), with
    // two bytes of end and two of value per line. Edited lines, and lines too long for a leaf, have
    // text blocks of their own that the leaf points to. A line costs its text, a zero and about four
    // bytes beside it.
    std::vector<TLeaf*> leaves_;
    // The index of the first line of each leaf, good up to leaf firstsFrom_; brought up to date on
    // the next look-up.
    mutable std::vector<std::size_t> firsts_;
    mutable std::size_t firstsFrom_ = 0;
    std::size_t size_ = 0;
    // Changes whenever lines move between leaves, so that a look-up remembered from before is not
    // used again; unique among all stores.
    std::uint64_t version_ = 0;
    // Whether a line may hold a value other than 0, so that zeroing the values of lines that never
    // had any costs nothing.
    bool mayHoldValues_ = false;
    // The pages this store appends into, and every set of pages that lines of this store may lie in
    // (lines moved in from other stores keep theirs alive).
    std::shared_ptr<TSynTextPages> pages_;
    std::vector<std::shared_ptr<TSynTextPages>> owners_;
    std::intptr_t valuesTag_ = 0;
};

}  // namespace pindle
