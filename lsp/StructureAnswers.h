#pragma once
// The answers built from a document's structure: documentSymbol as a tree (property
// routines under their object or class) and foldingRange.

#include "DocumentStructure.h"

#include <nlohmann/json.hpp>

// The protocol's SymbolKind of a definition.
int SymbolKindOf(DefinitionKind kind);

nlohmann::json DocumentSymbols(const CDocumentStructure& structure, const CLspDocument& document,
                               PositionEncoding encoding);
nlohmann::json FoldingRanges(const CDocumentStructure& structure);
