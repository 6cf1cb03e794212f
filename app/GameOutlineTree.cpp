#include "GameOutlineTree.h"

#include "FilteredTree.h"
#include "view/GameOutlineModel.h"

#include <QLineEdit>
#include <QSortFilterProxyModel>
#include <QTreeView>

namespace {

// The rows the game's model keeps for the filter (CGameOutlineModel::SetFilter): a
// definition by its name, a file while something under it is kept.
class CDefinitionFilter final : public QSortFilterProxyModel {
public:
    explicit CDefinitionFilter(CGameOutlineModel& model, QObject* parent) : QSortFilterProxyModel(parent), m_model(model)
    {
    }

protected:
    bool filterAcceptsRow(int row, const QModelIndex& parent) const override
    {
        return m_model.IsKept(m_model.index(row, 0, parent));
    }

private:
    const CGameOutlineModel& m_model;
};

}  // namespace

CGameOutlineTree::CGameOutlineTree(CGameOutlineModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    m_proxy = new CDefinitionFilter(model, this);
    m_proxy->setSourceModel(&model);

    auto* view = new CFilteredTree(*this, *m_proxy, tr("Files and definitions of the game"),
                                   CGameOutlineModel::COLUMN_NAME, CGameOutlineModel::COLUMN_KIND,
                                   CGameOutlineModel::COLUMN_LINE);
    m_filter = view->Filter();
    m_tree = view->Tree();
    view->OnEnter([this] { Choose(m_tree->currentIndex(), true); });

    connect(m_filter, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_model.SetFilter(text);
        m_proxy->invalidate();
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

void CGameOutlineTree::Refresh()
{
    if (m_filter->text().isEmpty()) {
        m_tree->collapseAll();
        ExpandCurrentFile();
        return;
    }
    m_tree->expandAll();
    if (!m_tree->currentIndex().isValid()) m_tree->setCurrentIndex(m_proxy->mapFromSource(m_model.FirstKeptDefinition()));
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
