#include "OutlineModel.h"

#include "GameText.h"
#include "NumberText.h"
#include "SyntaxRichEditCtrl.h"

#include "syntax/DisplayText.h"

COutlineModel::COutlineModel(const CSyntaxRichEditCtrl& control, QObject* parent)
    : QAbstractTableModel(parent), m_control(control)
{
    connect(&control, &CSyntaxRichEditCtrl::textReplaced, this, &COutlineModel::Invalidate);
}

void COutlineModel::Invalidate()
{
    beginResetModel();
    m_outline.Clear();
    m_upToDate = false;
    endResetModel();
}

void COutlineModel::Update()
{
    if (m_upToDate) return;
    beginResetModel();
    const std::string_view text = m_control.ShownBytes();
    // A failed build (out of memory) leaves an empty outline: nothing to show.
    m_outline.Build(text.data(), text.size());
    m_upToDate = true;
    endResetModel();
}

QString COutlineModel::Name(const OutlineEntry& entry) const
{
    return ShownText(COutline::Name(entry, m_control.ShownBytes()), m_control.ShownEncoding());
}

int COutlineModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_outline.GetEntries().size());
}

int COutlineModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : COLUMN_COUNT; }

QVariant COutlineModel::data(const QModelIndex& index, int role) const
{
    const std::vector<OutlineEntry>& entries = m_outline.GetEntries();
    if (!index.isValid() || static_cast<std::size_t>(index.row()) >= entries.size()) return {};
    const OutlineEntry& entry = entries[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        switch (index.column()) {
        case COLUMN_NAME: return Name(entry);
        case COLUMN_KIND: return QString::fromLatin1(OutlineKindName(entry.Kind()));
        case COLUMN_LINE: return GroupedNumber(entry.Line());
        default: return {};
        }
    case Qt::TextAlignmentRole:
        return index.column() == COLUMN_LINE ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case ROLE_POSITION:
        return QVariant::fromValue<qulonglong>(static_cast<qulonglong>(m_control.PosOfByte(entry.Offset())));
    case ROLE_LINE:
        return QVariant::fromValue<qulonglong>(entry.Line());
    default:
        return {};
    }
}

QVariant COutlineModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    return Header(section, orientation, role);
}

QVariant COutlineModel::Header(int section, Qt::Orientation orientation, int role)
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    switch (section) {
    case COLUMN_NAME: return tr("Name");
    case COLUMN_KIND: return tr("Kind");
    case COLUMN_LINE: return tr("Line");
    default: return {};
    }
}
