#include "FilteredTree.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>
#include <QVBoxLayout>

CFilteredTree::CFilteredTree(QWidget& owner, QAbstractItemModel& model, const QString& treeName, int nameColumn,
                             int kindColumn, int lineColumn)
    : QObject(&owner)
{
    auto* label = new QLabel(QWidget::tr("F&ilter:"), &owner);
    m_filter = new QLineEdit(&owner);
    m_filter->setObjectName(QStringLiteral("OutlineFilter"));
    m_filter->setAccessibleName(QWidget::tr("Filter the definitions by name"));
    m_filter->setPlaceholderText(QWidget::tr("Part of a name"));
    m_filter->setClearButtonEnabled(true);
    label->setBuddy(m_filter);
    m_filter->installEventFilter(this);

    m_tree = new QTreeView(&owner);
    m_tree->setObjectName(QStringLiteral("OutlineList"));
    m_tree->setAccessibleName(treeName);
    m_tree->setModel(&model);
    m_tree->setUniformRowHeights(true);  // quick with tens of thousands of rows
    m_tree->setAllColumnsShowFocus(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(nameColumn, QHeaderView::Stretch);
    m_tree->header()->setSectionResizeMode(kindColumn, QHeaderView::ResizeToContents);
    m_tree->header()->setSectionResizeMode(lineColumn, QHeaderView::ResizeToContents);

    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(label);
    filterRow->addWidget(m_filter, 1);
    auto* layout = new QVBoxLayout(&owner);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(filterRow);
    layout->addWidget(m_tree, 1);
    QWidget::setTabOrder(m_filter, m_tree);
}

bool CFilteredTree::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_filter && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            // The tree moves; the focus stays in the filter box.
            QKeyEvent copy(key->type(), key->key(), key->modifiers());
            QApplication::sendEvent(m_tree, &copy);
            return true;
        }
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (m_choose) m_choose();
            return true;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}
