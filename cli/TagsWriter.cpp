#include "TagsWriter.h"

#include "game/GameResolver.h"

#include "SiteText.h"
#include "doc/Printable.h"
#include "syntax/ShownLines.h"

#include <algorithm>
#include <filesystem>

namespace {

// A name or field value as the extended format writes it.
void AppendTagText(std::string& out, std::string_view text, bool isName)
{
    static const char kHex[] = "0123456789abcdef";
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        switch (c) {
        case '\t': out += "\\t"; continue;
        case '\r': out += "\\r"; continue;
        case '\n': out += "\\n"; continue;
        case '\\': out += "\\\\"; continue;
        default: break;
        }
        if (c < 0x20 || c == 0x7F || (isName && i == 0 && (c == ' ' || c == '!'))) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
}

// A verb's dictionary word or an object's short name is written without its quotes.
std::string_view Unquoted(std::string_view name)
{
    if (name.size() >= 2 && (name.front() == '"' || name.front() == '\'') && name.back() == name.front())
        return name.substr(1, name.size() - 2);
    if (!name.empty() && (name.front() == '"' || name.front() == '\'')) return name.substr(1);
    return name;
}

// Each kind's letter, as tag programs write kinds, in DefinitionKind's order.
constexpr char kKindLetters[] = "rocgCaApvemsRfi";
static_assert(sizeof kKindLetters == DEFINITION_KIND_COUNT + 1);

char KindLetter(DefinitionKind kind)
{
    return kKindLetters[static_cast<std::size_t>(kind)];
}

bool FitsInTagFile(const std::string& name)
{
    return name.find_first_of("\t\r\n\f\x7f") == std::string::npos;
}

unsigned char Upper(char c)
{
    const auto u = static_cast<unsigned char>(c);
    return u >= 'a' && u <= 'z' ? static_cast<unsigned char>(u - 32) : u;
}

display::Encoding EncodingOf(const CGameFile& file)
{
    return display::ChooseEncoding(file.Text().data(), file.ShownLength());
}

}  // namespace

CTagsWriter::CTagsWriter(Format format, std::string tagFolder, std::string workingFolder)
    : m_format(format), m_tagFolder(std::move(tagFolder)), m_workingFolder(std::move(workingFolder))
{
}

std::string CTagsWriter::TagFileName(const std::string& path, const std::string& folder,
                                     const std::string& workingFolder)
{
    namespace fs = std::filesystem;
    fs::path full(path);
    if (full.is_relative()) full = fs::path(workingFolder) / full;
    full = full.lexically_normal();
    const fs::path base = fs::path(folder).lexically_normal();
    const std::string prefix = base.string().back() == '/' ? base.string() : base.string() + "/";
    const std::string absolute = full.string();
    if (absolute.size() > prefix.size() && absolute.compare(0, prefix.size(), prefix) == 0)
        return absolute.substr(prefix.size());
    return absolute;
}

