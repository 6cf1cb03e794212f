#include "Document.h"

#include "FileName.h"

#include <QFileInfo>
#include <QPointer>

#include <algorithm>

CDocument::~CDocument()
{
    for (CDocumentView* view : m_views) view->SetDocument(nullptr);
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

void CDocument::AddView(CDocumentView* view)
{
    if (std::find(m_views.begin(), m_views.end(), view) != m_views.end()) return;
    m_views.push_back(view);
    view->SetDocument(this);
}

void CDocument::RemoveView(CDocumentView* view)
{
    const auto it = std::find(m_views.begin(), m_views.end(), view);
    if (it == m_views.end()) return;
    m_views.erase(it);
    view->SetDocument(nullptr);
}

template <typename Tell>
void CDocument::ForEachView(Tell tell)
{
    const QPointer<CDocument> self = this;
    // The views as they were when the walk began; one that has left since is no longer
    // in m_views (a view leaves before it is destroyed).
    const std::vector<CDocumentView*> views = m_views;
    for (CDocumentView* view : views) {
        if (!self) return;
        if (std::find(m_views.begin(), m_views.end(), view) != m_views.end()) tell(*view);
    }
}

void CDocument::SendInitialUpdate()
{
    ForEachView([](CDocumentView& view) { view.OnInitialUpdate(); });
}

void CDocument::UpdateAllViews(CDocumentView* sender, long hint, QObject* hintObject)
{
    ForEachView([&](CDocumentView& view) {
        if (&view != sender) view.OnDocumentUpdate(sender, hint, hintObject);
    });
}
