#include "GoToLineDlg.h"

#include "view/NumberText.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>
#include <climits>

CGoToLineDlg::CGoToLineDlg(long long lineCount, long long currentLine, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("IDD_GOTO_LINE"));
    setWindowTitle(tr("Go to Line"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    // A spin box holds an int; a text has fewer lines than that in any case worth showing.
    const int last = static_cast<int>(std::clamp<long long>(lineCount, 1, INT_MAX));
    m_line = new QSpinBox(this);
    m_line->setObjectName(QStringLiteral("IDC_LINE_NUMBER"));
    m_line->setRange(1, last);
    m_line->setValue(static_cast<int>(std::clamp<long long>(currentLine, 1, last)));
    m_line->setAccessibleName(tr("Line number"));
    m_line->setMinimumWidth(m_line->fontMetrics().horizontalAdvance(QString::number(last)) +
                            m_line->fontMetrics().averageCharWidth() * 8);
    auto* label = new QLabel(tr("&Line number (1 - %1):").arg(GroupedNumber(static_cast<std::uint64_t>(last))), this);
    label->setObjectName(QStringLiteral("IDC_LINE_PROMPT"));
    label->setBuddy(m_line);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("IDOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("IDCANCEL"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_line);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_line->selectAll();
    m_line->setFocus();
}

long long CGoToLineDlg::GetLine() const { return m_line->value(); }
