#include "AboutDlg.h"

#include "Resource.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("IDD_ABOUTBOX"));
    setWindowTitle(QString::fromLatin1(ABOUT_CAPTION));
    // A caption with a close box only: the box has a fixed size.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("IDR_MAINFRAME"));
    const int side = 32;
    icon->setPixmap(QIcon(QStringLiteral(":/icons/glossel.svg")).pixmap(side, side));
    icon->setFixedSize(side, side);

    // Plain text: an ampersand stays an ampersand.
    auto* version = new QLabel(QString::fromLatin1(ABOUT_VERSION_LINE), this);
    version->setObjectName(QStringLiteral("IDC_VERSION"));
    version->setTextFormat(Qt::PlainText);
    auto* about = new QLabel(QString::fromLatin1(ABOUT_SECOND_LINE), this);
    about->setObjectName(QStringLiteral("IDC_ABOUT_TEXT"));
    about->setTextFormat(Qt::PlainText);

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("IDOK"));
    ok->setDefault(true);
    ok->setAutoDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* texts = new QVBoxLayout;
    texts->addWidget(version);
    texts->addSpacing(fontMetrics().height() / 2);
    texts->addWidget(about);
    texts->addStretch();

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(icon, 0, Qt::AlignTop);
    layout->addSpacing(fontMetrics().averageCharWidth() * 2);
    layout->addLayout(texts, 1);
    layout->addSpacing(fontMetrics().averageCharWidth() * 2);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    ok->setFocus();
}
