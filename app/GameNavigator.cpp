#include "GameNavigator.h"

#include "DefinitionChooser.h"
#include "GameSymbolPopup.h"

#include "doc/FileName.h"
#include "view/GameOutlineModel.h"
#include "view/GameText.h"
#include "view/SyntaxRichEditCtrl.h"

#include <QAction>
#include <QFileInfo>

#include <algorithm>

namespace {

// A file of the game as the viewer names it: absolute, cleaned.
QString PathOf(const CGameFile& file)
{
    return AbsoluteFileName(DecodeFileName(QByteArray::fromStdString(file.Path())));
}

QString NameOf(const QString& path) { return DisplayFileName(QFileInfo(path).fileName()); }

bool SamePlace(const ReadingPlace& a, const ReadingPlace& b)
{
    return a.path == b.path && a.mainPath == b.mainPath && a.at == b.at;
}

bool SamePlaces(const std::vector<ReadingPlace>& a, const std::vector<ReadingPlace>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), SamePlace);
}

}  // namespace

CGameNavigator::CGameNavigator(IReadingWindow& window, CSyntaxRichEditCtrl& control, QWidget& dialogParent,
                               ModalRunner runModal, QObject* parent)
    : QObject(parent), m_window(window), m_control(control), m_dialogParent(dialogParent),
      m_runModal(std::move(runModal))
{
}

void CGameNavigator::SetCommands(QAction* back, QAction* forward)
{
    m_back = back;
    m_forward = forward;
    UpdateHistoryCommands();
}

// ---------------------------------------------------------------------------------------
// Places and the history

ReadingPlace CGameNavigator::PlaceOf(const CGame& game, const GameDefinitionRef& ref) const
{
    return ReadingPlace{m_window.Here().mainPath, PathOf(game.File(ref.file)), LocationOf(game.Definition(ref)), -1};
}

void CGameNavigator::Go(const ReadingPlace& place, HistoryStep step, bool focusText)
{
    if (!m_window.OpenAt(place, step))
        m_window.Say(tr("%1 could not be opened").arg(NameOf(place.path)));
    else if (focusText)
        m_control.setFocus(Qt::OtherFocusReason);
    UpdateHistoryCommands();
}

void CGameNavigator::Leave(const ReadingPlace& here)
{
    m_history.Leave(here);
    UpdateHistoryCommands();
}

void CGameNavigator::RememberPlace() { Leave(m_window.Here()); }

void CGameNavigator::MovePlaces(const QString& path, const CLineMap& map) { m_history.Move(path, map); }

void CGameNavigator::OnGoBack()
{
    if (const std::optional<ReadingPlace> place = m_history.Back(m_window.Here())) Go(*place, HistoryStep::Keep);
    UpdateHistoryCommands();
}

void CGameNavigator::OnGoForward()
{
    if (const std::optional<ReadingPlace> place = m_history.Forward(m_window.Here())) Go(*place, HistoryStep::Keep);
    UpdateHistoryCommands();
}

void CGameNavigator::UpdateHistoryCommands()
{
    if (m_back) m_back->setEnabled(m_history.CanGoBack());
    if (m_forward) m_forward->setEnabled(m_history.CanGoForward());
}

// ---------------------------------------------------------------------------------------
// Definitions and references

bool CGameNavigator::NeedsAFile()
{
    if (!m_window.Here().path.isEmpty()) return false;
    m_window.Say(tr("The text shown is not a file of a game: open a file first"));
    return true;
}

void CGameNavigator::OnGoToDefinition() { GoToDefinitionAt(m_control.GetCaretPos()); }

void CGameNavigator::GoToDefinitionAt(long long pos)
{
    if (NeedsAFile()) return;
    m_pending.reset();
    ReadingPlace asked = m_window.Here();
    asked.at = m_control.LocationAt(pos);
    GoToDefinitionOf(asked, HistoryStep::Leave, nullptr);
}

