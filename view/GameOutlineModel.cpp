#include "GameOutlineModel.h"

#include "GameText.h"
#include "NumberText.h"
#include "OutlineModel.h"

#include "doc/FileName.h"
#include "game/Location.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QPalette>

namespace {

constexpr std::uint32_t ROOT = 0;

bool InOutline(const GameDefinition& d)
{
    // A property no directive declares (the first `with` that names it) is no row.
    return static_cast<int>(d.Kind()) <= static_cast<int>(DefinitionKind::PropertyRoutine) && !d.IsImplicit();
}

QString PathText(const std::string& path)
{
    return DecodeFileName(QByteArray::fromStdString(path));
}

}  // namespace

CGameOutlineModel::CGameOutlineModel(QObject* parent) : QAbstractItemModel(parent) {}

CGameOutlineModel::~CGameOutlineModel() = default;

void CGameOutlineModel::SetGame(std::shared_ptr<const CGame> game)
{
    beginResetModel();
    m_game = std::move(game);
    m_nodes.clear();
    m_fileNodes.clear();
    m_keptChildren.clear();
    m_keptRow.clear();
    m_upToDate = false;
    endResetModel();
}

void CGameOutlineModel::Update()
{
    if (m_upToDate) return;
    beginResetModel();
    m_nodes.clear();
    m_nodes.push_back(Node{NO_NODE, 0, NO_FILE, 0, NO_FILE, 0, NodeType::File, {}});
    if (m_game) {
        m_fileNodes.assign(m_game->FileCount(), NO_NODE);
        std::vector<std::uint32_t> toFill;
        AddFile(ROOT, 0, NO_FILE, NO_FILE, toFill);
        while (!toFill.empty()) {
            const std::uint32_t node = toFill.back();
            toFill.pop_back();
            FillFile(node, toFill);
        }
    }
    m_upToDate = true;
    ApplyFilter();
    endResetModel();
}

std::uint32_t CGameOutlineModel::AddNode(std::uint32_t parent, NodeType type, std::uint32_t file, std::uint32_t item,
                                         std::uint32_t includingFile)
{
    const auto index = static_cast<std::uint32_t>(m_nodes.size());
    const auto row = static_cast<std::uint32_t>(m_nodes[parent].children.size());
    m_nodes.push_back(Node{parent, row, file, item, includingFile, m_nodes[parent].depth + 1, type, {}});
    m_nodes[parent].children.push_back(index);
    return index;
}

void CGameOutlineModel::AddFile(std::uint32_t parent, std::uint32_t file, std::uint32_t include,
                                std::uint32_t includingFile, std::vector<std::uint32_t>& toFill)
{
    const std::uint32_t node = AddNode(parent, NodeType::File, file, include, includingFile);
    m_fileNodes[file] = node;
    toFill.push_back(node);
}

void CGameOutlineModel::FillFile(std::uint32_t node, std::vector<std::uint32_t>& toFill)
{
    const std::uint32_t file = m_nodes[node].file;
    const CGameFile& text = m_game->File(file);
    const std::vector<GameDefinition>& definitions = text.Definitions();
    const std::vector<GameInclude>& includes = text.Includes();
    std::vector<std::uint32_t> nodeOf(definitions.size(), NO_NODE);
    std::vector<std::uint32_t> readHere;
    std::size_t d = 0;
    std::size_t i = 0;
    while (d < definitions.size() || i < includes.size()) {
        if (i < includes.size() && (d >= definitions.size() || includes[i].start < definitions[d].Offset())) {
            const GameInclude& in = includes[i];
            const auto at = static_cast<std::uint32_t>(i++);
            if (in.Resolution().status == IncludeStatus::NotRead) continue;  // the compiler never reads it
            if (in.target == NO_FILE)
                AddNode(node, NodeType::Missing, file, at, file);
            else if (in.firstRead)
                // Deeper than the tree nests: beside the file that reads it.
                AddFile(m_nodes[node].depth < MAX_NESTING ? node : m_nodes[node].parent, in.target, at, file, readHere);
            continue;
        }
        const GameDefinition& definition = definitions[d];
        const auto at = static_cast<std::uint32_t>(d++);
        if (!InOutline(definition)) continue;
        const std::uint32_t owner = definition.Parent() != NO_PARENT && definition.Parent() < nodeOf.size() &&
                                            nodeOf[definition.Parent()] != NO_NODE
                                        ? nodeOf[definition.Parent()]
                                        : node;
        nodeOf[at] = AddNode(owner, NodeType::Definition, file, at);
    }
    // The files read here are filled next, the first of them first.
    toFill.insert(toFill.end(), readHere.rbegin(), readHere.rend());
}

