#pragma once
// CDocumentStructure: what one walk over a document's shown lines finds for the
// outline and folding of an editor: its definitions with their extents (from the
// engine's definition reader, so that they are where the colours put them) and its
// foldable regions.
//
// Folding regions, all from the lexer's token reports:
//  - a routine, from the line of its '[' to the line before its ']' (a property
//    routine too);
//  - an object or a class, from the line where its directive starts to the line of
//    its ';' (which ends its last property);
//  - conditional compilation: from an #Ifdef, #Ifndef, #Iftrue, #Iffalse, #Ifv3 or
//    #Ifv5 (with or without the '#', outside routines or in them) to the line before
//    its #Ifnot or #Endif, and from an #Ifnot to the line before its #Endif;
//  - comments: a run of two or more lines whose first token is a comment.
// A region is kept only when it spans lines. Lines are the client's.

#include "LspDocument.h"

#include "syntax/DefinitionReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

inline constexpr std::uint32_t NO_PARENT_DEFINITION = 0xFFFFFFFFu;

// A definition as the outline needs it (40 bytes: a large file has many).
struct FoundDefinition {
    std::uint64_t nameOffset = 0;
    std::uint64_t startOffset = 0;  // its directive's first token, its '[' or its property
    std::uint64_t endOffset = 0;    // just after its ';' or ']'
    std::uint32_t nameLength = 0;
    std::uint32_t parent = NO_PARENT_DEFINITION;  // a property routine's object or class
    DefinitionKind kind = DefinitionKind::Routine;
};

struct FoldRegion {
    std::size_t startLine = 0;
    std::size_t endLine = 0;
    bool comment = false;
};

class CDocumentStructure {
public:
    // Walks the shown lines of document.
    void Read(CLspDocument& document);

    const std::vector<FoundDefinition>& GetDefinitions() const { return m_definitions; }
    const std::vector<FoldRegion>& GetFolds() const { return m_folds; }

private:
    friend class CStructureListener;
    void Fold(std::size_t startLine, std::size_t endLine, bool comment);

    std::vector<FoundDefinition> m_definitions;
    std::vector<FoldRegion> m_folds;
};
