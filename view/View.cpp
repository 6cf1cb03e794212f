#include "View.h"

#include "doc/Document.h"

CView::CView(CDocument* document, QWidget* parent) : QWidget(parent)
{
    if (document) document->AddView(this);
}

CView::~CView()
{
    if (m_pDocument) m_pDocument->RemoveView(this);
}

void CView::OnInitialUpdate()
{
    OnUpdate(nullptr, 0, nullptr);
}

void CView::OnDocumentUpdate(CDocumentView* sender, long hint, QObject* hintObject)
{
    OnUpdate(dynamic_cast<CView*>(sender), hint, hintObject);
}

void CView::OnUpdate(CView*, long, QObject*)
{
    update();
}

bool CView::OnFilePrint(QPrinter&)
{
    return false;
}
