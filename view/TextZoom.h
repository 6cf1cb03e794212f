#pragma once
// CTextZoom: the size the control shows its text in, for the run only (it is never
// stored, and printing keeps the control's own font).
//
//  - Until the first zoom the text keeps the size of the control's font; a zoom gives
//    it a size of its own, from MIN_POINTS to MAX_POINTS points.
//  - In and Out go to the next size of STEPS up or down; Reset goes back to
//    DEFAULT_POINTS (the size the viewer starts with).
//  - A wheel turned with Ctrl zooms one step a notch; the fine steps of a touchpad add
//    up until they make a notch.
//  - Every change returns whether the size changed.

#include <QFont>

#include <array>

class CTextZoom {
public:
    static constexpr int MIN_POINTS = 6;
    static constexpr int MAX_POINTS = 72;
    static constexpr int DEFAULT_POINTS = 10;
    static constexpr std::array<int, 21> STEPS = {6,  7,  8,  9,  10, 11, 12, 14, 16, 18, 20,
                                                  22, 24, 28, 32, 36, 40, 48, 56, 64, 72};

    // The size shown for a control whose font is font.
    int Points(const QFont& font) const { return m_points > 0 ? m_points : font.pointSize(); }
    // font at the size shown.
    QFont Apply(const QFont& font) const;

    bool Set(int points, const QFont& font);
    bool In(const QFont& font);
    bool Out(const QFont& font);
    bool Reset(const QFont& font) { return Set(DEFAULT_POINTS, font); }
    // angleDelta: the wheel's turn in eighths of a degree (a notch is 120).
    bool Wheel(int angleDelta, const QFont& font);

private:
    int m_points = 0;  // 0: the font's own size
    int m_wheel = 0;   // eighths of a degree not yet turned into a step
};
