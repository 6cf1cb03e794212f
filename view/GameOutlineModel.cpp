#include "GameOutlineModel.h"

#include "GameText.h"
#include "NumberText.h"
#include "OutlineModel.h"

#include "doc/FileName.h"

#include <QFileInfo>

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
    m_utf8.clear();
    m_upToDate = false;
    endResetModel();
}

void CGameOutlineModel::Update()
{
    if (m_upToDate) return;
    beginResetModel();
    m_nodes.clear();
    m_nodes.push_back(Node{NO_NODE, 0, NO_FILE, 0, NO_FILE, NodeType::File, {}});
    if (m_game) {
        m_fileNodes.assign(m_game->FileCount(), NO_NODE);
        m_utf8.resize(m_game->FileCount());
        for (std::uint32_t f = 0; f < m_game->FileCount(); ++f) m_utf8[f] = ShownAsUtf8(m_game->File(f));
        AddFile(ROOT, 0, NO_FILE, NO_FILE);
    }
    m_upToDate = true;
    endResetModel();
}

std::uint32_t CGameOutlineModel::AddNode(std::uint32_t parent, NodeType type, std::uint32_t file, std::uint32_t item,
                                         std::uint32_t includingFile)
{
    const auto index = static_cast<std::uint32_t>(m_nodes.size());
    const auto row = static_cast<std::uint32_t>(m_nodes[parent].children.size());
    m_nodes.push_back(Node{parent, row, file, item, includingFile, type, {}});
    m_nodes[parent].children.push_back(index);
    return index;
}

// A file's row, then its definitions and the files it reads, in text order.
void CGameOutlineModel::AddFile(std::uint32_t parent, std::uint32_t file, std::uint32_t include,
                                std::uint32_t includingFile)
{
    const std::uint32_t node = AddNode(parent, NodeType::File, file, include, includingFile);
    m_fileNodes[file] = node;
    const CGameFile& text = m_game->File(file);
    const std::vector<GameDefinition>& definitions = text.Definitions();
    const std::vector<GameInclude>& includes = text.Includes();
    std::vector<std::uint32_t> nodeOf(definitions.size(), NO_NODE);
    std::size_t d = 0;
    std::size_t i = 0;
    while (d < definitions.size() || i < includes.size()) {
        if (i < includes.size() && (d >= definitions.size() || includes[i].start < definitions[d].Offset())) {
            const GameInclude& in = includes[i];
            const auto at = static_cast<std::uint32_t>(i++);
            if (in.resolution.status == IncludeStatus::NotRead) continue;  // the compiler never reads it
            if (in.target == NO_FILE)
                AddNode(node, NodeType::Missing, file, at, file);
            else if (in.firstRead)
                AddFile(node, in.target, at, file);
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
}

QModelIndex CGameOutlineModel::FileIndex(std::uint32_t file) const
{
    if (file >= m_fileNodes.size() || m_fileNodes[file] == NO_NODE) return {};
    const Node& node = m_nodes[m_fileNodes[file]];
    return createIndex(static_cast<int>(node.row), 0, static_cast<quintptr>(m_fileNodes[file]));
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
    if (owner >= m_nodes.size() || static_cast<std::size_t>(row) >= m_nodes[owner].children.size()) return {};
    return createIndex(row, column, static_cast<quintptr>(m_nodes[owner].children[static_cast<std::size_t>(row)]));
}

QModelIndex CGameOutlineModel::parent(const QModelIndex& child) const
{
    const Node* node = NodeOf(child);
    if (!node || node->parent == ROOT || node->parent == NO_NODE) return {};
    return createIndex(static_cast<int>(m_nodes[node->parent].row), 0, static_cast<quintptr>(node->parent));
}

int CGameOutlineModel::rowCount(const QModelIndex& parent) const
{
    if (m_nodes.empty()) return 0;
    if (!parent.isValid()) return static_cast<int>(m_nodes[ROOT].children.size());
    const Node* node = NodeOf(parent);
    return node && parent.column() == 0 ? static_cast<int>(node->children.size()) : 0;
}

int CGameOutlineModel::columnCount(const QModelIndex&) const { return COLUMN_COUNT; }

QVariant CGameOutlineModel::Display(const Node& node, int column) const
{
    const CGameFile& file = m_game->File(node.file);
    if (node.type == NodeType::Definition) {
        const GameDefinition& d = file.Definitions()[node.item];
        switch (column) {
        case COLUMN_NAME: return ShownText(file.FullNameOf(d), m_utf8[node.file]);
        case COLUMN_KIND: return QString::fromLatin1(DefinitionKindName(d.Kind()));
        case COLUMN_LINE: return GroupedNumber(d.Line());
        default: return {};
        }
    }
    const bool included = node.includingFile != NO_FILE;
    const GameInclude* include = included ? &m_game->File(node.includingFile).Includes()[node.item] : nullptr;
    switch (column) {
    case COLUMN_NAME:
        return node.type == NodeType::Missing ? ShownText(include->name, m_utf8[node.includingFile])
                                              : QFileInfo(PathText(file.Path())).fileName();
    case COLUMN_KIND:
        if (node.type == NodeType::Missing) return tr("missing");
        return include && include->resolution.status == IncludeStatus::FoundByCase ? tr("file, another case")
                                                                                    : tr("file");
    case COLUMN_LINE: return include ? GroupedNumber(include->line) : QVariant();
    default: return {};
    }
}

QString CGameOutlineModel::ToolTip(const Node& node) const
{
    if (node.type == NodeType::Definition) return {};
    if (node.type == NodeType::Missing) {
        const GameInclude& include = m_game->File(node.includingFile).Includes()[node.item];
        QString tip = tr("Not found. Tried:");
        for (const std::string& tried : include.resolution.tried) tip += u'\n' + PathText(tried);
        return tip;
    }
    QString tip = PathText(m_game->File(node.file).Path());
    if (node.includingFile != NO_FILE &&
        m_game->File(node.includingFile).Includes()[node.item].resolution.status == IncludeStatus::FoundByCase)
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
    case Qt::TextAlignmentRole:
        return index.column() == COLUMN_LINE ? QVariant(Qt::AlignRight | Qt::AlignVCenter) : QVariant();
    case ROLE_FILE:
        return node->type == NodeType::Missing ? QVariant() : QVariant(node->file);
    case ROLE_LINE:
        return node->type == NodeType::Definition
                   ? QVariant(static_cast<qlonglong>(m_game->File(node->file).Definitions()[node->item].Line()) - 1)
                   : QVariant(0LL);
    case ROLE_COLUMN:
        return node->type == NodeType::Definition
                   ? QVariant(static_cast<qlonglong>(m_game->File(node->file).Definitions()[node->item].Column()))
                   : QVariant(0LL);
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
