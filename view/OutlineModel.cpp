#include "OutlineModel.h"

#include "NumberText.h"
#include "SyntaxRichEditCtrl.h"

COutlineModel::COutlineModel(const CSyntaxRichEditCtrl& control, QObject* parent)
    : QAbstractTableModel(parent), m_control(control)
{
}

void COutlineModel::Invalidate()
{
    beginResetModel();
    m_outline.Clear();
    m_names.clear();
    m_positions.clear();
    m_upToDate = false;
    endResetModel();
}

void COutlineModel::Update()
{
    if (m_upToDate) return;
    beginResetModel();
    const CRichTextStore& store = m_control.GetStore();
    const std::string_view text = store.Bytes();
    // A failed build (out of memory) leaves an empty outline: nothing to show.
    m_outline.Build(text.data(), text.size());
    const std::vector<OutlineEntry>& entries = m_outline.GetEntries();
    m_names.clear();
    m_names.reserve(static_cast<qsizetype>(entries.size()));
    m_positions.clear();
    m_positions.reserve(entries.size());
    for (const OutlineEntry& entry : entries) {
        const std::uint64_t from = store.UnitOfByte(entry.Offset());
        const std::uint64_t to = store.UnitOfByte(entry.Offset() + entry.Length());
        const std::u16string name = store.Text(from, to);
        m_names.append(QString(reinterpret_cast<const QChar*>(name.data()), static_cast<qsizetype>(name.size())));
        m_positions.push_back(from);
    }
    m_upToDate = true;
    endResetModel();
}

int COutlineModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_names.size());
}

int COutlineModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : COLUMN_COUNT; }

QVariant COutlineModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_names.size()) return {};
    const auto row = static_cast<std::size_t>(index.row());
    const OutlineEntry& entry = m_outline.GetEntries()[row];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        switch (index.column()) {
        case COLUMN_NAME: return m_names[index.row()];
        case COLUMN_KIND: return QString::fromLatin1(OutlineKindName(entry.Kind()));
        case COLUMN_LINE: return GroupedNumber(entry.Line());
        default: return {};
        }
    case Qt::TextAlignmentRole:
        return index.column() == COLUMN_LINE ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case ROLE_POSITION:
        return QVariant::fromValue<qulonglong>(m_positions[row]);
    case ROLE_LINE:
        return QVariant::fromValue<qulonglong>(entry.Line());
    default:
        return {};
    }
}

QVariant COutlineModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case COLUMN_NAME: return tr("Name");
    case COLUMN_KIND: return tr("Kind");
    case COLUMN_LINE: return tr("Line");
    default: return {};
    }
}
