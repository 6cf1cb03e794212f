#include "GameOutlineTree.h"

#include "view/GameOutlineModel.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTreeView>

namespace {

// Definitions are kept by their names; a file stays while something under it is kept.
class CDefinitionFilter final : public QSortFilterProxyModel {
public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        if (filterRegularExpression().pattern().isEmpty()) return true;
        const QModelIndex index = sourceModel()->index(row, 0, parent);
        return index.data(CGameOutlineModel::ROLE_DEFINITION).toBool() &&
               QSortFilterProxyModel::filterAcceptsRow(row, parent);
    }
};

}  // namespace

CGameOutlineTree::CGameOutlineTree(CGameOutlineModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    m_proxy = new CDefinitionFilter(this);
    m_proxy->setSourceModel(&model);
    m_proxy->setFilterKeyColumn(CGameOutlineModel::COLUMN_NAME);
    m_proxy->setFilterCaseSensitivity(Qt::CaseInsensitive);
    m_proxy->setRecursiveFilteringEnabled(true);

    // Alt+I: Alt+F is the File menu's.
    auto* label = new QLabel(tr("F&ilter:"), this);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("OutlineFilter"));
    m_filter->setAccessibleName(tr("Filter the definitions by name"));
    m_filter->setPlaceholderText(tr("Part of a name"));
    m_filter->setClearButtonEnabled(true);
    label->setBuddy(m_filter);
    m_filter->installEventFilter(this);

    m_tree = new QTreeView(this);
    m_tree->setObjectName(QStringLiteral("OutlineList"));
    m_tree->setAccessibleName(tr("Files and definitions of the game"));
    m_tree->setModel(m_proxy);
    m_tree->setUniformRowHeights(true);
    m_tree->setAllColumnsShowFocus(true);
    m_tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_tree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tree->header()->setStretchLastSection(false);
    m_tree->header()->setSectionResizeMode(CGameOutlineModel::COLUMN_NAME, QHeaderView::Stretch);
    m_tree->header()->setSectionResizeMode(CGameOutlineModel::COLUMN_KIND, QHeaderView::ResizeToContents);
    m_tree->header()->setSectionResizeMode(CGameOutlineModel::COLUMN_LINE, QHeaderView::ResizeToContents);

    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(label);
    filterRow->addWidget(m_filter, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(filterRow);
    layout->addWidget(m_tree, 1);
    setTabOrder(m_filter, m_tree);

    connect(m_filter, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_proxy->setFilterFixedString(text);
        m_tree->setCurrentIndex(QModelIndex());
        Refresh();
    });
    connect(m_proxy, &QAbstractItemModel::modelReset, this, &CGameOutlineTree::Refresh);
    connect(m_tree, &QTreeView::activated, this, [this](const QModelIndex& index) { Choose(index, true); });
    connect(m_tree, &QTreeView::clicked, this, [this](const QModelIndex& index) { Choose(index, false); });
}

void CGameOutlineTree::SetCurrentFile(std::uint32_t file)
{
    m_currentFile = file;
    if (m_filter->text().isEmpty()) {
        m_tree->collapseAll();
        ExpandCurrentFile();
    }
}

void CGameOutlineTree::ExpandCurrentFile()
{
    const QModelIndex file = m_proxy->mapFromSource(m_model.FileIndex(m_currentFile));
    if (!file.isValid()) return;
    for (QModelIndex at = file; at.isValid(); at = at.parent()) m_tree->expand(at);
    m_tree->setCurrentIndex(file);
    m_tree->scrollTo(file, QAbstractItemView::PositionAtTop);
}

QModelIndex CGameOutlineTree::FirstDefinition(const QModelIndex& parent) const
{
    for (int row = 0; row < m_proxy->rowCount(parent); ++row) {
        const QModelIndex index = m_proxy->index(row, 0, parent);
        if (index.data(CGameOutlineModel::ROLE_DEFINITION).toBool()) return index;
        if (const QModelIndex inside = FirstDefinition(index); inside.isValid()) return inside;
    }
    return {};
}

void CGameOutlineTree::Refresh()
{
    if (m_filter->text().isEmpty()) {
        m_tree->collapseAll();
        ExpandCurrentFile();
        return;
    }
    m_tree->expandAll();
    if (!m_tree->currentIndex().isValid()) m_tree->setCurrentIndex(FirstDefinition({}));
}

QModelIndex CGameOutlineTree::CurrentIndex() const
{
    return m_proxy->mapToSource(m_tree->currentIndex().siblingAtColumn(0));
}

void CGameOutlineTree::Choose(const QModelIndex& proxyIndex, bool byKeyboard)
{
    if (!proxyIndex.isValid()) return;
    emit rowChosen(m_proxy->mapToSource(proxyIndex.siblingAtColumn(0)), byKeyboard);
}

bool CGameOutlineTree::eventFilter(QObject* watched, QEvent* event)
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
            Choose(m_tree->currentIndex(), true);
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
