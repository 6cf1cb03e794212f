#pragma once
// CAboutDlg: the About box. The application icon, the version line and one line about
// the program, an OK button; OK, Escape and the close box end it.

#include <QDialog>

inline constexpr const char* ABOUT_CAPTION = "About Glossel";
inline constexpr const char* ABOUT_VERSION_LINE = "Glossel Version 0.2";
inline constexpr const char* ABOUT_SECOND_LINE = "A read-only viewer for Inform 6 source";

class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* parent = nullptr);
};
