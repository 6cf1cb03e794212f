#pragma once
// CDocumentView: what a document knows of a view that shows it, and all it knows.
//
// A document keeps the views that joined it (CDocument::AddView) and tells them when
// to show it afresh. It sets the view's document when the view joins, and clears it
// when the view leaves or the document goes first. A view leaves its document before
// it is destroyed.

class CDocument;
class QObject;

class CDocumentView {
public:
    // Once a document has been made or opened into the view.
    virtual void OnInitialUpdate() = 0;
    // The document changed; sender is the view that changed it (null: the document
    // itself), hint and hintObject say what changed.
    virtual void OnDocumentUpdate(CDocumentView* sender, long hint, QObject* hintObject) = 0;
    // The document this view now shows; null once it has let the view go.
    virtual void SetDocument(CDocument* document) = 0;

protected:
    ~CDocumentView() = default;
};
