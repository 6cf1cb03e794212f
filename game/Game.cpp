#include "Game.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "GameBuilder.h"
#include "syntax/CharClass.h"

#include <algorithm>
#include <map>
#include <new>

using charclass::EqualsFolded;
using charclass::Fold;

std::uint32_t HashFoldedName(std::string_view name, std::uint32_t hash)
{
    for (const char ch : name) {
        hash ^= Fold(static_cast<unsigned char>(ch));
        hash *= 16777619u;
    }
    return hash;
}

namespace {

bool IsWordByte(char ch) { return charclass::IsWordChar(static_cast<unsigned char>(ch)); }

// Every other file keeps the text it had in a game; only the changed one is read anew.
class CKeptTexts final : public IGameFileSource {
public:
    CKeptTexts(const IGameFileSource& source, std::map<std::string, std::shared_ptr<const std::string>> texts)
        : m_source(source), m_texts(std::move(texts))
    {
    }
    bool IsFile(const std::string& path) const override { return m_source.IsFile(path); }
    PathState StateOf(const std::string& path) const override { return m_source.StateOf(path); }
    std::vector<std::string> ListFolder(const std::string& folder) const override
    {
        return m_source.ListFolder(folder);
    }
    std::string Identity(const std::string& path) const override { return m_source.Identity(path); }
    std::shared_ptr<const std::string> Load(const std::string& path, std::string& reason) const override
    {
        const auto kept = m_texts.find(m_source.Identity(path));
        if (kept != m_texts.end()) return kept->second;
        return m_source.Load(path, reason);
    }

private:
    const IGameFileSource& m_source;
    std::map<std::string, std::shared_ptr<const std::string>> m_texts;  // by identity
};

}  // namespace

std::shared_ptr<const CGame> CGame::Build(const GameInputs& inputs, const IGameFileSource& source)
{
    try {
        std::shared_ptr<const CGame> game = CGameBuilder(inputs, source).Build();
#ifdef __GLIBC__
        // A game of thousands of files leaves the room of its build's records free in the
        // middle of the heap: given back, so that what is made of the game next (tags, a
        // site) does not come on top of it.
        if (game->FileCount() >= 1024) malloc_trim(0);
#endif
        return game;
    } catch (const std::bad_alloc&) {
        return nullptr;
    } catch (const std::length_error&) {
        return nullptr;
    }
}

std::shared_ptr<const CGame> CGame::Reindex(const std::string& path, const IGameFileSource& source) const
{
    try {
        const std::string changed = source.Identity(path);
        std::map<std::string, std::shared_ptr<const std::string>> texts;
        for (std::uint32_t f = 0; f < m_files.size(); ++f) {
            const std::string& identity = m_identities[f];
            if (identity != changed && m_files[f].Path() != path && m_files[f].Status() != GameFileStatus::Unreadable)
                texts.emplace(identity, m_files[f].SharedText());
        }
        const CKeptTexts kept(source, std::move(texts));
        return CGameBuilder(m_inputs, kept).Build();
    } catch (const std::bad_alloc&) {
        return nullptr;
    } catch (const std::length_error&) {
        return nullptr;
    }
}

std::uint32_t CGame::FindFile(const std::string& path, const IGameFileSource& source) const
{
    for (std::uint32_t f = 0; f < m_files.size(); ++f)
        if (m_files[f].Path() == path) return f;
    return FindIdentity(source.Identity(path));
}

std::uint32_t CGame::FindIdentity(const std::string& identity) const
{
    for (std::uint32_t f = 0; f < m_files.size(); ++f)
        if (m_identities[f] == identity) return f;
    return NO_FILE;
}

std::uint32_t CGame::IncludingFile(std::uint32_t file, std::uint32_t* include) const
{
    if (file >= m_files.size()) return NO_FILE;
    if (include) *include = m_includedAt[file];
    return m_includedFrom[file];
}

