#pragma once
// The answers built from a document's structure: documentSymbol as a tree (property
// routines under their object or class) and foldingRange, written straight out as
// JSON text (an outline of a large file is large).

#include "DocumentStructure.h"
#include "JsonText.h"

// The protocol's SymbolKind of a definition.
int SymbolKindOf(DefinitionKind kind);

void WriteDocumentSymbols(const CDocumentStructure& structure, const CLspDocument& document, PositionEncoding encoding,
                          CJsonText& out);
void WriteFoldingRanges(const CDocumentStructure& structure, CJsonText& out);