QModelIndex CGameOutlineModel::IndexOf(std::uint32_t node) const
{
    if (node == ROOT || node >= m_nodes.size()) return {};
    return createIndex(static_cast<int>(RowOf(node)), 0, static_cast<quintptr>(node));
}

QModelIndex CGameOutlineModel::FileIndex(std::uint32_t file) const
{
    if (file >= m_fileNodes.size() || m_fileNodes[file] == NO_NODE) return {};
    const std::uint32_t node = m_fileNodes[file];
    // A file the filter leaves out has no row.
    if (!m_keptChildren.empty() && (m_keptRow[node] >= ChildrenOf(m_nodes[node].parent).size() ||
                                    ChildrenOf(m_nodes[node].parent)[m_keptRow[node]] != node))
        return {};
    return IndexOf(node);
}

void CGameOutlineModel::SetFilter(const QString& text)
{
    if (text == m_filter) return;
    beginResetModel();
    m_filter = text;
    ApplyFilter();
    endResetModel();
}

void CGameOutlineModel::ApplyFilter()
{
    m_keptChildren.clear();
    m_keptRow.clear();
    if (m_filter.isEmpty() || m_nodes.empty()) return;
    std::vector<bool> kept(m_nodes.size(), false);
    kept[ROOT] = true;
    for (std::uint32_t n = 0; n < m_nodes.size(); ++n) {
        if (m_nodes[n].type != NodeType::Definition || kept[n] ||
            !Display(m_nodes[n], COLUMN_NAME).toString().contains(m_filter, Qt::CaseInsensitive))
            continue;
        // The definition, and every row above it up to one already kept.
        for (std::uint32_t at = n; !kept[at]; at = m_nodes[at].parent) kept[at] = true;
    }
    m_keptChildren.resize(m_nodes.size());
    m_keptRow.assign(m_nodes.size(), 0);
    for (std::uint32_t n = 0; n < m_nodes.size(); ++n)
        for (const std::uint32_t child : m_nodes[n].children)
            if (kept[child]) {
                m_keptRow[child] = static_cast<std::uint32_t>(m_keptChildren[n].size());
                m_keptChildren[n].push_back(child);
            }
}

const std::vector<std::uint32_t>& CGameOutlineModel::ChildrenOf(std::uint32_t node) const
{
    return m_keptChildren.empty() ? m_nodes[node].children : m_keptChildren[node];
}

std::uint32_t CGameOutlineModel::RowOf(std::uint32_t node) const
{
    return m_keptRow.empty() ? m_nodes[node].row : m_keptRow[node];
}

QModelIndex CGameOutlineModel::FirstKeptDefinition() const
{
    if (m_nodes.empty()) return {};
    // Through the tree in its order, without recursion: a stack of the rows still to see.
    std::vector<std::uint32_t> stack(ChildrenOf(ROOT).rbegin(), ChildrenOf(ROOT).rend());
    while (!stack.empty()) {
        const std::uint32_t n = stack.back();
        stack.pop_back();
        if (m_nodes[n].type == NodeType::Definition) return IndexOf(n);
        stack.insert(stack.end(), ChildrenOf(n).rbegin(), ChildrenOf(n).rend());
    }
    return {};
}

const CGameOutlineModel::Node* CGameOutlineModel::NodeOf(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this || index.internalId() >= m_nodes.size()) return nullptr;
    return &m_nodes[index.internalId()];
}

QModelIndex CGameOutlineModel::index(int row, int column, const QModelIndex& parent) const
{
    if (m_nodes.empty() || row < 0 || column < 0 || column >= COLUMN_COUNT) return {};
    const std::uint32_t owner = parent.isValid() ? static_cast<std::uint32_t>(parent.internalId()) : ROOT;
    if (owner >= m_nodes.size() || static_cast<std::size_t>(row) >= ChildrenOf(owner).size()) return {};
    return createIndex(row, column, static_cast<quintptr>(ChildrenOf(owner)[static_cast<std::size_t>(row)]));
}

QModelIndex CGameOutlineModel::parent(const QModelIndex& child) const
{
    const Node* node = NodeOf(child);
    return node && node->parent != NO_NODE ? IndexOf(node->parent) : QModelIndex();
}

int CGameOutlineModel::rowCount(const QModelIndex& parent) const
{
    if (m_nodes.empty()) return 0;
    if (!parent.isValid()) return static_cast<int>(ChildrenOf(ROOT).size());
    const Node* node = NodeOf(parent);
    return node && parent.column() == 0 ? static_cast<int>(ChildrenOf(static_cast<std::uint32_t>(parent.internalId())).size()) : 0;
}

