#include "SkippedCode.h"

#include "GameSession.h"
#include "ShownFile.h"

#include "view/SyntaxRichEditCtrl.h"

#include <QAction>

CSkippedCode::CSkippedCode(CSyntaxRichEditCtrl& control, CGameSession& session, const CShownFile& shown,
                           QAction& show, QObject* parent)
    : QObject(parent), m_control(control), m_session(session), m_shown(shown), m_show(show)
{
    m_show.setCheckable(true);
    m_show.setChecked(true);
    connect(&m_show, &QAction::toggled, this, &CSkippedCode::Update);
    // Queued: the marks of a new text come after its first paint, never inside it.
    connect(&m_control, &CSyntaxRichEditCtrl::textShown, this, &CSkippedCode::Update, Qt::QueuedConnection);
}

void CSkippedCode::Update()
{
    std::vector<CMarkedRun> runs;
    const GamePointer& game = m_session.Game();
    const std::uint32_t file = game && m_show.isChecked() ? m_shown.FileIn(*game) : NO_FILE;
    // Only the game's own reading of the very text shown says where its lines are.
    if (file != NO_FILE && m_session.ShownText() && game->File(file).SharedText() == m_session.ShownText()) {
        const std::uint64_t shownBytes = m_control.ShownBytes().size();
        for (const GameSkippedRange& skipped : game->File(file).SkippedRanges()) {
            // The text shown may stop early (before a line too long to show).
            if (skipped.start >= shownBytes) break;
            CMarkedRun run;
            run.from = static_cast<std::uint64_t>(m_control.PosOfByte(skipped.start));
            run.to = static_cast<std::uint64_t>(m_control.PosOfByte(skipped.end));
            // Skipped code that begins with the line feed of the directive's line begins,
            // for the eye, on the next line.
            long long rowFrom = 0, rowTo = 0;
            m_control.GetRowRange(m_control.RowOf(static_cast<long long>(run.from)), rowFrom, rowTo);
            if (static_cast<long long>(run.from) == rowTo && run.from < run.to) ++run.from;
            if (skipped.firstLine >= 1 && skipped.lastLine >= skipped.firstLine) {
                run.firstRow = static_cast<std::size_t>(m_control.RowOf(m_control.PosOf(Location{skipped.firstLine - 1u, 0})));
                run.lastRow = static_cast<std::size_t>(m_control.RowOf(m_control.PosOf(Location{skipped.lastLine - 1u, 0})));
            }
            runs.push_back(run);
        }
    }
    m_control.SetMarks(std::move(runs), TINT, BAR);
}