GameDefinitionRef CGame::RefOf(std::uint32_t definition) const
{
    const auto after = std::upper_bound(m_firstDefinition.begin(), m_firstDefinition.end(), definition);
    const auto file = static_cast<std::uint32_t>(after - m_firstDefinition.begin() - 1);
    return GameDefinitionRef{file, definition - m_firstDefinition[file]};
}

std::vector<GameDefinitionRef> CGame::FindDefinitions(std::string_view name) const
{
    std::vector<GameDefinitionRef> found;
    const std::uint32_t hash = HashFoldedName(name);
    auto it = std::lower_bound(m_names.begin(), m_names.end(), hash,
                               [](const NameEntry& e, std::uint32_t h) { return e.hash < h; });
    for (; it != m_names.end() && it->hash == hash; ++it) {
        const GameDefinitionRef ref = RefOf(it->definition);
        const CGameFile& file = m_files[ref.file];
        const GameDefinition& d = file.Definitions()[ref.index];
        bool same;
        if (d.Parent() == NO_PARENT) {
            const auto alias = m_aliases.empty() ? m_aliases.end() : m_aliases.find(AliasKey(ref));
            same = EqualsFolded(alias == m_aliases.end() ? file.NameOf(d) : std::string_view(alias->second), name);
        } else {
            const std::string_view parent = file.NameOf(file.Definitions()[d.Parent()]);
            same = name.size() == parent.size() + 1 + d.Length() && EqualsFolded(name.substr(0, parent.size()), parent) &&
                   name[parent.size()] == '.' && EqualsFolded(name.substr(parent.size() + 1), file.NameOf(d));
        }
        if (same) found.push_back(ref);
    }
    return found;
}

std::string CGame::CompiledNameOf(const GameDefinitionRef& ref) const
{
    if (!m_aliases.empty()) {
        const auto alias = m_aliases.find(AliasKey(ref));
        if (alias != m_aliases.end()) return alias->second;
    }
    const CGameFile& file = m_files[ref.file];
    return file.FullNameOf(file.Definitions()[ref.index]);
}

std::string CGame::PlaceText(std::uint32_t file, std::uint64_t offset) const
{
    if (file >= m_files.size()) return "?";
    const std::string& path = m_files[file].Path();
    const std::size_t slash = path.find_last_of('/');
    return (slash == std::string::npos ? path : path.substr(slash + 1)) + ":" +
           std::to_string(m_files[file].PositionOf(offset).line);
}

std::string CGame::DescribeReason(std::uint32_t index) const
{
    if (index >= m_reasons.size()) return {};
    const CompileReason& r = m_reasons[index];
    const std::string place = " (" + PlaceText(r.file, r.offset) + ")";
    switch (r.kind) {
    case CompileReason::FalseCondition: return "`" + r.what + "` is false" + place;
    case CompileReason::TrueCondition: return "in the #Ifnot of `" + r.what + "`, which is true" + place;
    case CompileReason::Replaced: return "replaced: `Replace " + r.what + "`" + place;
    case CompileReason::AfterEnd: return "after `End`" + place;
    case CompileReason::Unended: return "after `" + r.what + "`, which its file never ends" + place;
    case CompileReason::GivesWay: return "gives way to " + r.what + place;
    case CompileReason::AlreadyDefined: return r.what + " is already defined" + place;
    }
    return {};
}

namespace {

// The first line of text that holds word (without case), or 0 when none does; and the
// offset just past its last occurrence.
std::uint64_t FirstLineHolding(const CGameFile& file, std::string_view word, std::uint64_t& lastEnd)
{
    const std::string_view text(file.Text());
    if (word.empty() || word.size() > text.size()) return 0;
    const std::size_t last = text.size() - word.size();
    const auto at = [&](std::size_t i) { return EqualsFolded(text.substr(i, word.size()), word); };
    const unsigned char first = Fold(static_cast<unsigned char>(word[0]));
    std::size_t i = 0;
    while (i <= last && !(Fold(static_cast<unsigned char>(text[i])) == first && at(i))) ++i;
    if (i > last) return 0;
    std::size_t j = last;
    while (!(Fold(static_cast<unsigned char>(text[j])) == first && at(j))) --j;
    lastEnd = j + word.size();
    return file.PositionOf(i).line;
}

}  // namespace

