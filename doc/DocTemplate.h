#pragma once
// CSingleDocTemplate: the framework's single-document template. It makes the one
// document and its frame (with the frame's views) on the first open and reuses them
// for every later open:
//
//  - OpenDocumentFile(path) reads path into the document. On success the document takes
//    the path and the file's name as its title, the recent-file sink hears the path,
//    and every view gets its initial update. On failure nothing the user sees changes:
//    the document keeps its text, title and path and its modified flag; but when the
//    failed open had just made the frame (the first open), frame and document are
//    destroyed again.
//  - OpenDocumentFile({}) makes a new, untitled document ("Untitled").
//  - MatchDocument(path) finds the document that already holds path: both paths are
//    resolved (links followed) and compared exactly, letter case included.
//
// Closing the frame destroys the document with it.

#include <QPointer>
#include <QString>
#include <QWidget>

#include <functional>
#include <memory>

class CDocument;

inline constexpr const char* UNTITLED_TITLE = "Untitled";

class CSingleDocTemplate {
public:
    using DocumentFactory = std::function<std::unique_ptr<CDocument>()>;
    // Makes the top-level frame of document with its views, not yet shown; null on failure.
    using FrameFactory = std::function<QWidget*(CDocument& document)>;
    using RecentFileSink = std::function<void(const QString& path)>;

    CSingleDocTemplate(DocumentFactory makeDocument, FrameFactory makeFrame);
    ~CSingleDocTemplate();
    CSingleDocTemplate(const CSingleDocTemplate&) = delete;
    CSingleDocTemplate& operator=(const CSingleDocTemplate&) = delete;

    // With load, the document's text comes from load (false: it could not) instead of
    // being read from path; all else is as for any open.
    using Loader = std::function<bool(CDocument& document)>;
    CDocument* OpenDocumentFile(const QString& path, const Loader& load = {});
    CDocument* MatchDocument(const QString& path) const;

    CDocument* GetDocument() const { return m_document.get(); }
    QWidget* GetFrame() const { return m_frame; }
    // Why the last open failed, for people.
    const QString& GetOpenFailureReason() const { return m_openFailure; }

    void SetRecentFileSink(RecentFileSink sink) { m_addToRecentFileList = std::move(sink); }
    // Destroys the frame and the document.
    void CloseAllDocuments();

private:
    DocumentFactory m_makeDocument;
    FrameFactory m_makeFrame;
    RecentFileSink m_addToRecentFileList;
    std::unique_ptr<CDocument> m_document;
    QPointer<QWidget> m_frame;
    QString m_openFailure;
};
