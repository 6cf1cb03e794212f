#include "TestSupport.h"

#include "syntax/SyntaxLexer.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <memory>
#include <random>
#include <sstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace testsupport {

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

TempDir::TempDir()
{
    std::string pattern = (fs::temp_directory_path() / "glossel-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) std::abort();
    m_path = pattern;
}

TempDir::~TempDir()
{
    std::error_code ignored;
    // Restore permissions a test may have taken away, so that removal succeeds.
    for (auto it = fs::recursive_directory_iterator(m_path, ignored);
         it != fs::recursive_directory_iterator(); it.increment(ignored))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ignored);
    fs::remove_all(m_path, ignored);
}

std::vector<fs::path> CorpusFiles()
{
    std::vector<fs::path> files;
    const char* env = std::getenv("GLOSSEL_CORPUS");
    const fs::path root = env && *env ? fs::path(env) : fs::path(GLOSSEL_CORPUS_DIR);
    std::error_code ec;
    if (!fs::is_directory(root, ec)) return files;
    for (auto it = fs::recursive_directory_iterator(root, ec); it != fs::recursive_directory_iterator();
         it.increment(ec)) {
        if (ec) break;
        const std::string ext = it->path().extension().string();
        if (it->is_regular_file() && (ext == ".inf" || ext == ".h")) files.push_back(it->path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::string Drain(std::FILE* f)
{
    std::fflush(f);
    std::rewind(f);
    std::string s;
    char buf[65536];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) s.append(buf, n);
    std::fclose(f);
    return s;
}

fs::path ExamplesDir() { return fs::path(GLOSSEL_EXAMPLES_DIR); }

namespace {

class ConfigHome : public testing::Environment {
public:
    void SetUp() override
    {
        m_dir = std::make_unique<TempDir>();
        setenv("XDG_CONFIG_HOME", m_dir->Path().c_str(), 1);
    }
    void TearDown() override { m_dir.reset(); }

private:
    std::unique_ptr<TempDir> m_dir;
};

}  // namespace

const void* UseTemporaryConfigHome() { return testing::AddGlobalTestEnvironment(new ConfigHome); }

std::vector<std::string> ClassifyText(const std::string& text, std::vector<std::uint32_t>* states)
{
    static const char kHex[] = "0123456789abcdef";
    std::vector<std::string> lines;
    CSyntaxLexer lexer(LEX_DIRECTIVE_EXPECTED);
    std::vector<StyleCode> classes(MAX_LINE_LENGTH + 1);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t lf = text.find('\n', pos);
        std::size_t n = (lf == std::string::npos ? text.size() : lf) - pos;
        if (n >= MAX_LINE_LENGTH) break;
        std::string line = text.substr(pos, n) + "\n";
        const std::uint32_t state = lexer.ClassifyLine(line.data(), line.size(), classes.data());
        std::string codes;
        for (std::size_t i = 0; i < line.size(); ++i) codes += kHex[classes[i] & 0xF];
        if (classes[line.size()] != STYLE_END) codes += "<no end>";
        lines.push_back(codes);
        if (states) states->push_back(state);
        pos += n + 1;
    }
    return lines;
}

namespace {

bool Consume(const std::string& s, std::size_t& pos, const std::string& word)
{
    if (s.compare(pos, word.size(), word) != 0) return false;
    pos += word.size();
    return true;
}

bool Number(const std::string& s, std::size_t& pos, unsigned long& value)
{
    std::size_t start = pos;
    value = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') value = value * 10 + (s[pos++] - '0');
    return pos > start;
}

}  // namespace

DecodedDocument DecodeDocument(const std::string& rtf)
{
    DecodedDocument d;
    std::size_t pos = 0;
    auto fail = [&](const std::string& why) {
        d.ok = false;
        d.error = why + " at byte " + std::to_string(pos);
        return d;
    };
    if (!Consume(rtf, pos, "{\\rtf1\\ansi{\\fonttbl{\\f2\\fmodern ")) return fail("header");
    std::size_t semi = rtf.find(";}}\n", pos);
    if (semi == std::string::npos) return fail("font table");
    d.fontName = rtf.substr(pos, semi - pos);
    pos = semi + 4;
    if (!Consume(rtf, pos, "{\\colortbl")) return fail("colour table");
    while (pos < rtf.size() && rtf[pos] == '\\') {
        unsigned long r, g, b;
        if (!Consume(rtf, pos, "\\red") || !Number(rtf, pos, r) || !Consume(rtf, pos, "\\green") ||
            !Number(rtf, pos, g) || !Consume(rtf, pos, "\\blue") || !Number(rtf, pos, b) ||
            !Consume(rtf, pos, ";") || r > 255 || g > 255 || b > 255)
            return fail("colour entry");
        d.colours.push_back(RGB(r, g, b));
    }
    if (!Consume(rtf, pos, "}\n\\pard")) return fail("end of header");

    const std::string tail = "\n\\par }\n.";
    if (rtf.size() < pos + tail.size() || rtf.compare(rtf.size() - tail.size(), tail.size(), tail) != 0)
        return fail("tail");
    const std::size_t end = rtf.size() - tail.size();

    bool inRun = false;
    bool atRunStart = false;
    RunAttributes current;
    while (pos < end) {
        const char c = rtf[pos];
        if (c == '\\') {
            const char next = pos + 1 < end ? rtf[pos + 1] : '\0';
            if (next == '\\' || next == '{' || next == '}') {
                if (!inRun) return fail("escaped character outside a run");
                d.text += next;
                d.attributes.push_back(current);
                d.startsRun.push_back(atRunStart);
                atRunStart = false;
                pos += 2;
                continue;
            }
            if (Consume(rtf, pos, "\\par ")) {
                ++d.paragraphs;
                inRun = false;
                continue;
            }
            unsigned long size, cf;
            if (!Consume(rtf, pos, "\\plain\\f2\\fs") || !Number(rtf, pos, size) || size != 20 ||
                !Consume(rtf, pos, "\\cf") || !Number(rtf, pos, cf))
                return fail("run prefix");
            current = RunAttributes{cf, false, false};
            if (Consume(rtf, pos, "\\b")) current.bold = true;
            if (Consume(rtf, pos, "\\i")) current.italic = true;
            if (!Consume(rtf, pos, " ")) return fail("prefix without its space");
            if (cf >= d.colours.size()) return fail("colour index out of the table");
            inRun = true;
            atRunStart = true;
            continue;
        }
        if (c == '{' || c == '}') return fail("unescaped brace");
        if (c == '\0') return fail("zero byte");
        if (!inRun) return fail("character outside a run");
        d.text += c;
        d.attributes.push_back(current);
        d.startsRun.push_back(atRunStart);
        atRunStart = false;
        ++pos;
    }
    d.ok = true;
    return d;
}

}  // namespace testsupport
