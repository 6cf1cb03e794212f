#pragma once
// CGameOutlineModel: the whole game as a tree, for the Outline dock and Go to Symbol in
// Game: the main file at the top; under each file its definitions of the outline's kinds
// in text order, with each file it includes (first read there) where its Include
// stands, and a property routine under the object or class it belongs to.
//
//  - Files nest no deeper than MAX_NESTING: a file read deeper than that is listed after
//    the others under the file at the last level, its tooltip naming the file and line
//    that include it (a tree view cannot show a chain of thousands of includes nested).
//  - An include that leads nowhere is a row of its own, marked missing, with every path
//    tried as its tooltip; a file found only by a name in another case says so in its
//    tooltip. A file's tooltip is its path. An include in code the compiler skips is
//    never read and has no row; a definition the compiler does not compile is greyed,
//    its tooltip saying why ("not compiled: REASON").
//  - Columns: the name (a file's name, or a definition's as the compiler names it:
//    lamp.before), the kind ("file", "missing", "routine", "property routine", ...) and
//    the line (from 1; an included file's row gives the line of its Include).
//  - ROLE_FILE gives the index in the game of the file a row stands for or lies in;
//    ROLE_LINE the line from 0 and ROLE_COLUMN the byte column of a definition's name (a
//    file's row: 0, its top); ROLE_DEFINITION whether the row is a definition.
//  - SetGame only keeps the game and empties the tree; Update builds the tree when it is
//    out of date, so that a game nobody looks at costs nothing. Both take time in
//    proportion to the game's files and definitions, however deep its includes go.
//  - SetFilter(text) keeps only the definitions whose name holds text, in any case, and
//    the rows above them, as rows of the model itself (which is reset); an empty text
//    keeps everything. It takes one pass over the tree, so that a filter over a game of
//    100,000 files is typed without a wait (a sorting and filtering proxy over the tree
//    takes seconds a key there, mostly keeping the view's expanded rows up to date).

#include "game/Game.h"

#include <QAbstractItemModel>

#include <cstdint>
#include <memory>
#include <vector>

class CGameOutlineModel : public QAbstractItemModel {
    Q_OBJECT

public:
    enum Column { COLUMN_NAME, COLUMN_KIND, COLUMN_LINE, COLUMN_COUNT };
    static constexpr int ROLE_FILE = Qt::UserRole;
    static constexpr int ROLE_LINE = Qt::UserRole + 1;
    static constexpr int ROLE_COLUMN = Qt::UserRole + 2;
    static constexpr int ROLE_DEFINITION = Qt::UserRole + 3;
    static constexpr std::uint32_t MAX_NESTING = 32;

    explicit CGameOutlineModel(QObject* parent = nullptr);
    ~CGameOutlineModel() override;

    void SetGame(std::shared_ptr<const CGame> game);
    const std::shared_ptr<const CGame>& Game() const { return m_game; }
    bool IsUpToDate() const { return m_upToDate; }
    void Update();
    // The row of a file (its index in the game), or an invalid index.
    QModelIndex FileIndex(std::uint32_t file) const;
    void SetFilter(const QString& text);
    // The first definition kept, in the tree's order, or an invalid index.
    QModelIndex FirstKeptDefinition() const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    enum class NodeType : std::uint8_t { File, Missing, Definition };
    struct Node {
        std::uint32_t parent;  // node index, NO_NODE for the top
        std::uint32_t row;     // among its parent's children
        std::uint32_t file;    // the game's file it is or lies in
        std::uint32_t item;    // File: the include that read it (NO_FILE: the main file); Missing: the include; Definition: its index
        std::uint32_t includingFile;  // File, Missing: the file whose include it is
        std::uint32_t depth;          // rows above it
        NodeType type;
        std::vector<std::uint32_t> children;
    };
    static constexpr std::uint32_t NO_NODE = 0xFFFFFFFFu;

    std::uint32_t AddNode(std::uint32_t parent, NodeType type, std::uint32_t file, std::uint32_t item,
                          std::uint32_t includingFile = NO_FILE);
    // A file's row, then its definitions and the files it reads, in text order; those
    // files' rows are filled in after it (the tree is built without recursion).
    void AddFile(std::uint32_t parent, std::uint32_t file, std::uint32_t include, std::uint32_t includingFile,
                 std::vector<std::uint32_t>& toFill);
    void FillFile(std::uint32_t node, std::vector<std::uint32_t>& toFill);
    QModelIndex IndexOf(std::uint32_t node) const;
    void ApplyFilter();
    const std::vector<std::uint32_t>& ChildrenOf(std::uint32_t node) const;
    std::uint32_t RowOf(std::uint32_t node) const;
    const Node* NodeOf(const QModelIndex& index) const;
    QVariant Display(const Node& node, int column) const;
    QString ToolTip(const Node& node) const;

    std::shared_ptr<const CGame> m_game;
    std::vector<Node> m_nodes;
    std::vector<std::uint32_t> m_fileNodes;  // by file
    // While a filter is set: the children each node keeps, and each kept node's row.
    std::vector<std::vector<std::uint32_t>> m_keptChildren;
    std::vector<std::uint32_t> m_keptRow;
    QString m_filter;
    bool m_upToDate = false;
};
