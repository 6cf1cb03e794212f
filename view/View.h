#pragma once
// CView: the view of the document/view framework, a widget that shows one document.
//
// A view joins its document when it is made and leaves it when it is destroyed. The
// framework's initial update (after a document was made or opened) and every update
// of the document's views reach OnUpdate; the direct print command reaches OnFilePrint.
// The document knows the view as a CDocumentView.

#include "doc/DocumentView.h"

#include <QWidget>

class CDocument;
class QPrinter;

class CView : public QWidget, public CDocumentView {
    Q_OBJECT

public:
    explicit CView(CDocument* document, QWidget* parent = nullptr);
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }

    // Sent once a document has been made or opened into this view: OnUpdate(nullptr, 0, nullptr).
    void OnInitialUpdate() override;
    // Shows the document afresh; the base repaints the view.
    virtual void OnUpdate(CView* sender, long hint, QObject* hintObject);
    // Prints the document on printer without asking anything; the base prints nothing.
    virtual bool OnFilePrint(QPrinter& printer);

private:
    void OnDocumentUpdate(CDocumentView* sender, long hint, QObject* hintObject) override;
    void SetDocument(CDocument* document) override { m_pDocument = document; }

    CDocument* m_pDocument = nullptr;
};
