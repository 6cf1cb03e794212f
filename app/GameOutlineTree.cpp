#include "GameOutlineTree.h"

#include "FilteredTree.h"
#include "view/GameOutlineModel.h"

#include <QLineEdit>
#include <QTreeView>

CGameOutlineTree::CGameOutlineTree(CGameOutlineModel& model, QWidget* parent) : QWidget(parent), m_model(model)
{
    auto* view = new CFilteredTree(*this, model, tr("Files and definitions of the game"),
                                   CGameOutlineModel::COLUMN_NAME, CGameOutlineModel::COLUMN_KIND,
                                   CGameOutlineModel::COLUMN_LINE);
    m_filter = view->Filter();
    m_tree = view->Tree();
    view->OnEnter([this] { Choose(m_tree->currentIndex(), true); });

    // The rows expanded go before the model changes: letting its reset forget them one by
    // one takes long when they are tens of thousands.
    connect(&model, &QAbstractItemModel::modelAboutToBeReset, m_tree, &QTreeView::collapseAll);
    connect(m_filter, &QLineEdit::textChanged, &model, &CGameOutlineModel::SetFilter);
    connect(&model, &QAbstractItemModel::modelReset, this, &CGameOutlineTree::Refresh);
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
    const QModelIndex file = m_model.FileIndex(m_currentFile);
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
    if (!m_tree->currentIndex().isValid()) m_tree->setCurrentIndex(m_model.FirstKeptDefinition());
}

QModelIndex CGameOutlineTree::CurrentIndex() const
{
    return m_tree->currentIndex().siblingAtColumn(0);
}

void CGameOutlineTree::Choose(const QModelIndex& index, bool byKeyboard)
{
    if (!index.isValid()) return;
    emit rowChosen(index.siblingAtColumn(0), byKeyboard);
}
