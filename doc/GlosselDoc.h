#pragma once
// CGlosselDoc: the one document of the viewer, the whole text of one Inform source file.
//
// m_text is empty after construction, the welcome comment after OnNewDocument and the
// file's text after a successful OnOpenDocument (read in text mode, see TextLoader.h:
// no CR LF pair, no NUL, no Ctrl-Z). The view reads m_text directly whenever it renders.
// A failed open leaves m_text exactly as it was, whatever the failure (a file that cannot
// be opened, an empty file, a read error, too little memory). Nothing ever sets the
// modified flag: the document is never saved.

#include "Document.h"
#include "TextLoader.h"

#include <functional>
#include <string>
#include <string_view>

// The welcome comment of a new document: four comment lines, 181 characters.
inline constexpr std::string_view GLOSSEL_WELCOME_TEXT =
    "! This is just a test application.\n"
    "! More features will be added soon (with luck).\n"
    "! This version is a lot faster than the original -\n"
    "! my next priority is to add editing features.\n";

class CGlosselDoc : public CDocument {
    Q_OBJECT

public:
    // Reads a file's text as LoadTextFile does; tests put a failing reader in its place.
    using TextReader = std::function<bool(const std::string& path, std::string& text, LoadFailure* failure)>;

    CGlosselDoc();

    bool OnNewDocument() override;
    bool OnOpenDocument(const QString& path) override;
    QString GetOpenFailureReason() const override { return m_openFailure; }

    void SetTextReader(TextReader reader) { m_reader = std::move(reader); }

    std::string m_text;

private:
    TextReader m_reader;
    QString m_openFailure;
};