int CGameOutlineModel::columnCount(const QModelIndex&) const { return COLUMN_COUNT; }

QVariant CGameOutlineModel::Display(const Node& node, int column) const
{
    const CGameFile& file = m_game->File(node.file);
    if (node.type == NodeType::Definition) {
        const GameDefinition& d = file.Definitions()[node.item];
        switch (column) {
        case COLUMN_NAME: return ShownText(file.FullNameOf(d), file.Encoding());
        case COLUMN_KIND: return QString::fromLatin1(DefinitionKindName(d.Kind()));
        case COLUMN_LINE: return GroupedNumber(d.Line());
        default: return {};
        }
    }
    const bool included = node.includingFile != NO_FILE;
    const GameInclude* include = included ? &m_game->File(node.includingFile).Includes()[node.item] : nullptr;
    switch (column) {
    case COLUMN_NAME:
        return node.type == NodeType::Missing ? ShownText(include->Name(m_game->File(node.includingFile)), m_game->File(node.includingFile).Encoding())
                                              : QFileInfo(PathText(file.Path())).fileName();
    case COLUMN_KIND:
        if (node.type == NodeType::Missing) return tr("missing");
        return include && include->Resolution().status == IncludeStatus::FoundByCase ? tr("file, another case")
                                                                                    : tr("file");
    case COLUMN_LINE: return include ? GroupedNumber(include->line) : QVariant();
    default: return {};
    }
}

QString CGameOutlineModel::ToolTip(const Node& node) const
{
    if (node.type == NodeType::Definition) {
        const GameDefinition& d = m_game->File(node.file).Definitions()[node.item];
        return d.IsCompiled() ? QString()
                              : tr("not compiled: %1").arg(QString::fromStdString(m_game->DescribeReason(d.Reason())));
    }
    if (node.type == NodeType::Missing) {
        const GameInclude& include = m_game->File(node.includingFile).Includes()[node.item];
        QString tip = tr("Not found. Tried:");
        for (const std::string& tried : include.Resolution().tried) tip += u'\n' + PathText(tried);
        return tip;
    }
    QString tip = PathText(m_game->File(node.file).Path());
    if (node.includingFile != NO_FILE && m_nodes[node.parent].file != node.includingFile)
        tip += u'\n' + tr("Included by %1 at line %2 (files read more than %3 includes deep are listed here)")
                           .arg(QFileInfo(PathText(m_game->File(node.includingFile).Path())).fileName())
                           .arg(m_game->File(node.includingFile).Includes()[node.item].line)
                           .arg(MAX_NESTING);
    if (node.includingFile != NO_FILE &&
        m_game->File(node.includingFile).Includes()[node.item].Resolution().status == IncludeStatus::FoundByCase)
        tip += u'\n' + tr("Found only by a name in another case: the compiler would not find it here.");
    if (m_game->File(node.file).Status() == GameFileStatus::Unreadable)
        tip += u'\n' + tr("Cannot be read: %1").arg(QString::fromStdString(m_game->File(node.file).Failure()));
    return tip;
}

QVariant CGameOutlineModel::data(const QModelIndex& index, int role) const
{
    const Node* node = NodeOf(index);
    if (!node || !m_game) return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
        return Display(*node, index.column());
    case Qt::ToolTipRole:
        return ToolTip(*node);
    case Qt::ForegroundRole:
        // What the compiler does not compile is greyed.
        if (node->type == NodeType::Definition && !m_game->File(node->file).Definitions()[node->item].IsCompiled())
            return QGuiApplication::palette().brush(QPalette::Disabled, QPalette::Text);
        return {};
    case Qt::TextAlignmentRole:
        return index.column() == COLUMN_LINE ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case ROLE_FILE:
        return node->type == NodeType::Missing ? QVariant() : QVariant(node->file);
    case ROLE_LINE:
    case ROLE_COLUMN: {
        // A file's row stands for its top.
        const Location at = node->type == NodeType::Definition
                                ? LocationOf(m_game->File(node->file).Definitions()[node->item])
                                : Location{};
        return static_cast<qlonglong>(role == ROLE_LINE ? at.line : at.column);
    }
    case ROLE_DEFINITION:
        return node->type == NodeType::Definition;
    default:
        return {};
    }
}

QVariant CGameOutlineModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static_assert(int(COLUMN_NAME) == int(COutlineModel::COLUMN_NAME) && int(COLUMN_KIND) == int(COutlineModel::COLUMN_KIND) &&
                  int(COLUMN_LINE) == int(COutlineModel::COLUMN_LINE));
    return COutlineModel::Header(section, orientation, role);
}
