#pragma once
// CShownFile: the file the main window shows and the game it is read in: the one way a
// place is shown (Show), whoever asks for it.
//
//  - Show(place) shows the file of place with its text as the game read it (the same
//    bytes, never a second read that might differ); a file the game does not hold is
//    read as Open reads it. Either goes through the file opener the window is given, so
//    that the file opens as Open opens it. Then the caret and the view go to the place,
//    and a place of another game makes that game the current one, to be built once the
//    text has been painted (or after FIRST_PAINT_WAIT_MS, whichever comes first).
//  - The session (CGameSession) is told the text shown and the stamp of its read, so
//    that its builds read the file as it is shown.
//  - FollowGame(): after a game arrived that read the file shown anew (it changed on
//    disk), its text replaces the one shown, the caret moving with its line; the map of
//    the lines is given back, for the places of the history to move too.
//  - GameOfText(): the game that holds the text shown as it is shown: the game read,
//    or until it is there the file alone (and its build begins then if it waited).

#include "PlaceHistory.h"
#include "ReadingWindow.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <string>

class CGameSession;
class CGlosselDoc;
class CSyntaxRichEditCtrl;

class CShownFile : public QObject {
    Q_OBJECT

public:
    static constexpr int FIRST_PAINT_WAIT_MS = 500;
    // See CMainFrame::SetFileOpener.
    using FileOpener = std::function<bool(const QString& path, const std::shared_ptr<const std::string>& text)>;

    CShownFile(CGlosselDoc& document, CSyntaxRichEditCtrl& control, CGameSession& session, QObject* parent = nullptr);

    void SetFileOpener(FileOpener opener) { m_openFile = std::move(opener); }
    const QString& Path() const;
    ReadingPlace Here() const;
    bool Show(const ReadingPlace& place);
    std::optional<CLineMap> FollowGame();
    ShownGame GameOfText();
    // The file shown, as its index in game, or NO_FILE.
    std::uint32_t FileIn(const CGame& game) const;
    // Begins the game's build, when one waits for it.
    void BuildGame();

private:
    // The text shown as the game's builds read it, made once a build or an answer needs it.
    void EnsureText();
    // Without an application: the document reads the file (or takes text) and shows it.
    bool OpenInDocument(const QString& path, const std::shared_ptr<const std::string>& text);
    void PutCaret(const ReadingPlace& place);

    CGlosselDoc& m_document;
    CSyntaxRichEditCtrl& m_control;
    CGameSession& m_session;
    FileOpener m_openFile;
};
