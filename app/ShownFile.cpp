#include "ShownFile.h"

#include "GameSession.h"

#include "doc/FileName.h"
#include "doc/GlosselDoc.h"
#include "view/SyntaxRichEditCtrl.h"

#include <QTimer>

namespace {

std::string SystemName(const QString& path) { return EncodeFileName(path).toStdString(); }

bool SameFile(const QString& a, const QString& b)
{
    if (a == b) return true;
    const QString canonical = CanonicalFileName(a);
    return !canonical.isEmpty() && canonical == CanonicalFileName(b);
}

}  // namespace

CShownFile::CShownFile(CGlosselDoc& document, CSyntaxRichEditCtrl& control, CGameSession& session, QObject* parent)
    : QObject(parent), m_document(document), m_control(control), m_session(session)
{
    // The game is built once the text is on the screen, so that its first paint never waits.
    connect(&control, &CSyntaxRichEditCtrl::textShown, this, &CShownFile::BuildGame);
}

const QString& CShownFile::Path() const { return m_document.GetPathName(); }

ReadingPlace CShownFile::Here() const
{
    return ReadingPlace{m_session.MainPath(), Path(), m_control.LocationAt(m_control.GetCaretPos()),
                        m_control.GetFirstVisibleLine()};
}

std::uint32_t CShownFile::FileIn(const CGame& game) const
{
    return Path().isEmpty() ? NO_FILE : game.FindFile(SystemName(Path()), CGameSession::Source());
}

bool CShownFile::Show(const ReadingPlace& place)
{
    // The file's text as the game read it, when the game holds it.
    const GamePointer& game = m_session.Game();
    const std::uint32_t held = game ? game->FindFile(SystemName(place.path), CGameSession::Source()) : NO_FILE;
    const CGameFile* read =
        held != NO_FILE && game->File(held).Status() != GameFileStatus::Unreadable ? &game->File(held) : nullptr;
    const std::shared_ptr<const std::string> text = read ? read->SharedText() : nullptr;
    if (!SameFile(place.path, Path()) || (text && text != m_session.ShownText())) {
        // A file read from disk is stamped before the read.
        const FileStamp stamp = read ? m_session.StampRead(read->Path()) : FileStamp::Of(SystemName(place.path));
        if (!(m_openFile ? m_openFile(place.path, text) : OpenInDocument(place.path, text))) return false;
        m_session.SetShownFile(Path(), text, stamp);
    } else if (!m_session.ShownText() && m_session.MainPath().isEmpty()) {
        // The first file, read as the window was made.
        m_session.SetShownFile(Path(), nullptr, FileStamp::Of(SystemName(Path())));
    }
    if (!place.mainPath.isEmpty() && place.mainPath != m_session.MainPath()) {
        m_session.Start(place.mainPath);
        QTimer::singleShot(FIRST_PAINT_WAIT_MS, this, &CShownFile::BuildGame);
    }
    PutCaret(place);
    return true;
}

bool CShownFile::OpenInDocument(const QString& path, const std::shared_ptr<const std::string>& text)
{
    if (text)
        m_document.m_text = *text;
    else if (!m_document.OnOpenDocument(path))
        return false;
    m_document.SetPathName(path);
    m_document.UpdateAllViews(nullptr);
    return true;
}

void CShownFile::PutCaret(const ReadingPlace& place)
{
    const long long pos = m_control.PosOf(place.at);
    if (place.topLine < 0) {
        m_control.GoToPos(pos);
        return;
    }
    m_control.SetSel(pos, pos);
    m_control.LineScroll(place.topLine - m_control.GetFirstVisibleLine());
}

std::optional<CLineMap> CShownFile::FollowGame()
{
    const GamePointer& game = m_session.Game();
    const std::uint32_t file = game ? FileIn(*game) : NO_FILE;
    if (file == NO_FILE || !m_session.ShownText()) return std::nullopt;
    const CGameFile& read = game->File(file);
    if (read.Status() == GameFileStatus::Unreadable || read.SharedText() == m_session.ShownText()) return std::nullopt;
    CLineMap map(*m_session.ShownText(), read.Text());
    if (!Show(Here().MovedBy(map))) return std::nullopt;
    return map;
}

void CShownFile::EnsureText()
{
    if (!m_session.ShownText() && !Path().isEmpty())
        m_session.SetShownText(std::make_shared<const std::string>(m_document.m_text));
}

void CShownFile::BuildGame()
{
    if (!m_session.IsWaitingToBuild()) return;
    EnsureText();
    m_session.Build();
}

ShownGame CShownFile::GameOfText()
{
    if (Path().isEmpty()) return {};
    EnsureText();
    if (const GamePointer& game = m_session.Game()) {
        const std::uint32_t file = FileIn(*game);
        if (file != NO_FILE && game->File(file).SharedText() == m_session.ShownText()) return ShownGame{game, file, true};
    }
    // The file alone meanwhile; the game's build begins now if it waited.
    BuildGame();
    GamePointer alone = m_session.FileGame();
    return alone ? ShownGame{std::move(alone), 0, false} : ShownGame{};
}
