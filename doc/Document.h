#pragma once
// CDocument: the document of the document/view framework, reduced to what a
// single-document viewer needs.
//
// A document has a path name (empty for a new document), a title that its frame shows
// in the caption, a modified flag and the views that show it. The title changes with
// the path name (it becomes the file's name) and is announced with titleChanged, so
// that the frame can update its caption. A document deleted before its views detaches
// them; a view deleted first detaches itself. The document knows its views only as
// CDocumentView.

#include "DocumentView.h"

#include <QObject>
#include <QString>

#include <vector>

class CDocument : public QObject {
    Q_OBJECT

public:
    CDocument() = default;
    ~CDocument() override;

    // Makes the document new and untitled: DeleteContents, an empty path name, the
    // modified flag cleared. A derived document calls this first.
    virtual bool OnNewDocument();
    // Reads the file at path (a full path) into the document; false when it cannot.
    virtual bool OnOpenDocument(const QString& path) = 0;
    virtual void DeleteContents() {}
    // Why the last OnOpenDocument failed, for people ("No such file or directory");
    // empty when the document does not know.
    virtual QString GetOpenFailureReason() const { return {}; }

    const QString& GetPathName() const { return m_strPathName; }
    // Sets the full path; the title becomes the file's name.
    void SetPathName(const QString& path);
    const QString& GetTitle() const { return m_strTitle; }
    void SetTitle(const QString& title);

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool modified = true) { m_bModified = modified; }

    const std::vector<CDocumentView*>& GetViews() const { return m_views; }
    void AddView(CDocumentView* view);
    void RemoveView(CDocumentView* view);
    // Gives every view its initial update, once the document has been made or opened.
    void SendInitialUpdate();
    // Tells every view but sender to show the document afresh.
    void UpdateAllViews(CDocumentView* sender, long hint = 0, QObject* hintObject = nullptr);

signals:
    void titleChanged(const QString& title);

private:
    QString m_strPathName;
    QString m_strTitle;
    bool m_bModified = false;
    // Calls tell on each view in turn. A view may run an event loop (a message box)
    // while it is told, during which views, and the document itself, can go away: a
    // view that has left is passed over, and the walk ends with the document.
    template <typename Tell>
    void ForEachView(Tell tell);

    std::vector<CDocumentView*> m_views;
};