namespace {

// Numbers the definitions of game in the order the compiler reads them: a file's own
// up to an Include, then those of the file it reads there, then the rest. The files
// being read stand on a stack of their own, so an include chain of any depth is read.
// The numbers of every definition of every file, one list: file f's from first[f] on.
struct ReadingNumbers {
    std::vector<std::size_t> first;
    std::vector<std::uint64_t> number;
};

ReadingNumbers ReadingOrder(const CGame& game, std::uint64_t& next)
{
    ReadingNumbers order;
    order.first.reserve(game.FileCount());
    std::size_t total = 0;
    for (std::uint32_t f = 0; f < game.FileCount(); ++f) {
        order.first.push_back(total);
        total += game.File(f).Definitions().size();
    }
    order.number.resize(total);
    std::vector<char> read(game.FileCount(), 0);
    struct Frame {
        std::uint32_t file;
        std::size_t definition;  // its next definition to number
        std::size_t include;     // its next include to follow
    };
    std::vector<Frame> stack;
    for (std::uint32_t first = 0; first < game.FileCount(); ++first) {
        if (read[first]) continue;
        read[first] = 1;
        stack.push_back(Frame{first, 0, 0});
        while (!stack.empty()) {
            Frame& top = stack.back();
            const CGameFile& file = game.File(top.file);
            const std::vector<GameDefinition>& definitions = file.Definitions();
            const std::vector<GameInclude>& includes = file.Includes();
            const std::uint64_t until = top.include < includes.size() ? includes[top.include].offset : UINT64_MAX;
            for (; top.definition < definitions.size() && definitions[top.definition].Offset() < until; ++top.definition)
                order.number[order.first[top.file] + top.definition] = next++;
            if (top.include >= includes.size()) {
                stack.pop_back();
                continue;
            }
            const GameInclude& include = includes[top.include++];
            if (!include.firstRead || include.target >= game.FileCount() || read[include.target]) continue;
            read[include.target] = 1;
            stack.push_back(Frame{include.target, 0, 0});
        }
    }
    return order;
}

}  // namespace

void CTagsWriter::AddGame(const CGame& game, bool last)
{
    const ReadingNumbers order = ReadingOrder(game, m_sequence);
    // Room for the lines at once, as most names and paths make them (a game of 100,000
    // files does not copy them all to a string twice as long).
    std::size_t definitions = 0, bytes = 0;
    for (std::uint32_t i = 0; i < game.FileCount(); ++i) {
        const std::size_t n = game.File(i).Definitions().size();
        definitions += n;
        bytes += m_format == Vim ? n * (game.File(i).Path().size() + 40) : n * 48 + game.File(i).Path().size() + 16;
    }
    if (m_format == Vim) {
        m_vim.reserve(m_vim.size() + definitions);
        m_lines.reserve(m_lines.size() + bytes);
    } else {
        m_emacs.reserve(m_emacs.size() + bytes);
    }
    for (std::uint32_t i = 0; i < game.FileCount(); ++i) {
        const CGameFile& file = game.File(i);
        if (file.Status() == GameFileStatus::Unreadable) continue;
        // A file of one game is read once; files are remembered for the games after it.
        if (m_added.count(game.IdentityOf(i))) continue;
        if (!last) m_added.insert(game.IdentityOf(i));
        const std::string path = TagFileName(file.Path(), m_tagFolder, m_workingFolder);
        if (!FitsInTagFile(path)) {
            m_refused.push_back(file.Path());
            continue;
        }
        // No control character of a file's name reaches the tag file (nor a terminal that
        // shows it) as itself, nor a bidirectional control that would reorder the line.
        const std::string name = PrintableForTerminal(path);
        if (m_format == Vim)
            AddVim(file, name, order.number.data() + order.first[i]);
        else
            AddEmacs(file, name);
    }
}

void CTagsWriter::AddVim(const CGameFile& file, const std::string& name, const std::uint64_t* order)
{
    const display::Encoding encoding = EncodingOf(file);
    const std::vector<GameDefinition>& definitions = file.Definitions();
    for (std::size_t k = 0; k < definitions.size(); ++k) {
        const GameDefinition& d = definitions[k];
        if (d.IsImplicit()) continue;  // a property no directive declares: no tag of its own
        VimTag tag;
        tag.start = m_lines.size();
        AppendTagText(m_lines, ShownUtf8(Unquoted(file.NameOf(d)), encoding), true);
        tag.nameLength = static_cast<std::uint32_t>(m_lines.size() - tag.start);
        // Within a name, in the order the game's resolver ranks them: the definition the
        // compiler uses first.
        tag.order = order[k] + (static_cast<std::uint64_t>(RankOf(d)) << 60);
        m_lines += '\t';
        m_lines += name;
        m_lines += '\t';
        m_lines += std::to_string(d.Line());
        m_lines += ";\"\tkind:";
        m_lines += KindLetter(d.Kind());
        if (d.Parent() != NO_PARENT && d.Parent() < definitions.size()) {
            const GameDefinition& owner = definitions[d.Parent()];
            m_lines += '\t';
            m_lines += owner.Kind() == DefinitionKind::Class ? "class:" : "object:";
            AppendTagText(m_lines, ShownUtf8(Unquoted(file.NameOf(owner)), encoding), false);
        }
        if (!d.IsCompiled()) m_lines += "\tcompiled:no";
        m_lines += '\n';
        tag.length = m_lines.size() - tag.start;
        m_vim.push_back(tag);
    }
}

