#include "OutlineList.h"

#include "FilteredTree.h"
#include "view/OutlineModel.h"

#include <QLineEdit>
#include <QTreeView>

COutlineList::COutlineList(COutlineModel& model, QWidget* parent) : QWidget(parent)
{
    m_proxy.setSourceModel(&model);
    m_proxy.setFilterKeyColumn(COutlineModel::COLUMN_NAME);
    m_proxy.setFilterCaseSensitivity(Qt::CaseInsensitive);

    auto* view = new CFilteredTree(*this, m_proxy, tr("Definitions"), COutlineModel::COLUMN_NAME,
                                   COutlineModel::COLUMN_KIND, COutlineModel::COLUMN_LINE);
    m_filter = view->Filter();
    m_list = view->Tree();
    m_list->setRootIsDecorated(false);
    view->OnEnter([this] {
        EnsureCurrent();
        Choose(m_list->currentIndex(), true);
    });

    connect(m_filter, &QLineEdit::textChanged, this, [this](const QString& text) {
        m_proxy.setFilterFixedString(text);
        m_list->setCurrentIndex(QModelIndex());
        EnsureCurrent();
    });
    connect(&m_proxy, &QAbstractItemModel::modelReset, this, &COutlineList::EnsureCurrent);
    connect(m_list, &QTreeView::activated, this, [this](const QModelIndex& index) { Choose(index, true); });
    connect(m_list, &QTreeView::clicked, this, [this](const QModelIndex& index) { Choose(index, false); });
}

void COutlineList::EnsureCurrent()
{
    if (!m_list->currentIndex().isValid() && m_proxy.rowCount() > 0) m_list->setCurrentIndex(m_proxy.index(0, 0));
}

std::optional<std::uint64_t> COutlineList::CurrentPosition() const
{
    const QModelIndex index = m_list->currentIndex();
    if (!index.isValid()) return std::nullopt;
    return index.data(COutlineModel::ROLE_POSITION).toULongLong();
}

void COutlineList::Choose(const QModelIndex& index, bool byKeyboard)
{
    if (!index.isValid()) return;
    emit definitionChosen(index.data(COutlineModel::ROLE_POSITION).toULongLong(), byKeyboard);
}
