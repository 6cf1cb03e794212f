#include "GlosselView.h"

#include "BusyCursor.h"

#include "doc/GlosselDoc.h"

#include <QPointer>
#include <QPrinter>
#include <QResizeEvent>

CGlosselView::CGlosselView(CGlosselDoc* document, QWidget* parent) : CView(document, parent)
{
    setObjectName(QStringLiteral("CGlosselView"));
    setAcceptDrops(false);
    // Whoever gives the view the focus gives it to the control.
    setFocusProxy(&m_richEdit);
    setFocusPolicy(Qt::StrongFocus);
}

CGlosselView::~CGlosselView() = default;

CGlosselDoc* CGlosselView::GetDocument() const
{
    return static_cast<CGlosselDoc*>(CView::GetDocument());
}

int CGlosselView::OnCreate()
{
    m_richEdit.Create(GLOSSEL_VIEW_EDIT_STYLE, rect(), this, IDC_RICHEDIT);
    const CGlosselDoc* document = GetDocument();
    if (document && !document->m_text.empty()) Render();
    return 0;
}

void CGlosselView::OnUpdate(CView* sender, long hint, QObject* hintObject)
{
    Render();
    CView::OnUpdate(sender, hint, hintObject);
}

void CGlosselView::Render()
{
    const CGlosselDoc* document = GetDocument();
    if (!document) return;
    // Hiding the focused control would pass the focus on; it comes back after the render.
    const bool hadFocus = m_richEdit.hasFocus();
    const QPointer<CGlosselView> self = this;
    // A big text takes a while: the pointer says so until the text is in the control.
    const CBusyCursor busy(document->m_text.size());
    m_richEdit.hide();
    m_richEdit.RenderSource(document->m_text);
    if (!self) return;  // the window went away while the long-line message was up
    m_richEdit.show();
    if (hadFocus) m_richEdit.setFocus(Qt::OtherFocusReason);
}

bool CGlosselView::OnFilePrint(QPrinter& printer)
{
    m_richEdit.Print(printer);
    return true;
}

void CGlosselView::resizeEvent(QResizeEvent* event)
{
    CView::resizeEvent(event);
    m_richEdit.setGeometry(rect());
}