void CTagsWriter::AddEmacs(const CGameFile& file, const std::string& name)
{
    const display::Encoding encoding = EncodingOf(file);
    const std::string_view text(file.Text());
    std::string body;
    for (const GameDefinition& d : file.Definitions()) {
        if (d.IsImplicit()) continue;
        const std::uint64_t lineStart = d.Offset() - d.Column();
        std::string_view pattern = text.substr(lineStart, d.Column() + d.Length());
        for (std::size_t i = 0; i < pattern.size(); ++i) {
            const auto c = static_cast<unsigned char>(pattern[i]);
            if ((c < 0x20 && c != '\t') || c == 0x7F) {
                pattern = pattern.substr(0, i);
                break;
            }
        }
        body += ShownUtf8(pattern, encoding);
        body += '\x7f';
        body += ShownUtf8(Unquoted(file.NameOf(d)), encoding);
        body += '\x01';
        body += std::to_string(d.Line());
        body += ',';
        body += std::to_string(lineStart);
        body += '\n';
    }
    m_emacs += "\f\n";
    m_emacs += name;
    m_emacs += ',';
    m_emacs += std::to_string(body.size());
    m_emacs += '\n';
    m_emacs += body;
}

std::string CTagsWriter::Finish()
{
    if (m_format == Emacs) return std::move(m_emacs);
    const char* lines = m_lines.data();
    std::stable_sort(m_vim.begin(), m_vim.end(), [lines](const VimTag& a, const VimTag& b) {
        const std::size_t n = std::min(a.nameLength, b.nameLength);
        for (std::size_t i = 0; i < n; ++i) {
            const unsigned char x = Upper(lines[a.start + i]);
            const unsigned char y = Upper(lines[b.start + i]);
            if (x != y) return x < y;
        }
        if (a.nameLength != b.nameLength) return a.nameLength < b.nameLength;
        return a.order < b.order;
    });
    std::string out =
        "!_TAG_FILE_ENCODING\tutf-8\t//\n"
        "!_TAG_FILE_FORMAT\t2\t/extended format/\n"
        "!_TAG_FILE_SORTED\t2\t/0=unsorted, 1=sorted, 2=foldcase/\n";
    // What each kind's letter stands for, in the order of the letters.
    std::string kinds[DEFINITION_KIND_COUNT];
    for (int k = 0; k < DEFINITION_KIND_COUNT; ++k) {
        const auto kind = static_cast<DefinitionKind>(k);
        if (kind == DefinitionKind::Include) continue;
        kinds[k] = std::string("!_TAG_KIND_DESCRIPTION!Inform6\t") + KindLetter(kind) + "," + DefinitionKindName(kind) +
                   "\t/" + DefinitionKindName(kind) + "/\n";
    }
    std::sort(std::begin(kinds), std::end(kinds));
    for (const std::string& line : kinds) out += line;
    out += "!_TAG_PROGRAM_NAME\tglossel-render\t//\n"
           "!_TAG_PROGRAM_VERSION\t" GLOSSEL_VERSION_STRING "\t//\n";
    out.reserve(out.size() + m_lines.size());
    for (const VimTag& tag : m_vim) out.append(m_lines, tag.start, tag.length);
    return out;
}
