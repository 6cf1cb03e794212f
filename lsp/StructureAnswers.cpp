#include "StructureAnswers.h"

#include <algorithm>
#include <vector>

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

void WritePosition(const CLspDocument& document, std::uint64_t offset, PositionEncoding encoding, CJsonText& out)
{
    const LspPosition p = document.PositionOf(static_cast<std::size_t>(offset), encoding);
    out.Raw("{\"line\":");
    out.Number(std::uint64_t{p.line});
    out.Raw(",\"character\":");
    out.Number(std::uint64_t{p.character});
    out.Char('}');
}

void WriteRange(const CLspDocument& document, std::uint64_t from, std::uint64_t to, PositionEncoding encoding,
                CJsonText& out)
{
    out.Raw("{\"start\":");
    WritePosition(document, from, encoding, out);
    out.Raw(",\"end\":");
    WritePosition(document, to, encoding, out);
    out.Char('}');
}

// The symbol of a definition, without its closing brace (its children go before it).
void OpenSymbol(const FoundDefinition& found, const CLspDocument& document, PositionEncoding encoding, CJsonText& out)
{
    const FoundDefinition& d = found;
    const std::uint64_t nameEnd = d.nameOffset + d.nameLength;
    const std::uint64_t start = std::min<std::uint64_t>(d.startOffset, d.nameOffset);
    const std::uint64_t end = std::max<std::uint64_t>(found.endOffset, nameEnd);
    const std::string_view name(document.Text().data() + d.nameOffset, d.nameLength);
    out.Raw("{\"name\":");
    out.String(ToUtf8(name, document.GetEncoding()));
    out.Raw(",\"detail\":");
    out.String(DefinitionKindName(d.kind));
    out.Raw(",\"kind\":");
    out.Number(std::int64_t{SymbolKindOf(d.kind)});
    out.Raw(",\"range\":");
    WriteRange(document, start, end, encoding, out);
    out.Raw(",\"selectionRange\":");
    WriteRange(document, d.nameOffset, nameEnd, encoding, out);
    out.Raw(",\"children\":[");
}

}  // namespace

void WriteDocumentSymbols(const CDocumentStructure& structure, const CLspDocument& document, PositionEncoding encoding,
                          CJsonText& out)
{
    const std::vector<FoundDefinition>& definitions = structure.GetDefinitions();
    // The children of each definition (a parent always comes before its routines), in
    // one list, by parent.
    const std::size_t n = definitions.size();
    std::vector<std::uint32_t> firstChild(n + 1, 0);
    const auto isChild = [&](std::size_t i) {
        const std::size_t parent = definitions[i].parent;
        return parent != NO_PARENT_DEFINITION && parent < i;
    };
    for (std::size_t i = 0; i < n; ++i)
        if (isChild(i)) ++firstChild[definitions[i].parent + 1];
    for (std::size_t i = 0; i < n; ++i) firstChild[i + 1] += firstChild[i];
    std::vector<std::uint32_t> children(firstChild[n]);
    {
        std::vector<std::uint32_t> filled(firstChild.begin(), firstChild.end() - 1);
        for (std::size_t i = 0; i < n; ++i)
            if (isChild(i)) children[filled[definitions[i].parent]++] = static_cast<std::uint32_t>(i);
    }
    out.Char('[');
    bool firstTop = true;
    for (std::size_t i = 0; i < n; ++i) {
        if (isChild(i)) continue;
        if (!firstTop) out.Char(',');
        firstTop = false;
        OpenSymbol(definitions[i], document, encoding, out);
        for (std::uint32_t c = firstChild[i]; c < firstChild[i + 1]; ++c) {
            if (c > firstChild[i]) out.Char(',');
            // A property routine has no children of its own.
            OpenSymbol(definitions[children[c]], document, encoding, out);
            out.Raw("]}");
        }
        out.Raw("]}");
    }
    out.Char(']');
}

void WriteFoldingRanges(const CDocumentStructure& structure, CJsonText& out)
{
    out.Char('[');
    bool first = true;
    for (const FoldRegion& fold : structure.GetFolds()) {
        if (!first) out.Char(',');
        first = false;
        out.Raw("{\"startLine\":");
        out.Number(std::uint64_t{fold.startLine});
        out.Raw(",\"endLine\":");
        out.Number(std::uint64_t{fold.endLine});
        if (fold.comment) out.Raw(",\"kind\":\"comment\"");
        out.Char('}');
    }
    out.Char(']');
}
