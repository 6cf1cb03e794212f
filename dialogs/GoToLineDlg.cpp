#include "GoToLineDlg.h"

#include "view/NumberText.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

#include <algorithm>

CGoToLineDlg::CGoToLineDlg(long long lineCount, long long currentLine, QWidget* parent)
    : QDialog(parent), m_lineCount(std::max(1LL, lineCount))
{
    setObjectName(QStringLiteral("IDD_GOTO_LINE"));
    setWindowTitle(tr("Go to Line"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);

    const QString last = GroupedNumber(static_cast<std::uint64_t>(m_lineCount));
    m_line = new QLineEdit(this);
    m_line->setObjectName(QStringLiteral("IDC_LINE_NUMBER"));
    m_line->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_line));
    m_line->setText(QString::number(std::clamp(currentLine, 1LL, m_lineCount)));
    m_line->setAccessibleName(tr("Line number"));
    m_line->setMinimumWidth(m_line->fontMetrics().horizontalAdvance(QString::number(m_lineCount)) +
                            m_line->fontMetrics().averageCharWidth() * 8);
    auto* label = new QLabel(tr("&Line number (1 - %1):").arg(last), this);
    label->setObjectName(QStringLiteral("IDC_LINE_PROMPT"));
    label->setBuddy(m_line);
    m_range = new QLabel(tr("Give a line from 1 to %1.").arg(last), this);
    m_range->setObjectName(QStringLiteral("IDC_LINE_RANGE"));
    m_range->hide();

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setObjectName(QStringLiteral("IDOK"));
    buttons->button(QDialogButtonBox::Cancel)->setObjectName(QStringLiteral("IDCANCEL"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_line);
    layout->addWidget(m_range);
    layout->addWidget(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    m_line->selectAll();
    m_line->setFocus();
}

long long CGoToLineDlg::GetLine() const { return std::min(LineNumberOf(m_line->text()), m_lineCount); }

void CGoToLineDlg::accept()
{
    if (GetLine() == 0) {
        m_range->show();
        m_line->selectAll();
        m_line->setFocus();
        return;
    }
    QDialog::accept();
}
