#pragma once
// CGoToLineDlg: asks for the number of a line to go to, from 1 to the number of lines
// of the text, with the caret's line given and selected, so that typing replaces it.
// OK (or Enter) takes the number; Cancel or Escape ends the dialog and nothing moves.
// A number outside the range cannot be typed.

#include <QDialog>

class QSpinBox;

class CGoToLineDlg : public QDialog {
    Q_OBJECT

public:
    CGoToLineDlg(long long lineCount, long long currentLine, QWidget* parent = nullptr);

    long long GetLine() const;
    QSpinBox* LineBox() const { return m_line; }

private:
    QSpinBox* m_line;
};
