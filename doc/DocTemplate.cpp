#include "DocTemplate.h"

#include "Document.h"
#include "FileName.h"

CSingleDocTemplate::CSingleDocTemplate(DocumentFactory makeDocument, FrameFactory makeFrame)
    : m_makeDocument(std::move(makeDocument)), m_makeFrame(std::move(makeFrame))
{
}

CSingleDocTemplate::~CSingleDocTemplate()
{
    CloseAllDocuments();
}

void CSingleDocTemplate::CloseAllDocuments()
{
    delete m_frame.data();  // its destruction also releases the document
    m_document.reset();
}

CDocument* CSingleDocTemplate::MatchDocument(const QString& path) const
{
    if (!m_document || m_document->GetPathName().isEmpty() || path.isEmpty()) return nullptr;
    const QString wanted = CanonicalFileName(path);
    const QString held = CanonicalFileName(m_document->GetPathName());
    return !wanted.isEmpty() && wanted == held ? m_document.get() : nullptr;
}

CDocument* CSingleDocTemplate::OpenDocumentFile(const QString& path, const Loader& load)
{
    m_openFailure.clear();
    if (!m_document) m_document = m_makeDocument();
    CDocument* document = m_document.get();

    bool frameCreated = false;
    if (!m_frame) {
        QWidget* frame = m_makeFrame(*document);
        if (!frame) {
            m_openFailure = QStringLiteral("the window could not be created");
            m_document.reset();
            return nullptr;
        }
        m_frame = frame;
        frameCreated = true;
        // The document lives exactly as long as its frame.
        QObject::connect(frame, &QObject::destroyed, frame, [this] { m_document.reset(); });
    }

    if (path.isEmpty()) {
        document->SetTitle(QString::fromLatin1(UNTITLED_TITLE));
        if (!document->OnNewDocument()) {
            m_openFailure = QStringLiteral("a new document could not be made");
            if (frameCreated) CloseAllDocuments();
            return nullptr;
        }
    } else {
        const bool wasModified = document->IsModified();
        document->SetModifiedFlag(false);
        if (!(load ? load(*document) : document->OnOpenDocument(path))) {
            m_openFailure = document->GetOpenFailureReason();
            if (frameCreated)
                CloseAllDocuments();
            else
                document->SetModifiedFlag(wasModified);
            return nullptr;
        }
        document->SetPathName(path);
        if (m_addToRecentFileList) m_addToRecentFileList(path);
    }

    // A view's update may run a message box, during which the frame can go away.
    QPointer<QWidget> frame = m_frame;
    document->SendInitialUpdate();
    return frame ? m_document.get() : nullptr;
}
