#include "PlaceHistory.h"

#include <algorithm>

void CPlaceHistory::Push(std::deque<ReadingPlace>& list, const ReadingPlace& place)
{
    if (!list.empty() && list.back().SameLine(place)) {
        list.back() = place;
        return;
    }
    list.push_back(place);
    if (list.size() > MAX_PLACES) list.pop_front();
}

void CPlaceHistory::Leave(const ReadingPlace& here)
{
    if (here.path.isEmpty()) return;
    Push(m_back, here);
    m_forward.clear();
}

std::optional<ReadingPlace> CPlaceHistory::Step(std::deque<ReadingPlace>& from, std::deque<ReadingPlace>& to,
                                                const ReadingPlace& here)
{
    // A place on the very line shown is no step: it is passed over.
    while (!from.empty() && from.back().SameLine(here)) from.pop_back();
    if (from.empty()) return std::nullopt;
    ReadingPlace place = from.back();
    from.pop_back();
    if (!here.path.isEmpty()) Push(to, here);
    return place;
}

ReadingPlace ReadingPlace::MovedBy(const CLineMap& map) const
{
    ReadingPlace moved = *this;
    moved.at = map.Moved(at);
    if (topLine >= 0)
        moved.topLine = std::max<long long>(0, topLine + static_cast<long long>(moved.at.line) - static_cast<long long>(at.line));
    return moved;
}

void CPlaceHistory::Move(const QString& path, const CLineMap& map)
{
    for (std::deque<ReadingPlace>* list : {&m_back, &m_forward})
        for (ReadingPlace& place : *list)
            if (place.path == path) place = place.MovedBy(map);
}
