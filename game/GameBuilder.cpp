#include "GameBuilder.h"

#include <algorithm>
#include <new>

std::shared_ptr<const CGame> CGameBuilder::Build()
{
    m_game = std::make_shared<CGame>();
    m_game->m_inputs = m_inputs;

    std::vector<std::string> words;
    std::shared_ptr<CGameFile> main = Load(m_inputs.mainPath, words);
    m_game->m_settings = IncludeSettings::FromHeader(main->Text());
    CIncludeResolver resolver(m_inputs.mainPath, m_game->m_settings, m_inputs.includeFolders,
                              m_inputs.libraryFolder, m_source);
    m_game->m_searchFolders = resolver.SearchFolders();
    m_byIdentity.emplace(m_source.Identity(m_inputs.mainPath), 0);
    m_game->m_identities.push_back(m_source.Identity(m_inputs.mainPath));
    m_game->m_includedFrom.push_back(NO_FILE);
    m_game->m_includedAt.push_back(0);
    m_files.push_back(std::move(main));
    m_directiveWords.push_back(std::move(words));
    AddClasses(*m_files.back());
    m_classesOwn.push_back(m_classes.size());

    FollowIncludes(resolver);
    ReadAgainForLaterClasses();
    for (std::shared_ptr<CGameFile>& file : m_files) m_game->m_files.push_back(std::move(file));
    IndexNames();
    return m_game;
}

std::shared_ptr<CGameFile> CGameBuilder::Load(const std::string& path, std::vector<std::string>& directiveWords)
{
    std::string reason;
    std::shared_ptr<const std::string> text = m_source.Load(path, reason);
    if (!text) return std::make_shared<CGameFile>(path, reason);
    return std::make_shared<CGameFile>(path, std::move(text), m_classes, &directiveWords);
}

void CGameBuilder::AddClasses(const CGameFile& file)
{
    for (const std::string& name : file.ClassNames())
        if (m_classSet.insert(name).second) m_classes.push_back(name);
}

// Depth first, each file's includes in order: a file is read where the compiler first
// reads it, with the classes of every file read before it.
void CGameBuilder::FollowIncludes(const CIncludeResolver& resolver)
{
    struct Frame {
        std::uint32_t file;
        std::uint32_t next;  // its next include
    };
    std::vector<Frame> stack{Frame{0, 0}};
    while (!stack.empty()) {
        const std::uint32_t at = stack.back().file;
        if (stack.back().next >= m_files[at]->m_includes.size()) {
            stack.pop_back();
            continue;
        }
        const std::uint32_t includeIndex = stack.back().next++;
        GameInclude& include = m_files[at]->m_includes[includeIndex];
        include.resolution = resolver.Resolve(include.name);
        if (include.resolution.status == IncludeStatus::Missing) continue;
        std::string identity = m_source.Identity(include.resolution.path);
        const auto known = m_byIdentity.find(identity);
        if (known != m_byIdentity.end()) {
            include.target = known->second;
            continue;
        }
        const auto index = static_cast<std::uint32_t>(m_files.size());
        include.target = index;
        include.firstRead = true;
        m_byIdentity.emplace(identity, index);
        m_game->m_identities.push_back(std::move(identity));
        m_game->m_includedFrom.push_back(at);
        m_game->m_includedAt.push_back(includeIndex);
        std::vector<std::string> words;
        std::shared_ptr<CGameFile> file = Load(include.resolution.path, words);
        m_files.push_back(std::move(file));
        m_directiveWords.push_back(std::move(words));
        AddClasses(*m_files.back());
        m_classesOwn.push_back(m_classes.size());
        stack.push_back(Frame{index, 0});
    }
}

// A file read before another file defined a class (a story that includes the file
// defining the class of its rooms) is read again with every class of the game, when one
// of its directives opens with a class it did not know.
void CGameBuilder::ReadAgainForLaterClasses()
{
    for (std::size_t i = 0; i < m_files.size(); ++i) {
        const std::vector<std::string>& words = m_directiveWords[i];
        bool later = false;
        for (std::size_t c = m_classesOwn[i]; c < m_classes.size() && !later; ++c)
            later = std::binary_search(words.begin(), words.end(), m_classes[c]);
        if (!later || m_files[i]->Status() == GameFileStatus::Unreadable) continue;
        auto again = std::make_shared<CGameFile>(m_files[i]->Path(), m_files[i]->SharedText(), m_classes);
        // Classes decide what is an object, never where an Include stands; the includes
        // already followed keep what they found.
        if (again->m_includes.size() != m_files[i]->m_includes.size()) continue;
        again->m_includes = std::move(m_files[i]->m_includes);
        m_files[i] = std::move(again);
    }
}

namespace {

std::uint32_t HashOf(const CGameFile& file, const GameDefinition& d)
{
    if (d.Parent() == NO_PARENT) return HashFoldedName(file.NameOf(d));
    const std::uint32_t parent = HashFoldedName(".", HashFoldedName(file.NameOf(file.Definitions()[d.Parent()])));
    return HashFoldedName(file.NameOf(d), parent);
}

}  // namespace

// Numbers the definitions in the compiler's order (each file's own where they stand
// around its includes) and sorts the names by hash, keeping that order within each.
void CGameBuilder::IndexNames()
{
    CGame& game = *m_game;
    std::uint64_t total = 0;
    for (const auto& file : game.m_files) {
        game.m_firstDefinition.push_back(static_cast<std::uint32_t>(total));
        total += file->Definitions().size();
    }
    if (total > 0xFFFFFFFFu) throw std::bad_alloc();
    std::vector<std::uint32_t> rank(total);
    std::uint32_t next = 0;
    struct Frame {
        std::uint32_t file;
        std::uint32_t definition;
        std::uint32_t include;
    };
    std::vector<Frame> stack{Frame{0, 0, 0}};
    while (!stack.empty()) {
        Frame& top = stack.back();
        const CGameFile& file = *game.m_files[top.file];
        const auto& definitions = file.Definitions();
        const std::uint64_t until =
            top.include < file.Includes().size() ? file.Includes()[top.include].start : UINT64_MAX;
        while (top.definition < definitions.size() && definitions[top.definition].Offset() < until)
            rank[game.m_firstDefinition[top.file] + top.definition++] = next++;
        if (top.include >= file.Includes().size()) {
            stack.pop_back();
            continue;
        }
        const GameInclude& include = file.Includes()[top.include++];
        if (include.firstRead) stack.push_back(Frame{include.target, 0, 0});
    }

    game.m_names.reserve(total);
    for (std::uint32_t f = 0; f < game.m_files.size(); ++f) {
        const CGameFile& file = *game.m_files[f];
        for (std::uint32_t i = 0; i < file.Definitions().size(); ++i)
            game.m_names.push_back(CGame::NameEntry{HashOf(file, file.Definitions()[i]), game.m_firstDefinition[f] + i});
    }
    std::sort(game.m_names.begin(), game.m_names.end(), [&](const CGame::NameEntry& a, const CGame::NameEntry& b) {
        return a.hash != b.hash ? a.hash < b.hash : rank[a.definition] < rank[b.definition];
    });
}
