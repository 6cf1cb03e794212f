#include "GlosselDoc.h"

#include "FileName.h"

CGlosselDoc::CGlosselDoc() : m_reader(&LoadTextFile) {}

bool CGlosselDoc::OnNewDocument()
{
    if (!CDocument::OnNewDocument()) return false;
    m_text.assign(GLOSSEL_WELCOME_TEXT);
    return true;
}

bool CGlosselDoc::OnOpenDocument(const QString& path)
{
    // The text is read aside and takes m_text's place only when the whole read worked,
    // so a failed read never shows a part of a file under the previous file's title.
    std::string text;
    LoadFailure failure;
    if (!m_reader(EncodeFileName(path).toStdString(), text, &failure)) {
        m_openFailure = QString::fromStdString(failure.reason);
        if (m_openFailure.isEmpty()) m_openFailure = QStringLiteral("the file could not be read");
        return false;
    }
    m_openFailure.clear();
    m_text = std::move(text);
    return true;
}
