#pragma once
// CGlosselView: the one view of the viewer. It paints nothing itself: its rich edit
// control covers the whole client area at every size, takes the keyboard focus
// whenever the view is given it, and shows the document's text, rendered afresh at
// every update while the control is hidden. Printing prints the coloured text.

#include "View.h"
#include "SyntaxRichEditCtrl.h"

class CGlosselDoc;

inline constexpr int IDC_RICHEDIT = 1000;
// The control's creation style: a read-only, multi-line child that scrolls with the caret.
inline constexpr std::uint32_t GLOSSEL_VIEW_EDIT_STYLE = WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL |
                                                       ES_AUTOHSCROLL | ES_READONLY | ES_WANTRETURN;

class CGlosselView : public CView {
    Q_OBJECT

public:
    explicit CGlosselView(CGlosselDoc* document, QWidget* parent = nullptr);
    ~CGlosselView() override;

    CGlosselDoc* GetDocument() const;
    CSyntaxRichEditCtrl& GetRichEditCtrl() { return m_richEdit; }

    // Makes the control's window over the client area and, when the document already
    // holds text, renders it. 0 on success.
    int OnCreate();
    void OnUpdate(CView* sender, long hint, QObject* hintObject) override;
    bool OnFilePrint(QPrinter& printer) override;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void Render();

    CSyntaxRichEditCtrl m_richEdit;
};
