#pragma once
// CSkippedCode: the code the compiler skips in the file shown (conditional code whose
// condition is false), marked over the styles in the control: a tint on its text and a
// bar in the margin beside its whole lines, the styles' colours, bold and italic kept.
//
//  - The marks come with the game, which is built after the text's first paint, and
//    only from a game that read the text shown (the same bytes); until it is there, or
//    for a file the game does not hold, nothing is marked.
//  - View > Show Skipped Code (on at every start, nothing stored) takes them away and
//    puts them back.
//  - Update() marks again: the window calls it when a game arrives; a new text shown is
//    marked once it has been painted.

#include <QColor>
#include <QObject>

class CGameSession;
class CShownFile;
class CSyntaxRichEditCtrl;
class QAction;

class CSkippedCode : public QObject {
    Q_OBJECT

public:
    static inline const QColor TINT{0xE4, 0xE8, 0xF0};
    static inline const QColor BAR{0x70, 0x80, 0xA0};

    CSkippedCode(CSyntaxRichEditCtrl& control, CGameSession& session, const CShownFile& shown, QAction& show,
                 QObject* parent = nullptr);

    void Update();

private:
    CSyntaxRichEditCtrl& m_control;
    CGameSession& m_session;
    const CShownFile& m_shown;
    QAction& m_show;
};
