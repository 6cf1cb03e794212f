#include "Outline.h"

#include "ShownLines.h"

#include <new>

const char* OutlineKindName(OutlineKind kind)
{
    const auto index = static_cast<int>(kind);
    return index < OUTLINE_KIND_COUNT ? DefinitionKindName(static_cast<DefinitionKind>(index)) : "";
}

std::size_t COutline::GetMemoryUse() const
{
    return m_entries.capacity() * sizeof(OutlineEntry);
}

void COutline::Clear()
{
    std::vector<OutlineEntry>().swap(m_entries);
    m_failed = false;
}

OutlineStatus COutline::Build(const char* text, std::size_t length)
{
    Clear();
    CDefinitionReader reader(*this);
    const RenderStatus status = ForEachShownLine(
        text, length, [&](const ShownLine&, const StyleCode*) { return !m_failed && !reader.Failed(); }, &reader);
    if (status == RenderStatus::OutOfMemory) {
        // The storage is not shrunk to fit on success: that would hold the old and the
        // new storage at once, more than the growth ever does.
        std::vector<OutlineEntry>().swap(m_entries);
        return OutlineStatus::OutOfMemory;
    }
    return status == RenderStatus::LongLine ? OutlineStatus::LongLine : OutlineStatus::Ok;
}

void COutline::OnDefinition(std::size_t, const Definition& definition)
{
    if (m_failed || static_cast<int>(definition.kind) >= OUTLINE_KIND_COUNT) return;
    if (definition.name.line > OUTLINE_MAX_LINES) {
        m_failed = true;
        return;
    }
    try {
        m_entries.emplace_back(definition.name.offset, definition.name.line, definition.name.column,
                               definition.nameLength, static_cast<OutlineKind>(definition.kind));
    } catch (const std::bad_alloc&) {
        m_failed = true;
    }
}
