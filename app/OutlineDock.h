#pragma once
// COutlineDock: View > Outline, a dock of the main window with the outline of the text
// shown (COutlineList). Hidden at start; whether it shows is not stored.
//
//  - The outline is built when the dock is shown, and for a new text only once the
//    text's first paint is done, so that it never delays the text appearing.
//  - Choosing a definition puts the caret at its name and brings its line to the middle
//    of the view; chosen with Enter, it also gives the focus to the text, as Escape in
//    the dock does.

#include <QDockWidget>

class COutlineList;
class COutlineModel;
class CSyntaxRichEditCtrl;

class COutlineDock : public QDockWidget {
    Q_OBJECT

public:
    COutlineDock(COutlineModel& model, CSyntaxRichEditCtrl& control, QWidget* parent = nullptr);

    COutlineList* List() const { return m_list; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    void TextShown();
    void Build();

    COutlineModel& m_model;
    CSyntaxRichEditCtrl& m_control;
    COutlineList* m_list;
};