std::string_view QualifierBefore(std::string_view text, std::uint64_t offset)
{
    if (offset < 2 || text[offset - 1] != '.') return {};
    std::uint64_t start = offset - 1;
    while (start > 0 && IsWordByte(text[start - 1])) --start;
    return text.substr(start, offset - 1 - start);
}

std::vector<GameReference> CGame::FindReferences(std::string_view name) const
{
    std::vector<GameReference> found;
    std::string_view qualifier;
    std::string_view word = name;
    if (const std::size_t dot = name.rfind('.'); dot != std::string_view::npos) {
        qualifier = name.substr(0, dot);
        word = name.substr(dot + 1);
    }
    if (word.empty()) return found;
    for (std::uint32_t f = 0; f < m_files.size(); ++f) {
        const CGameFile& file = m_files[f];
        std::uint64_t lastEnd = 0;
        const std::uint64_t firstLine = FirstLineHolding(file, word, lastEnd);
        if (firstLine == 0) continue;
        const std::string_view text(file.Text());
        file.ForEachWord(
            [&](const GameWord& w) {
                if (w.offset >= lastEnd) return false;
                if (!EqualsFolded(text.substr(w.offset, w.length), word)) return true;
                if (!qualifier.empty() && !EqualsFolded(QualifierBefore(text, w.offset), qualifier)) return true;
                found.push_back(GameReference{f, w});
                return true;
            },
            firstLine);
    }
    return found;
}

GamePlace CGame::WhatIsAt(std::uint32_t fileIndex, std::uint64_t offset) const
{
    GamePlace place;
    if (fileIndex >= m_files.size()) return place;
    const CGameFile& file = m_files[fileIndex];
    const TextPosition at = file.PositionOf(offset);
    for (std::uint32_t i = 0; i < file.Includes().size(); ++i) {
        const GameInclude& include = file.Includes()[i];
        if (at.line >= file.PositionOf(include.start).line && at.line <= file.PositionOf(include.end).line) {
            place.kind = GamePlace::Include;
            place.include = i;
            return place;
        }
    }
    const std::string_view text(file.Text());
    file.ForEachWord(
        [&](const GameWord& w) {
            if (w.line > at.line || w.offset > offset) return false;
            if (offset > w.offset + w.length) return true;
            // A word that offset ends is taken unless a word starts there.
            place.kind = GamePlace::Name;
            place.word = w;
            return offset == w.offset + w.length;
        },
        at.line);
    if (place.kind == GamePlace::Name) {
        place.name = std::string(text.substr(place.word.offset, place.word.length));
        const std::string_view qualifier = QualifierBefore(text, place.word.offset);
        if (!qualifier.empty()) place.qualified = std::string(qualifier) + "." + place.name;
    }
    return place;
}

std::size_t CGame::GetMemoryUse() const
{
    std::size_t bytes = sizeof(*this) + m_names.capacity() * sizeof(NameEntry) +
                        m_firstDefinition.capacity() * sizeof(std::uint32_t) +
                        (m_includedFrom.capacity() + m_includedAt.capacity()) * sizeof(std::uint32_t) +
                        m_files.size() * sizeof(CGameFile);
    for (const CGameFile& file : m_files) bytes += file.GetMemoryUse() - sizeof(CGameFile);
    for (const std::string& identity : m_identities) bytes += sizeof(identity) + identity.capacity();
    for (const std::string& folder : m_searchFolders) bytes += sizeof(folder) + folder.capacity();
    return bytes;
}

std::uint64_t CGame::GetTextSize() const
{
    std::uint64_t bytes = 0;
    for (const CGameFile& file : m_files) bytes += file.Text().size();
    return bytes;
}