void CGameNavigator::GoToDefinitionOf(const ReadingPlace& asked, HistoryStep step,
                                      const std::vector<ReadingPlace>* goneTo)
{
    const ShownGame shown = m_window.GameOfText();
    if (!shown.game) {
        m_window.Say(tr("The game could not be read"));
        return;
    }
    const CGame& game = *shown.game;
    const CGameFile& file = game.File(shown.file);
    const GameMeaning meaning = MeaningAt(game, shown.file, OffsetOf(file, asked.at));
    // What the file alone cannot say waits for the game.
    const auto wait = [&](const QString& what) {
        const QString line = tr("Looking for %1 in the rest of the game, which is still being read").arg(what);
        m_pending = Pending{Pending::Definition, asked, m_window.Here(), {}, line};
        m_window.Say(line, 0);
    };
    if (meaning.kind == GameMeaning::Include) {
        const GameInclude& include = *meaning.include;
        if (!shown.whole) return wait(tr("the file of Include \"%1\"").arg(ShownText(include.Name(file), file.Encoding())));
        if (include.target != NO_FILE) {
            ReadingPlace top{asked.mainPath, PathOf(game.File(include.target)), Location{}, 0};
            return Go(top, step);
        }
        QStringList tried;
        for (const std::string& path : include.Resolution().tried)
            tried << DisplayFileName(DecodeFileName(QByteArray::fromStdString(path)));
        m_window.Say(tr("Include \"%1\" leads to no file; tried %2")
                         .arg(ShownText(include.Name(file), file.Encoding()), tried.join(QStringLiteral(", "))));
        return;
    }
    if (meaning.kind == GameMeaning::Local) {  // declared in its routine's header
        Go(ReadingPlace{asked.mainPath, PathOf(file), LocationOf(meaning.local), -1}, step);
        return;
    }
    if (meaning.kind != GameMeaning::Name && meaning.kind != GameMeaning::Action) {
        m_window.Say(tr("There is no name at the caret"));
        return;
    }
    const QString shownName = ShownText(meaning.key, file.Encoding());
    if (meaning.definitions.empty()) {
        if (!shown.whole) return wait(shownName);
        m_window.Say(tr("No definition of %1 in this game").arg(shownName));
        return;
    }
    std::vector<ReadingPlace> places;
    for (const GameDefinitionRef& ref : meaning.definitions) places.push_back(PlaceOf(game, ref));
    // The game says no more than the file alone did.
    if (goneTo && SamePlaces(places, *goneTo)) return;
    std::size_t chosen = 0;
    // The file alone goes to its first; the game offers them all.
    if (shown.whole && places.size() > 1) {
        CDefinitionChooser chooser(shownName, game, meaning.definitions, &m_dialogParent);
        if (RunModal(m_runModal, chooser) != QDialog::Accepted || chooser.GetChoice() < 0) return;
        chosen = static_cast<std::size_t>(chooser.GetChoice());
    }
    Go(places[chosen], step);
    if (!shown.whole) m_pending = Pending{Pending::Definition, asked, m_window.Here(), places, {}};
}

bool CGameNavigator::LinkAt(long long pos, long long& from, long long& to)
{
    const ShownGame shown = m_window.GameOfText();
    if (!shown.game) return false;
    const CGameFile& file = shown.game->File(shown.file);
    const GameMeaning meaning = MeaningAt(*shown.game, shown.file, OffsetOf(file, m_control.LocationAt(pos)));
    Location at;
    std::uint64_t length = 0;
    if (meaning.kind == GameMeaning::Include && shown.whole && meaning.include->target != NO_FILE) {
        at = LocationOf(*meaning.include);
        length = meaning.include->length;
    } else if (meaning.kind == GameMeaning::Local ||
               ((meaning.kind == GameMeaning::Name || meaning.kind == GameMeaning::Action) && !meaning.definitions.empty())) {
        at = LocationOf(meaning.word);
        length = meaning.word.length;
    } else {
        return false;
    }
    from = m_control.PosOf(at);
    to = m_control.PosOf(Location{at.line, at.column + length});
    return from < to;
}

