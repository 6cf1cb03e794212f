#include "OutlineList.h"

#include "view/OutlineModel.h"

#include <QApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTreeView>
#include <QVBoxLayout>

COutlineList::COutlineList(COutlineModel& model, QWidget* parent) : QWidget(parent)
{
    m_proxy.setSourceModel(&model);
    m_proxy.setFilterKeyColumn(COutlineModel::COLUMN_NAME);
    m_proxy.setFilterCaseSensitivity(Qt::CaseInsensitive);

    // Alt+I: Alt+F is the File menu's.
    auto* label = new QLabel(tr("F&ilter:"), this);
    m_filter = new QLineEdit(this);
    m_filter->setObjectName(QStringLiteral("OutlineFilter"));
    m_filter->setAccessibleName(tr("Filter the definitions by name"));
    m_filter->setPlaceholderText(tr("Part of a name"));
    m_filter->setClearButtonEnabled(true);
    label->setBuddy(m_filter);
    m_filter->installEventFilter(this);

    m_list = new QTreeView(this);
    m_list->setObjectName(QStringLiteral("OutlineList"));
    m_list->setAccessibleName(tr("Definitions"));
    m_list->setModel(&m_proxy);
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);  // quick with tens of thousands of rows
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_list->header()->setStretchLastSection(false);
    m_list->header()->setSectionResizeMode(COutlineModel::COLUMN_NAME, QHeaderView::Stretch);
    m_list->header()->setSectionResizeMode(COutlineModel::COLUMN_KIND, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(COutlineModel::COLUMN_LINE, QHeaderView::ResizeToContents);

    auto* filterRow = new QHBoxLayout;
    filterRow->addWidget(label);
    filterRow->addWidget(m_filter, 1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addLayout(filterRow);
    layout->addWidget(m_list, 1);
    setTabOrder(m_filter, m_list);

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

bool COutlineList::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_filter && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: {
            // The list moves; the focus stays in the filter box.
            QKeyEvent copy(key->type(), key->key(), key->modifiers());
            QApplication::sendEvent(m_list, &copy);
            return true;
        }
        case Qt::Key_Return:
        case Qt::Key_Enter:
            EnsureCurrent();
            Choose(m_list->currentIndex(), true);
            return true;
        default:
            break;
        }
    }
    return QWidget::eventFilter(watched, event);
}
