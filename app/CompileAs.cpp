#include "CompileAs.h"

#include "GameSession.h"

#include "game/CompilerSwitches.h"
#include "game/Game.h"

#include <QAction>
#include <QActionGroup>

CCompileAs::CCompileAs(CGameSession& session, QAction& zcode, QAction& glulx, QAction& debug, QObject* parent)
    : QObject(parent), m_session(session), m_zcode(zcode), m_glulx(glulx), m_debug(debug)
{
    for (QAction* action : {&m_zcode, &m_glulx, &m_debug}) action->setCheckable(true);
    auto* target = new QActionGroup(this);
    target->setExclusive(true);
    target->addAction(&m_zcode);
    target->addAction(&m_glulx);
    // triggered, not toggled: a choice of the user's, never the checks following the game.
    for (QAction* action : {&m_zcode, &m_glulx, &m_debug}) connect(action, &QAction::triggered, this, &CCompileAs::Choose);
    SetSwitches({});
}

void CCompileAs::SetSwitches(const std::string& switches)
{
    m_switches = switches;
    m_session.SetSwitches(switches);
    CompilerSwitches read;
    read.ApplyCommandLine(switches);
    Check(read.glulx, read.debug);
}

void CCompileAs::Check(bool glulx, bool debug)
{
    m_zcode.setChecked(!glulx);
    m_glulx.setChecked(glulx);
    m_debug.setChecked(debug);
}

void CCompileAs::Choose()
{
    // After the command line's, so that these win over them (the header still wins over all).
    std::string switches = m_switches;
    switches += (switches.empty() ? "" : " ");
    switches += m_glulx.isChecked() ? "-G" : "-~G";
    switches += m_debug.isChecked() ? " -D" : " -~D";
    m_session.SetSwitches(switches);
    m_tell = true;
    m_session.Rebuild();
}

QString CCompileAs::GameArrived(const CGame& game)
{
    const CompilerSwitches& read = game.Switches();
    Check(read.glulx, read.debug);
    if (!m_tell) return {};
    m_tell = false;
    return tr("Compiled as %1").arg(QString::fromStdString(read.Describe()));
}
