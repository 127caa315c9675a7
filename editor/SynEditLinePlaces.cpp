// The places of a long line where the highlighter can take up its scan again (see TLinePlaces).
#include "editor/SynEditLineStates.h"

#include <algorithm>
#include <cstdint>
#include <new>
#include <utility>
#include <vector>

namespace pindle {

namespace {

// About this many bytes between two places: an edit rescans a stretch of this order.
constexpr std::size_t kPlaceSpacing = 16 * 1024;

bool ByByte(const std::pair<std::size_t, std::intptr_t>& place, std::size_t byte) noexcept
{
    return place.first < byte;
}

}  // namespace

// An edit inside the line whose places are kept: those before it stay, those past it move with the
// text after it and mark where a scan may stop, those inside it go. After a second edit before the
// line was scanned again, only the places before both stay. Any other change lets them all go.
void TSynEditLineStates::PlacesEdited(int index) noexcept
{
    if (index != places_.Index)
        return;
    const TSynSplice& edit = lines_.CurrentSplice();
    const std::size_t length = lines_.Get(index).size();
    if (edit.Index != index || edit.At + edit.Removed > places_.Length ||
        places_.Length - edit.Removed + edit.Inserted != length) {
        ForgetPlaces();
        return;
    }
    auto& places = places_.Places;
    if (places_.DirtyFrom == SIZE_MAX) {
        const auto first = std::lower_bound(places.begin(), places.end(), edit.At, ByByte);
        const auto last = std::lower_bound(first, places.end(), edit.At + edit.Removed, ByByte);
        const auto after = places.erase(first, last);
        for (auto place = after; place != places.end(); ++place)
            place->first = place->first - edit.Removed + edit.Inserted;
        places_.DirtyFrom = edit.At;
        places_.DirtyTo = edit.At + edit.Inserted;
    } else {
        places_.DirtyFrom = std::min(places_.DirtyFrom, edit.At);
        places.erase(std::lower_bound(places.begin(), places.end(), places_.DirtyFrom, ByByte), places.end());
        places_.DirtyTo = SIZE_MAX;
    }
    places_.Length = length;
}

void TSynEditLineStates::PlacesMoved(int index, int removed, int inserted) noexcept
{
    if (places_.Index < index)
        return;
    if (places_.Index < index + removed)
        ForgetPlaces();
    else
        places_.Index += inserted - removed;
}

// Scans a line of kPlacesFrom bytes or more from the highlighter's present state and leaves the
// line's end state there, as ScanLineFrom does; when the line is the one whose places are kept and
// starts in the same state, only from the last place before its edits on, up to the first place past
// them that the scan reaches in the state it had there.
void TSynEditLineStates::ScanLongLine(int index, std::string_view text) noexcept
{
    const std::intptr_t state = highlighter_->LineState();
    if (places_.Index == index && places_.StartState == state && places_.Length == text.size()) {
        if (places_.DirtyFrom == SIZE_MAX) {
            highlighter_->SetLineState(places_.EndState);
            return;
        }
        const auto& places = places_.Places;
        const auto resume = std::lower_bound(places.begin(), places.end(), places_.DirtyFrom, ByByte);
        const std::size_t kept = static_cast<std::size_t>(resume - places.begin());
        const bool resumed = kept == 0 ? ScanPlaces(text, 0, state, 0)
                                       : ScanPlaces(text, places[kept - 1].first, places[kept - 1].second, kept);
        if (resumed)
            return;
    }
    places_ = TLinePlaces{};
    places_.Index = index;
    places_.Length = text.size();
    places_.StartState = state;
    if (!ScanPlaces(text, 0, state, 0)) {
        ForgetPlaces();
        highlighter_->ScanLineFrom(text, index, state);
    }
}

// Scans from offset (the line's start, or the place kept - 1) in state: the places before kept stay,
// new ones follow them. Returns false, with nothing changed, when the highlighter cannot pause inside
// a line or there is no memory for the places.
bool TSynEditLineStates::ScanPlaces(std::string_view text, std::size_t offset, std::intptr_t state,
                                    std::size_t kept) noexcept
{
    auto& places = places_.Places;
    const bool stops = places_.DirtyTo != SIZE_MAX;
    try {
        std::vector<std::pair<std::size_t, std::intptr_t>> fresh(places.begin(), places.begin() + static_cast<std::ptrdiff_t>(kept));
        std::size_t stop = kept;
        std::intptr_t end = 0;
        for (;;) {
            while (stops && stop < places.size() && places[stop].first <= offset)
                ++stop;
            std::size_t pauseAt = offset + kPlaceSpacing;
            if (stops && stop < places.size())
                pauseAt = std::min(pauseAt, places[stop].first);
            if (!highlighter_->ScanLinePart(text, offset, state, pauseAt))
                return false;
            if (offset >= text.size()) {
                end = state;
                break;
            }
            if (stops && stop < places.size() && places[stop] == std::pair{offset, state}) {
                // From here on the line scans as it did before its edits.
                fresh.insert(fresh.end(), places.begin() + static_cast<std::ptrdiff_t>(stop), places.end());
                end = places_.EndState;
                break;
            }
            fresh.emplace_back(offset, state);
        }
        places.swap(fresh);
        places_.EndState = end;
        places_.DirtyFrom = places_.DirtyTo = SIZE_MAX;
        highlighter_->SetLineState(end);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace pindle
