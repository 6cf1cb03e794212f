#include "Document.h"

#include "FileName.h"
#include "view/View.h"

#include <QFileInfo>

#include <algorithm>

CDocument::~CDocument()
{
    for (CView* view : m_views) view->m_pDocument = nullptr;
}

bool CDocument::OnNewDocument()
{
    DeleteContents();
    m_strPathName.clear();
    SetModifiedFlag(false);
    return true;
}

void CDocument::SetPathName(const QString& path)
{
    m_strPathName = path;
    SetTitle(DisplayFileName(QFileInfo(path).fileName()));
}

void CDocument::SetTitle(const QString& title)
{
    m_strTitle = title;
    emit titleChanged(m_strTitle);
}

void CDocument::AddView(CView* view)
{
    if (std::find(m_views.begin(), m_views.end(), view) != m_views.end()) return;
    m_views.push_back(view);
    view->m_pDocument = this;
}

void CDocument::RemoveView(CView* view)
{
    const auto it = std::find(m_views.begin(), m_views.end(), view);
    if (it == m_views.end()) return;
    m_views.erase(it);
    view->m_pDocument = nullptr;
}

std::vector<QPointer<CView>> CDocument::GetViewPointers() const
{
    return {m_views.begin(), m_views.end()};
}

void CDocument::UpdateAllViews(CView* sender, long hint, QObject* hintObject)
{
    // A view's render may run a message box, during which views can go away.
    const QPointer<CDocument> self = this;
    for (const QPointer<CView>& view : GetViewPointers()) {
        if (!self) return;
        if (view && view != sender && view->GetDocument() == this) view->OnUpdate(sender, hint, hintObject);
    }
}
