#pragma once
// CCompileAs: View > Compile As, the switches the game is read with for the run: Z-code
// or Glulx (one of the two checked) and Debug (-D). Nothing of it is stored.
//
//  - The checks begin as the command line's switches (--switches) make them; choosing an
//    item reads the game again with those switches and, after them, the target and
//    Debug the items now say. The main file's "!%" lines still apply after all of them,
//    as the compiler applies them, so that the checks follow the game once it is there.
//  - GameArrived gives, once for each game started and each choice made, the line the
//    message pane says when the game is there ("Compiled as Z-code v5"); else "".

#include <QObject>
#include <QString>

#include <string>

class CGame;
class CGameSession;
class QAction;

class CCompileAs : public QObject {
    Q_OBJECT

public:
    CCompileAs(CGameSession& session, QAction& zcode, QAction& glulx, QAction& debug, QObject* parent = nullptr);

    // The command line's switches: the session reads the game with them, the checks follow.
    void SetSwitches(const std::string& switches);
    // A new game was started: its first build is to be told.
    void GameStarted() { m_tell = true; }
    QString GameArrived(const CGame& game);

private:
    void Choose();
    void Check(bool glulx, bool debug);

    CGameSession& m_session;
    QAction& m_zcode;
    QAction& m_glulx;
    QAction& m_debug;
    std::string m_switches;  // the command line's
    bool m_tell = true;
};
