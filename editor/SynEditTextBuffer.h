// The editor's line list: each line an 8-bit text (no line-end characters) and one small value (16
// bits, signed) that holds the highlighter state at the start of the line. Every change runs inside the
// list's update bracket and fires its own event there; a range of lines inserted or deleted in one
// call fires one event for the whole range.
#pragma once

#include "editor/SynEditLineStore.h"
#include "highlight/SynEditMethod.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace pindle {

using TSynListEvent = TMethod<>;
using TSynListIndexEvent = TMethod<int>;
using TSynListRangeEvent = TMethod<int, int>;
// index, count, and whether the lines came back with the values they had in this list.
using TSynListInsertEvent = TMethod<int, int, bool>;

// Where a Splice changed its line: count bytes from At on replaced by Inserted bytes.
struct TSynSplice {
    int Index = -1;
    std::size_t At = 0;
    std::size_t Removed = 0;
    std::size_t Inserted = 0;
};

class TSynEditList {
public:
    TSynEditList() = default;
    ~TSynEditList() = default;
    TSynEditList(const TSynEditList&) = delete;
    TSynEditList& operator=(const TSynEditList&) = delete;

    [[nodiscard]] int Count() const noexcept { return lines_.Count(); }
    // "" outside 0..Count-1. The view stays valid until the list changes (a value stored is no
    // change), and the byte just past its end is always a zero, so it can be handed to a
    // highlighter as it is.
    [[nodiscard]] std::string_view Get(int index) const noexcept { return lines_.Get(index); }
    [[nodiscard]] std::intptr_t GetObject(int index) const noexcept { return lines_.GetObject(index); }
    // Views of lines first, first + 1 ... into views, as many as fit and exist; returns how many.
    // Each view lasts as Get's does.
    std::size_t GetRange(int first, std::span<std::string_view> views) const noexcept
    {
        return lines_.GetRange(first, views);
    }
    // Stores the value silently (no event); outside 0..Count-1 it does nothing.
    void PutObject(int index, std::intptr_t value) noexcept { lines_.PutObject(index, value); }
    // Values stored by two threads at once, each in lines of its own (see TSynLineStore).
    void PrepareSharedPuts() noexcept { lines_.PrepareSharedPuts(); }
    void PutObjectsShared(int first, std::span<const std::intptr_t> values) noexcept
    {
        lines_.PutObjectsShared(first, values);
    }

    // Appends a line; returns its index. Fires LineAdded.
    int Add(std::string_view text);
    // index from 0 to Count; the new line's value is 0. Fires LineInserted(index).
    void Insert(int index, std::string_view text);
    // Fires LineDeleted(index) after the deletion; an index outside the list changes nothing.
    void Delete(int index);
    // Replaces the text, keeping the value; fires LineReplaced(index). Put on line 0 of an empty list
    // appends instead (LineAdded); any other index outside the list changes nothing.
    void Put(int index, std::string_view text);
    // Replaces count bytes from byte at on with text, keeping the value; fires LineReplaced(index).
    // A long line is changed where it lies instead of being copied whole. On line 0 of an empty list
    // it appends text, as Put does; any other index outside the list changes nothing.
    void Splice(int index, std::size_t at, std::size_t count, std::string_view text);
    // While the LineReplaced of a Splice runs: what it changed (At and Removed held to the old text);
    // Index is -1 at any other time.
    [[nodiscard]] const TSynSplice& CurrentSplice() const noexcept { return splice_; }
    // Fires LinesCleared before the lines go.
    void Clear();
    // Appends every line in one call; fires LinesBulkAdded once, and no LineAdded.
    void AddStrings(const TSynEditList& other);
    void AddStrings(std::span<const std::string> lines);
    // Moves the lines of the store to the end of the list without copying their texts; the store is
    // left empty. Fires LinesBulkAdded once.
    void AddStrings(TSynLineStore&& lines);
    // Empties the list and appends the other's lines in bulk.
    void Assign(const TSynEditList& other);
    // Empties the list and appends the text's lines one by one (each fires LineAdded). Lines end in
    // CR LF, LF or CR; a break at the very end does not start another line.
    void SetText(std::string_view text);
    // Every line followed by CR LF.
    [[nodiscard]] std::string Text() const;

    // Takes count lines from index on out of the list, values and all, stamped with the values tag;
    // fires LinesDeleted(index, count) after they are gone. Parts outside the list are left out.
    [[nodiscard]] TSynLineStore ExtractLines(int index, int count);
    // Moves the store's lines in before index (0 to Count) without copying their texts; the store is
    // left empty. The lines keep their values when the store carries this list's values tag, else
    // their values are 0. Fires LinesInserted(index, count, valuesKept).
    void InsertLines(int index, TSynLineStore&& lines);
    // The mark that ExtractLines puts on the lines it gives out: whoever keeps the values sets it, and
    // changes it whenever the values it stored lose their meaning. 0 (the start) keeps no values.
    [[nodiscard]] std::intptr_t ValuesTag() const noexcept { return valuesTag_; }
    void SetValuesTag(std::intptr_t tag) noexcept { valuesTag_ = tag; }

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
    TSynListRangeEvent OnLinesDeleted;
    TSynListInsertEvent OnLinesInserted;
    TSynListEvent OnChanging;
    TSynListEvent OnChanged;

private:
    class TUpdateScope;

    TSynLineStore lines_;
    TSynSplice splice_;
    std::intptr_t valuesTag_ = 0;
    int updateCount_ = 0;
};

}  // namespace pindle
