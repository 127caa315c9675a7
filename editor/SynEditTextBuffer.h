// The editor's line list: each line an 8-bit text (no line-end characters) and one pointer-sized
// value that holds the highlighter state at the start of the line. Every change runs inside the
// list's update bracket and fires its own event there.
#pragma once

#include "highlight/SynEditMethod.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pindle {

using TSynListEvent = TMethod<>;
using TSynListIndexEvent = TMethod<int>;

class TSynEditList {
public:
    TSynEditList() = default;
    ~TSynEditList();
    TSynEditList(const TSynEditList&) = delete;
    TSynEditList& operator=(const TSynEditList&) = delete;

    [[nodiscard]] int Count() const noexcept { return static_cast<int>(Size()); }
    // "" outside 0..Count-1. The view stays valid until that line changes or is deleted, and the
    // byte just past its end is always a zero, so it can be handed to a highlighter as it is.
    [[nodiscard]] std::string_view Get(int index) const noexcept;
    [[nodiscard]] std::intptr_t GetObject(int index) const noexcept;
    // Stores the value silently (no event); outside 0..Count-1 it does nothing.
    void PutObject(int index, std::intptr_t value) noexcept;

    // Appends a line; returns its index. Fires LineAdded.
    int Add(std::string_view text);
    // index from 0 to Count; the new line's value is 0. Fires LineInserted(index).
    void Insert(int index, std::string_view text);
    // Fires LineDeleted(index) after the deletion; an index outside the list changes nothing.
    void Delete(int index);
    // Replaces the text, keeping the value; fires LineReplaced(index). Put on line 0 of an empty list
    // appends instead (LineAdded); any other index outside the list changes nothing.
    void Put(int index, std::string_view text);
    // Fires LinesCleared before the lines go.
    void Clear();
    // Appends every line in one call; fires LinesBulkAdded once, and no LineAdded.
    void AddStrings(const TSynEditList& other);
    void AddStrings(std::span<const std::string> lines);
    // Empties the list and appends the other's lines in bulk.
    void Assign(const TSynEditList& other);
    // Empties the list and appends the text's lines one by one (each fires LineAdded). Lines end in
    // CR LF, LF or CR; a break at the very end does not start another line.
    void SetText(std::string_view text);
    // Every line followed by CR LF.
    [[nodiscard]] std::string Text() const;

    // The update bracket. Changing fires when the outermost bracket opens, Changed when it closes.
    void BeginUpdate();
    void EndUpdate();
    [[nodiscard]] int UpdateCount() const noexcept { return updateCount_; }

    TSynListEvent OnLineAdded;
    TSynListEvent OnLinesCleared;
    TSynListIndexEvent OnLineDeleted;
    TSynListIndexEvent OnLineInserted;
    TSynListIndexEvent OnLineReplaced;
    TSynListEvent OnLinesBulkAdded;
    TSynListEvent OnChanging;
    TSynListEvent OnChanged;

private:
    // One line: its text block and its value, 16 bytes. The block holds a 32-bit length, the
    // characters and a zero; lines appended by Add share large pages, edited lines own their block.
    struct TLineRec {
        char* Block;
        std::intptr_t Object;
    };
    class TUpdateScope;

    [[nodiscard]] std::size_t Size() const noexcept { return recs_.size() - gapLength_; }
    [[nodiscard]] TLineRec& At(std::size_t index) noexcept;
    [[nodiscard]] const TLineRec& At(std::size_t index) const noexcept;
    void InsertRec(std::size_t index, TLineRec rec);
    void EraseRec(std::size_t index) noexcept;
    void MoveGap(std::size_t position) noexcept;
    void GrowGap(std::size_t minimum);

    [[nodiscard]] char* NewPagedBlock(std::string_view text);
    [[nodiscard]] static char* NewOwnBlock(std::string_view text);
    void ReleaseBlock(char* block) noexcept;
    void ReleaseAll() noexcept;
    void AppendLine(std::string_view text);

    // Line records in a gap buffer: inserting and deleting at the same place again and again moves
    // nothing, and a jump moves only the records between the old and the new place.
    std::vector<TLineRec> recs_;
    std::size_t gapStart_ = 0;
    std::size_t gapLength_ = 0;

    std::vector<char*> pages_;
    std::size_t pageUsed_ = 0;
    std::size_t pageSize_ = 0;
    int updateCount_ = 0;
};

}  // namespace pindle
