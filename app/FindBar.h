#pragma once
// CFindBar: the find bar under the text, a bar of the main window that is hidden until
// Find (Ctrl+F) opens it. Nothing of it is stored.
//
//  - Open puts the selection (when it lies within one line) or else the word at the
//    caret into its text box, selects that text and gives the box the focus; in the
//    box itself, it selects the box's text.
//  - Typing searches at once, from where the search began (where the selection began
//    when the bar opened, the last match Find Next or Previous went to, or where the
//    user last put the caret): the first match from there (round the end of the text)
//    becomes the selection; with no match the caret goes back there and the bar says
//    "Not found".
//  - Find Next (Enter, F3) and Find Previous (Shift+Enter, Shift+F3) go on from the
//    selection; at an end the search goes round and the message pane says so. With an
//    empty text box they open the bar instead.
//  - Match case and Whole words (see CTextSearch) search again at once. Their keys,
//    Alt+C and Alt+W, toggle them and leave the focus where it was.
//  - The message pane's word that a search went round an end goes at the next search
//    that does not.
//  - Every match in the rows shown is highlighted; the current one is the selection.
//    The count ("3 of 1,204") is made between other events, a slice of text at a time
//    (CFindSession), so that typing stays quick on a huge text; until it is done the
//    bar shows "…" in its place.
//  - Escape (anywhere in the bar) or its close button hides the bar, takes the
//    highlights away and gives the focus back to the text.
//  - A new text (another file, or the styles changed) searches it afresh.

#include "view/FindSession.h"

#include <QPointer>
#include <QTimer>
#include <QToolBar>

class CSyntaxRichEditCtrl;
class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

class CFindBar : public QToolBar {
    Q_OBJECT

public:
    explicit CFindBar(CSyntaxRichEditCtrl& control, QWidget* parent = nullptr);

    void Open();
    void FindNext() { FindAgain(true); }
    void FindPrevious() { FindAgain(false); }
    void Close();

    QLineEdit* FindEdit() const { return m_edit; }
    // The count as shown ("3 of 1,204", "Not found", ...).
    QString CountText() const;
    const CFindSession& Session() const { return m_session; }

    // The background of the matches that are not the current one.
    static const QColor MATCH_BACKGROUND;

signals:
    // A line for the main window's message pane (the search went round an end); empty
    // when the line the bar said last no longer holds.
    void message(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FindAgain(bool forward);
    // The text or an option changed: search again from the origin.
    void SearchAsYouType();
    void ShowFound(const CTextSearch::Match& match);
    // Says in the message pane that a search went round an end, or takes that back.
    void SayWrapped(bool wrapped, bool forward);
    void Select(std::uint64_t from, std::uint64_t to);
    void SelectionChanged();
    void TextReplaced();
    void StartCount();
    void CountSome();
    void UpdateCount();
    void SetNotFound(bool notFound);
    // What Open puts in the text box, and where it begins in the text.
    struct Seed {
        QString text;
        std::uint64_t start = 0;
    };
    Seed SeedText() const;
    void UpdateHighlightSource();

    CSyntaxRichEditCtrl& m_control;
    CFindSession m_session;
    QLineEdit* m_edit = nullptr;
    QCheckBox* m_matchCase = nullptr;
    QCheckBox* m_wholeWords = nullptr;
    QToolButton* m_previous = nullptr;
    QToolButton* m_next = nullptr;
    QToolButton* m_close = nullptr;
    QLabel* m_count = nullptr;
    QTimer m_countTimer;
    std::uint64_t m_origin = 0;  // where the search as you type starts
    bool m_selecting = false;    // the bar itself is moving the selection
    bool m_notFound = false;
    bool m_saidWrapped = false;  // the message pane was told that a search went round
};