void CGameNavigator::OnFindReferences()
{
    if (NeedsAFile()) return;
    m_pending.reset();
    FindReferencesOf(m_window.Here(), true);
}

void CGameNavigator::FindReferencesOf(const ReadingPlace& asked, bool focus)
{
    const ShownGame shown = m_window.GameOfText();
    if (!shown.game) {
        m_window.Say(tr("The game could not be read"));
        return;
    }
    const CGameFile& file = shown.game->File(shown.file);
    const GameMeaning meaning = MeaningAt(*shown.game, shown.file, OffsetOf(file, asked.at));
    if (meaning.kind != GameMeaning::Name && meaning.kind != GameMeaning::Action && meaning.kind != GameMeaning::Local) {
        m_window.Say(tr("There is no name at the caret"));
        return;
    }
    m_window.ShowReferences(ShownText(meaning.kind == GameMeaning::Action ? meaning.action : meaning.key, file.Encoding()),
                            *shown.game, UsesOf(*shown.game, meaning), focus);
    // The file's own uses now, the game's once it is there.
    if (!shown.whole) m_pending = Pending{Pending::References, asked, m_window.Here(), {}, {}};
}

void CGameNavigator::GameArrived()
{
    if (!m_pending || !m_window.GameOfText().whole) return;
    const Pending pending = *m_pending;
    m_pending.reset();
    if (!pending.waiting.isEmpty()) m_window.Unsay(pending.waiting);
    // The reader has gone on meanwhile: what was asked is no longer wanted.
    if (!SamePlace(m_window.Here(), pending.left)) return;
    if (pending.kind == Pending::References) return FindReferencesOf(pending.asked, false);
    // A jump the file alone made is put right, Back still leading to where it was asked.
    const bool went = !pending.found.empty();
    GoToDefinitionOf(pending.asked, went ? HistoryStep::Keep : HistoryStep::Leave, went ? &pending.found : nullptr);
}

// ---------------------------------------------------------------------------------------
// The game's outline

void CGameNavigator::OnGoToSymbolInGame()
{
    if (NeedsAFile()) return;
    const ShownGame shown = m_window.GameOfText();
    if (!shown.game) {
        m_window.Say(tr("The game could not be read"));
        return;
    }
    // A tree of its own (its filter is the pop-up's): of the game, or before it is there
    // of the file alone.
    CGameOutlineModel model;
    model.SetGame(shown.game);
    model.Update();
    const QRect area(m_control.mapToGlobal(QPoint(0, 0)), m_control.size());
    CGameSymbolPopup popup(model, shown.file, area, &m_dialogParent);
    if (RunModal(m_runModal, popup) != QDialog::Accepted) return;
    GoToOutlineRow(model, popup.GetChoice(), true);
}

void CGameNavigator::GoToOutlineRow(const CGameOutlineModel& model, const QModelIndex& index, bool byKeyboard)
{
    const std::shared_ptr<const CGame>& game = model.Game();
    if (!game || !index.isValid()) return;
    const QVariant file = index.data(CGameOutlineModel::ROLE_FILE);
    if (!file.isValid()) {
        m_window.Say(tr("%1 leads to no file: its tooltip lists the paths tried")
                         .arg(index.siblingAtColumn(CGameOutlineModel::COLUMN_NAME).data().toString()));
        return;
    }
    ReadingPlace place{m_window.Here().mainPath, PathOf(game->File(file.toUInt())),
                       Location{index.data(CGameOutlineModel::ROLE_LINE).toULongLong(),
                                index.data(CGameOutlineModel::ROLE_COLUMN).toULongLong()},
                       -1};
    // A definition's line goes to the middle of the view; a file opens at its top.
    if (!index.data(CGameOutlineModel::ROLE_DEFINITION).toBool()) place.topLine = 0;
    Go(place, HistoryStep::Leave, byKeyboard);
}
