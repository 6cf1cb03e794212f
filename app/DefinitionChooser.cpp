#include "DefinitionChooser.h"

#include "doc/FileName.h"
#include "view/GameText.h"
#include "view/NumberText.h"

#include <QDialogButtonBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QTreeWidget>
#include <QVBoxLayout>

CDefinitionChooser::CDefinitionChooser(const QString& name, const CGame& game,
                                       const std::vector<GameDefinitionRef>& definitions, QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("DefinitionChooser"));
    setWindowTitle(tr("Go to Definition"));
    auto* label = new QLabel(tr("%1 is defined %2 times:").arg(name).arg(definitions.size()), this);
    label->setTextFormat(Qt::PlainText);
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("DefinitionList"));
    m_list->setAccessibleName(tr("Definitions of %1").arg(name));
    m_list->setHeaderLabels({tr("File"), tr("Line"), tr("Text"), tr("Note")});
    m_list->setRootIsDecorated(false);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(2, QHeaderView::ResizeToContents);
    label->setBuddy(m_list);
    for (std::size_t i = 0; i < definitions.size(); ++i) {
        const CGameFile& file = game.File(definitions[i].file);
        const GameDefinition& d = game.Definition(definitions[i]);
        const QString path = DecodeFileName(QByteArray::fromStdString(file.Path()));
        auto* item = new QTreeWidgetItem(m_list);
        item->setText(0, QFileInfo(path).fileName());
        item->setToolTip(0, path);
        item->setText(1, GroupedNumber(d.Line()));
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(2, ShownText(file.LineAt(d.Offset() - d.Column()), file.Encoding()).trimmed());
        item->setData(0, Qt::UserRole, static_cast<int>(i));
        if (!d.IsCompiled()) {
            item->setText(3, tr("not compiled: %1").arg(QString::fromStdString(game.DescribeReason(d.Reason()))));
            const QBrush grey = palette().brush(QPalette::Disabled, QPalette::Text);
            for (int column = 0; column < 4; ++column) item->setForeground(column, grey);
        }
    }
    if (m_list->topLevelItemCount() > 0) m_list->setCurrentItem(m_list->topLevelItem(0));
    connect(m_list, &QTreeWidget::itemActivated, this, &QDialog::accept);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_list, 1);
    layout->addWidget(buttons);
    resize(std::max(480, sizeHint().width()), sizeHint().height());
    m_list->setFocus();
}

int CDefinitionChooser::GetChoice() const
{
    const QTreeWidgetItem* item = m_list->currentItem();
    return item ? item->data(0, Qt::UserRole).toInt() : -1;
}
