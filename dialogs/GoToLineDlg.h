#pragma once
// CGoToLineDlg: asks for the number of a line to go to, with the caret's line given and
// selected, so that typing replaces it. Only digits can be typed.
//
//  - OK (or Enter) takes any whole number from 1; a number past the last line (however
//    many digits it has) goes to the last line, as --line does.
//  - 0, or no number at all, keeps the dialog open and says the range of lines under
//    the box, the number selected to be typed over.
//  - Cancel or Escape ends the dialog and nothing moves.

#include <QDialog>

class QLabel;
class QLineEdit;

class CGoToLineDlg : public QDialog {
    Q_OBJECT

public:
    CGoToLineDlg(long long lineCount, long long currentLine, QWidget* parent = nullptr);

    // The line the box's number goes to, from 1 to the line count; 0 when it holds none.
    long long GetLine() const;
    QLineEdit* LineBox() const { return m_line; }

    void accept() override;

private:
    long long m_lineCount;
    QLineEdit* m_line;
    QLabel* m_range;
};
