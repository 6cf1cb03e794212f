#include "StructureAnswers.h"

#include <algorithm>

using Json = nlohmann::json;

int SymbolKindOf(DefinitionKind kind)
{
    switch (kind) {
    case DefinitionKind::Routine: return 12;          // Function
    case DefinitionKind::Object: return 19;           // Object
    case DefinitionKind::Class: return 5;             // Class
    case DefinitionKind::Global: return 13;           // Variable
    case DefinitionKind::Constant: return 14;         // Constant
    case DefinitionKind::Array: return 18;            // Array
    case DefinitionKind::Attribute: return 17;        // Boolean: an attribute is a flag
    case DefinitionKind::Property: return 7;          // Property
    case DefinitionKind::Verb: return 24;             // Event
    case DefinitionKind::Extend: return 24;           // Event
    case DefinitionKind::PropertyRoutine: return 6;   // Method
    case DefinitionKind::Stub: return 12;             // Function
    case DefinitionKind::Replace: return 12;          // Function
    case DefinitionKind::FakeAction: return 24;       // Event
    case DefinitionKind::Include: return 1;           // File
    }
    return 13;
}

namespace {

Json Position(const CLspDocument& document, std::uint64_t offset, PositionEncoding encoding)
{
    const LspPosition p = document.PositionOf(static_cast<std::size_t>(offset), encoding);
    return {{"line", p.line}, {"character", p.character}};
}

Json Symbol(const FoundDefinition& found, const CLspDocument& document, PositionEncoding encoding)
{
    const Definition& d = found.definition;
    const std::uint64_t nameEnd = d.name.offset + d.nameLength;
    const std::uint64_t start = std::min<std::uint64_t>(d.start.offset, d.name.offset);
    const std::uint64_t end = std::max<std::uint64_t>(found.endOffset, nameEnd);
    const std::string_view name(document.Text().data() + d.name.offset, d.nameLength);
    return {
        {"name", ToUtf8(name, document.GetEncoding())},
        {"detail", DefinitionKindName(d.kind)},
        {"kind", SymbolKindOf(d.kind)},
        {"range", {{"start", Position(document, start, encoding)}, {"end", Position(document, end, encoding)}}},
        {"selectionRange",
         {{"start", Position(document, d.name.offset, encoding)}, {"end", Position(document, nameEnd, encoding)}}},
        {"children", Json::array()},
    };
}

}  // namespace

Json DocumentSymbols(const CDocumentStructure& structure, const CLspDocument& document, PositionEncoding encoding)
{
    const std::vector<FoundDefinition>& definitions = structure.GetDefinitions();
    // Each definition's symbol, then the property routines moved under their parents
    // (a parent always comes before its routines).
    std::vector<Json> symbols;
    symbols.reserve(definitions.size());
    for (const FoundDefinition& found : definitions) symbols.push_back(Symbol(found, document, encoding));
    Json top = Json::array();
    for (std::size_t i = definitions.size(); i-- > 0;) {
        const std::size_t parent = definitions[i].definition.parent;
        if (parent != NO_DEFINITION && parent < i) {
            auto& children = symbols[parent]["children"];
            children.insert(children.begin(), std::move(symbols[i]));
        }
    }
    for (std::size_t i = 0; i < definitions.size(); ++i) {
        const std::size_t parent = definitions[i].definition.parent;
        if (parent == NO_DEFINITION || parent >= i) top.push_back(std::move(symbols[i]));
    }
    return top;
}

Json FoldingRanges(const CDocumentStructure& structure)
{
    Json ranges = Json::array();
    for (const FoldRegion& fold : structure.GetFolds()) {
        Json range = {{"startLine", fold.startLine}, {"endLine", fold.endLine}};
        if (fold.comment) range["kind"] = "comment";
        ranges.push_back(std::move(range));
    }
    return ranges;
}
