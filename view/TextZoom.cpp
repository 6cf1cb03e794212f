#include "TextZoom.h"

#include <algorithm>

QFont CTextZoom::Apply(const QFont& font) const
{
    if (m_points <= 0) return font;
    QFont zoomed = font;
    zoomed.setPointSize(m_points);
    return zoomed;
}

bool CTextZoom::Set(int points, const QFont& font)
{
    const int before = Points(font);
    m_points = std::clamp(points, MIN_POINTS, MAX_POINTS);
    return Points(font) != before;
}

bool CTextZoom::In(const QFont& font)
{
    const int now = Points(font);
    const auto next = std::upper_bound(STEPS.begin(), STEPS.end(), now);
    return next != STEPS.end() && Set(*next, font);
}

bool CTextZoom::Out(const QFont& font)
{
    const int now = Points(font);
    const auto next = std::lower_bound(STEPS.begin(), STEPS.end(), now);
    return next != STEPS.begin() && Set(*(next - 1), font);
}

bool CTextZoom::Wheel(int angleDelta, const QFont& font)
{
    // A turn the other way starts afresh.
    if ((m_wheel > 0 && angleDelta < 0) || (m_wheel < 0 && angleDelta > 0)) m_wheel = 0;
    m_wheel += angleDelta;
    bool changed = false;
    for (; m_wheel >= 120; m_wheel -= 120) changed |= In(font);
    for (; m_wheel <= -120; m_wheel += 120) changed |= Out(font);
    return changed;
}
