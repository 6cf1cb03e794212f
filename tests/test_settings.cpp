// The settings store: stored styles as the viewer loads and saves them, the exact
// file written, foreign entries, the recent-file section, failed writes, two
// processes at once, and removal for /Unregister.
//
// Every test works in its own temporary folder: the user's store is redirected there
// with QSettings::setPath, and XDG_CONFIG_HOME points at a temporary folder for the
// whole process, so no test reads or writes the real user's settings. Expected file
// contents are written out by hand from the entry names and the built-in styles.

#include "BadInputs.h"
#include "ChildProcess.h"
#include "TestSupport.h"

#include "settings/SettingsStore.h"
#include "syntax/ProfileStore.h"
#include "syntax/SyntaxStyleMap.h"

#include <QSettings>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <map>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::ReadFile;
using testsupport::TempDir;
using testsupport::WriteFile;

using testsupport::RunInChild;

namespace {

[[maybe_unused]] const void* const g_configHome = testsupport::UseTemporaryConfigHome();

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

// The user's store lives in this test's folder.
class SettingsTest : public testing::Test {
protected:
    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Q(m_dir.Path()));
    }
    fs::path UserFile() const { return m_dir / "Orvanel's Applications" / "Glossel.conf"; }
    TempDir m_dir;
};

class ProfileGuard {
public:
    explicit ProfileGuard(CProfileStore* p) { SetStyleProfile(p); }
    ~ProfileGuard() { SetStyleProfile(nullptr); }
    ProfileGuard(const ProfileGuard&) = delete;
    ProfileGuard& operator=(const ProfileGuard&) = delete;
};

void LoadStyles(CSettingsStore& store, CSyntaxStyleMap& styles)
{
    ProfileGuard guard(&store);
    styles.BuildDefaults();
}

void SaveStyles(CSettingsStore& store, const CSyntaxStyleMap& styles)
{
    ProfileGuard guard(&store);
    styles.SaveAll();
}

CSyntaxStyle& Style(CSyntaxStyleMap& styles, StyleCode code)
{
    CSyntaxStyle* style = nullptr;
    if (!styles.Lookup(code, style)) std::abort();
    return *style;
}

enum class Attr { Colour, Bold, Italic };

std::uint32_t Get(const CSyntaxStyle& style, Attr attr)
{
    switch (attr) {
    case Attr::Colour: return style.m_colour;
    case Attr::Bold: return style.m_bold;
    case Attr::Italic: return style.m_italic;
    }
    return 0;
}

std::uint32_t Default(StyleCode code, Attr attr)
{
    const StyleDefault& d = g_styleDefaults[code];
    switch (attr) {
    case Attr::Colour: return d.colour;
    case Attr::Bold: return d.bold;
    case Attr::Italic: return d.italic;
    }
    return 0;
}

// The lines of an INI file by section ("" before the first section header), blank
// lines left out.
std::map<std::string, std::vector<std::string>> Sections(const std::string& bytes)
{
    std::map<std::string, std::vector<std::string>> sections;
    std::string current;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        std::size_t end = bytes.find('\n', pos);
        if (end == std::string::npos) end = bytes.size();
        const std::string line = bytes.substr(pos, end - pos);
        pos = end + 1;
        if (line.empty()) continue;
        if (line.front() == '[' && line.back() == ']') {
            current = line.substr(1, line.size() - 2);
            sections[current];
        } else {
            sections[current].push_back(line);
        }
    }
    return sections;
}

bool Contains(const std::vector<std::string>& lines, const std::string& line)
{
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

std::vector<std::string> FolderEntries(const fs::path& folder)
{
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename());
    std::sort(names.begin(), names.end());
    return names;
}


// The file a first start writes at exit: the 36 values of the built-in styles, in
// QSettings' order (names compared code unit by code unit, so "Code Alpha" before
// "Code Bold" and "Code" before "Comment"), spaces as %20, colours as 0x00BBGGRR in
// decimal.
const char* const kFirstStartFile =
    "[Inform%20Syntax%20Colours]\n"
    "Assembly%20Bold=0\n"
    "Assembly%20Colour=41120\n"          // 0x0000A0A0
    "Assembly%20Italic=1\n"
    "Code%20Alpha%20Bold=0\n"
    "Code%20Alpha%20Colour=32768\n"      // 0x00008000
    "Code%20Alpha%20Italic=0\n"
    "Code%20Bold=0\n"
    "Code%20Colour=8388608\n"            // 0x00800000
    "Code%20Italic=0\n"
    "Code%20Number%20Bold=1\n"
    "Code%20Number%20Colour=32768\n"
    "Code%20Number%20Italic=0\n"
    "Comment%20Bold=0\n"
    "Comment%20Colour=8388736\n"         // 0x00800080
    "Comment%20Italic=1\n"
    "Directive%20Bold=1\n"
    "Directive%20Colour=0\n"
    "Directive%20Italic=0\n"
    "Escape%20Character%20Bold=0\n"
    "Escape%20Character%20Colour=192\n"  // 0x000000C0
    "Escape%20Character%20Italic=0\n"
    "Foreground%20Bold=0\n"
    "Foreground%20Colour=10485760\n"     // 0x00A00000
    "Foreground%20Italic=0\n"
    "Function%20Bold=0\n"
    "Function%20Colour=160\n"            // 0x000000A0
    "Function%20Italic=0\n"
    "Number%20Bold=1\n"
    "Number%20Colour=10485760\n"
    "Number%20Italic=0\n"
    "Property%20Bold=0\n"
    "Property%20Colour=192\n"
    "Property%20Italic=0\n"
    "Quoted%20Text%20Bold=0\n"
    "Quoted%20Text%20Colour=8421504\n"   // 0x00808080
    "Quoted%20Text%20Italic=0\n";

}  // namespace

// ---------------------------------------------------------------------------------
// One stored value, loaded at start-up and written back at exit

struct ValueCase {
    const char* name;
    std::string line;  // the stored line in [Inform%20Syntax%20Colours]
    StyleCode code;
    Attr attr;
    std::uint32_t loaded;
    std::vector<std::string> written;  // lines the section holds after the exit's save
    bool foreign = false;              // the stored line's key is not one of the 36
};

void PrintTo(const ValueCase& c, std::ostream* os) { *os << c.name; }

class StoredValue : public testing::TestWithParam<ValueCase> {
protected:
    TempDir m_dir;
};

TEST_P(StoredValue, LoadsAloneAndIsWrittenBack)
{
    const ValueCase& c = GetParam();
    const fs::path file = m_dir / "Glossel.conf";
    WriteFile(file, "[Inform%20Syntax%20Colours]\n" + c.line + "\n");

    CSyntaxStyleMap styles;
    {
        CSettingsStore store(Q(file));
        LoadStyles(store, styles);
        for (StyleCode code = 0; code < STYLE_COUNT; ++code) {
            for (Attr attr : {Attr::Colour, Attr::Bold, Attr::Italic}) {
                const std::uint32_t expected =
                    code == c.code && attr == c.attr ? c.loaded : Default(code, attr);
                EXPECT_EQ(Get(Style(styles, code), attr), expected)
                    << g_styleDefaults[code].name << " attribute " << static_cast<int>(attr);
            }
        }
        SaveStyles(store, styles);
        EXPECT_TRUE(store.Sync());
    }

    const auto sections = Sections(ReadFile(file));
    ASSERT_EQ(sections.size(), 1u);
    const std::vector<std::string>& lines = sections.at("Inform%20Syntax%20Colours");
    for (const std::string& line : c.written) EXPECT_TRUE(Contains(lines, line)) << line;
    // The 36 values, and the stored line itself when the program does not know its key.
    EXPECT_EQ(lines.size(), c.foreign ? 37u : 36u);
}

INSTANTIATE_TEST_SUITE_P(
    Values, StoredValue,
    testing::Values(
        ValueCase{"bold 5 loads as 1 and is written back as 1", "Comment%20Bold=5", STYLE_COMMENT,
                  Attr::Bold, 1, {"Comment%20Bold=1"}},
        ValueCase{"italic 2 loads as 1", "Assembly%20Italic=2", STYLE_ASSEMBLY, Attr::Italic, 1,
                  {"Assembly%20Italic=1"}},
        ValueCase{"a stored 0 overrides a default 1", "Number%20Bold=0", STYLE_NUMBER, Attr::Bold,
                  0, {"Number%20Bold=0"}},
        ValueCase{"colour with a high byte is kept", "Comment%20Colour=4278190335", STYLE_COMMENT,
                  Attr::Colour, 0xFF0000FFu, {"Comment%20Colour=4278190335"}},
        ValueCase{"largest value", "Foreground%20Colour=4294967295", STYLE_FOREGROUND,
                  Attr::Colour, 0xFFFFFFFFu, {"Foreground%20Colour=4294967295"}},
        ValueCase{"one above 32 bits", "Foreground%20Colour=4294967296", STYLE_FOREGROUND,
                  Attr::Colour, 0x00A00000u, {"Foreground%20Colour=10485760"}},
        ValueCase{"far above 32 bits", "Foreground%20Colour=99999999999999999999",
                  STYLE_FOREGROUND, Attr::Colour, 0x00A00000u, {"Foreground%20Colour=10485760"}},
        ValueCase{"minus one is all bits", "Quoted%20Text%20Colour=-1", STYLE_QUOTED_TEXT,
                  Attr::Colour, 0xFFFFFFFFu, {"Quoted%20Text%20Colour=4294967295"}},
        ValueCase{"a signed colour keeps its 32 bits", "Comment%20Colour=-16777089", STYLE_COMMENT,
                  Attr::Colour, 0xFF00007Fu, {"Comment%20Colour=4278190207"}},
        ValueCase{"smallest signed value", "Comment%20Colour=-2147483648", STYLE_COMMENT,
                  Attr::Colour, 0x80000000u, {"Comment%20Colour=2147483648"}},
        ValueCase{"below the signed range", "Comment%20Colour=-2147483649", STYLE_COMMENT,
                  Attr::Colour, 0x00800080u, {"Comment%20Colour=8388736"}},
        ValueCase{"a word", "Comment%20Colour=red", STYLE_COMMENT, Attr::Colour, 0x00800080u,
                  {"Comment%20Colour=8388736"}},
        ValueCase{"a fraction", "Comment%20Bold=1.5", STYLE_COMMENT, Attr::Bold, 0,
                  {"Comment%20Bold=0"}},
        ValueCase{"hexadecimal", "Comment%20Bold=0x1", STYLE_COMMENT, Attr::Bold, 0,
                  {"Comment%20Bold=0"}},
        ValueCase{"a plus sign", "Comment%20Bold=+1", STYLE_COMMENT, Attr::Bold, 0,
                  {"Comment%20Bold=0"}},
        ValueCase{"empty", "Comment%20Italic=", STYLE_COMMENT, Attr::Italic, 1,
                  {"Comment%20Italic=1"}},
        ValueCase{"digits then letters", "Code%20Colour=12abc", STYLE_CODE, Attr::Colour,
                  0x00800000u, {"Code%20Colour=8388608"}},
        ValueCase{"a list", "Code%20Colour=1, 2", STYLE_CODE, Attr::Colour, 0x00800000u,
                  {"Code%20Colour=8388608"}},
        ValueCase{"quoted with spaces", "Code%20Colour=\" 42 \"", STYLE_CODE, Attr::Colour, 42,
                  {"Code%20Colour=42"}},
        ValueCase{"key typed with plain spaces", "Code Colour=42", STYLE_CODE, Attr::Colour, 42,
                  {"Code%20Colour=42"}},
        ValueCase{"a key in other letter case is not ours", "code%20colour=42", STYLE_CODE,
                  Attr::Colour, 0x00800000u, {"code%20colour=42", "Code%20Colour=8388608"}, true}),
    [](const testing::TestParamInfo<ValueCase>& info) {
        std::string n = info.param.name;
        for (char& ch : n)
            if (!isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

// ---------------------------------------------------------------------------------
// Whole files

// Bytes that are no settings file at all, or a value no number can hold: the styles
// load as built in, and the exit writes a file that reads back the same.
TEST_F(SettingsTest, AnyBytesLoadTheDefaultsAndExitWritesAReadableFile)
{
    std::string everyByte;
    for (int b = 0; b < 256; ++b) everyByte += static_cast<char>(b);
    const struct {
        const char* name;
        std::string bytes;
    } rows[] = {
        {"empty file", ""},
        {"every byte value", everyByte + "\n" + everyByte},
        {"only NUL bytes", std::string(4096, '\0')},
        {"a megabyte-long number", "[Inform%20Syntax%20Colours]\nComment%20Colour=" + std::string(1 << 20, '9') + "\n"},
        {"a section line never closed", "[" + std::string(1000, 'x')},
        // Keys that QSettings reads with empty parts, which the check of the written
        // file must count as QSettings writes them.
        {"a key beginning with a backslash beside its twin", "\\File1=a\nFile1=b\n"},
        {"a section name beginning with a slash", "[/Recent%20File%20List]\nFile1=a\n[Recent%20File%20List]\nFile1=b\n"},
        {"a section name ending in a slash", "[Other/]\nA=1\n[Other]\nA=2\n"},
        {"an empty key", "=t\n"},
    };
    const auto firstStart = Sections(kFirstStartFile).at("Inform%20Syntax%20Colours");
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path file = m_dir / (std::string(row.name) + ".conf");
        WriteFile(file, row.bytes);
        for (int run = 0; run < 2; ++run) {  // the start after the exit finds the same
            SCOPED_TRACE(run == 0 ? "first start" : "second start");
            CSettingsStore store(Q(file));
            CSyntaxStyleMap styles;
            LoadStyles(store, styles);
            for (StyleCode code = 0; code < STYLE_COUNT; ++code)
                for (Attr attr : {Attr::Colour, Attr::Bold, Attr::Italic})
                    EXPECT_EQ(Get(Style(styles, code), attr), Default(code, attr)) << g_styleDefaults[code].name;
            SaveStyles(store, styles);
            EXPECT_TRUE(store.Sync());
            const auto sections = Sections(ReadFile(file));
            ASSERT_TRUE(sections.count("Inform%20Syntax%20Colours"));
            EXPECT_EQ(sections.at("Inform%20Syntax%20Colours"), firstStart);
        }
    }
    EXPECT_EQ(ReadFile(m_dir / "empty file.conf"), kFirstStartFile);
}

TEST_F(SettingsTest, UserStoreIsTheOrganisationsFileAndReadingCreatesNothing)
{
    CSettingsStore store;
    EXPECT_EQ(store.FileName(), Q(UserFile()));
    CSyntaxStyleMap styles;
    LoadStyles(store, styles);
    EXPECT_TRUE(store.Sync());
    EXPECT_TRUE(FolderEntries(m_dir.Path()).empty());
}

TEST_F(SettingsTest, FirstStartTakesTheDefaultsAndExitWritesAll36Values)
{
    CSyntaxStyleMap defaults;
    defaults.BuildDefaults();
    {
        CSettingsStore store;
        CSyntaxStyleMap styles;
        LoadStyles(store, styles);
        EXPECT_EQ(styles.Equals(defaults), 1);
        SaveStyles(store, styles);
        EXPECT_TRUE(store.Sync());
    }
    EXPECT_EQ(ReadFile(UserFile()), kFirstStartFile);
    EXPECT_EQ(FolderEntries(UserFile().parent_path()), std::vector<std::string>{"Glossel.conf"});
}

TEST_F(SettingsTest, RecentFilesAreWrittenInTheirOwnSection)
{
    {
        CSettingsStore store;
        CSyntaxStyleMap styles;
        LoadStyles(store, styles);
        SaveStyles(store, styles);
        EXPECT_TRUE(store.WriteProfileString("Recent File List", "File1", "/home/u/a b.inf"));
        EXPECT_TRUE(store.WriteProfileString("Recent File List", "File2", "/tmp/x,y.inf"));
        EXPECT_TRUE(store.Sync());
    }
    // A comma would make a list: Qt quotes such a value.
    EXPECT_EQ(ReadFile(UserFile()), std::string(kFirstStartFile) +
                                        "\n"
                                        "[Recent%20File%20List]\n"
                                        "File1=/home/u/a b.inf\n"
                                        "File2=\"/tmp/x,y.inf\"\n");
}

TEST_F(SettingsTest, StylesRoundTripThroughAFreshProcess)
{
    const fs::path file = m_dir / "Glossel.conf";
    CSyntaxStyleMap changed;
    changed.BuildDefaults();
    Style(changed, STYLE_COMMENT).m_colour = 0xFF123456u;
    Style(changed, STYLE_COMMENT).m_italic = 0;
    Style(changed, STYLE_DIRECTIVE).m_bold = 0;
    Style(changed, STYLE_CODE_ALPHA).m_italic = 1;
    Style(changed, STYLE_FOREGROUND).m_colour = 0;
    {
        // No Sync: the store writes what it holds when it goes.
        CSettingsStore store(Q(file));
        SaveStyles(store, changed);
    }
    // A process that never opened the file reads it from the disk.
    const fs::path copy = m_dir / "copy.conf";
    fs::copy_file(file, copy);
    const int status = RunInChild([&] {
        CSettingsStore store(Q(copy));
        CSyntaxStyleMap loaded;
        LoadStyles(store, loaded);
        return loaded.Equals(changed) ? 0 : 1;
    });
    EXPECT_EQ(status, 0);

    CSettingsStore again(Q(file));
    CSyntaxStyleMap loaded;
    LoadStyles(again, loaded);
    EXPECT_EQ(loaded.Equals(changed), 1);
}

TEST_F(SettingsTest, ForeignEntriesAndSectionsSurviveTheExit)
{
    const fs::path file = m_dir / "Glossel.conf";
    WriteFile(file,
              "[General]\n"
              "Top=1\n"
              "\n"
              "[Inform%20Syntax%20Colours]\n"
              "Comment%20Underline=1\n"
              "Zebra=\"hello, world\"\n"
              "comment%20bold=1\n"
              "Number%20Colour=255\n"
              "\n"
              "[Other]\n"
              "Key=Value\n"
              "\n"
              "[Recent%20File%20List]\n"
              "File1=/a.inf\n");
    {
        CSettingsStore store(Q(file));
        CSyntaxStyleMap styles;
        LoadStyles(store, styles);
        EXPECT_EQ(Style(styles, STYLE_COMMENT).m_bold, 0u);  // "comment bold" is not ours
        EXPECT_EQ(Style(styles, STYLE_NUMBER).m_colour, 255u);
        SaveStyles(store, styles);
        EXPECT_TRUE(store.Sync());
    }
    const auto sections = Sections(ReadFile(file));
    ASSERT_EQ(sections.size(), 4u);
    EXPECT_EQ(sections.at("General"), std::vector<std::string>{"Top=1"});
    EXPECT_EQ(sections.at("Other"), std::vector<std::string>{"Key=Value"});
    EXPECT_EQ(sections.at("Recent%20File%20List"), std::vector<std::string>{"File1=/a.inf"});
    const std::vector<std::string>& styles = sections.at("Inform%20Syntax%20Colours");
    EXPECT_EQ(styles.size(), 36u + 3u);
    for (const char* line : {"Comment%20Underline=1", "Zebra=\"hello, world\"", "comment%20bold=1",
                             "Number%20Colour=255", "Comment%20Bold=0"})
        EXPECT_TRUE(Contains(styles, line)) << line;
}

// ---------------------------------------------------------------------------------
// Strings and sections

TEST_F(SettingsTest, RecentFileNamesRoundTripWhateverTheyHold)
{
    struct Row {
        const char* name;
        QString path;
        QByteArray bytes = {};  // stored as bytes instead when not null
    };
    QByteArray high;
    for (int b = 0x80; b <= 0xFF; ++b) high += static_cast<char>(b);
    const Row rows[] = {
        {"space", "/home/u/My Games/a b.inf"},
        {"comma", "/x/a,b.inf"},
        {"quote", "/x/say \"hi\".inf"},
        {"semicolon and equals", "/x/a;b=c.inf"},
        {"backslash", "/x/back\\slash.inf"},
        {"leading at", "@home/x.inf"},
        {"leading and trailing space", " /x/a.inf "},
        {"hash and bracket", "#[x].inf"},
        {"tab", "/x/a\tb.inf"},
        {"non-ASCII", QString::fromUtf8("/x/caf\xC3\xA9/\xE6\x97\xA5.inf")},
        {"bytes that are not UTF-8, a hex digit after one", {}, "/x/caf\xE9" "e.inf"},
        {"every byte from 0x80 up", {}, "/x/" + high},
        {"bytes with a line feed and a closing parenthesis", {}, "/x/a\n)\xFF.inf"},
    };
    const fs::path file = m_dir / "Glossel.conf";
    {
        CSettingsStore store(Q(file));
        int n = 0;
        for (const Row& row : rows) {
            const QString entry = QString("File%1").arg(++n);
            EXPECT_TRUE(row.bytes.isNull() ? store.WriteProfileString("Recent File List", entry, row.path)
                                           : store.WriteProfileBytes("Recent File List", entry, row.bytes));
        }
        EXPECT_TRUE(store.Sync());
    }
    const fs::path copy = m_dir / "copy.conf";
    fs::copy_file(file, copy);
    for (std::size_t i = 0; i < std::size(rows); ++i) {
        const int status = RunInChild([&] {
            CSettingsStore store(Q(copy));
            const QString entry = QString("File%1").arg(i + 1);
            const QByteArray bytes = store.GetProfileBytes("Recent File List", entry);
            // Each comes back as it was stored: text as text, bytes as bytes.
            if (rows[i].bytes.isNull())
                return bytes.isNull() && store.GetProfileString("Recent File List", entry) == rows[i].path ? 0 : 1;
            return bytes == rows[i].bytes && store.GetProfileString("Recent File List", entry, "none") == "none" ? 0 : 1;
        });
        EXPECT_EQ(status, 0) << rows[i].name;
    }
}

TEST_F(SettingsTest, RemovedSectionHoldsOnlyWhatIsWrittenAfter)
{
    const fs::path file = m_dir / "Glossel.conf";
    {
        CSettingsStore store(Q(file));
        for (int n = 1; n <= 5; ++n)
            store.WriteProfileString("Recent File List", QString("File%1").arg(n), QString("/old/%1").arg(n));
        EXPECT_TRUE(store.WriteProfileInt("Inform Syntax Colours", "Comment Bold", 1));
        EXPECT_TRUE(store.Sync());
    }
    CSettingsStore store(Q(file));
    EXPECT_EQ(store.GetProfileString("Recent File List", "File4"), "/old/4");
    EXPECT_TRUE(store.RemoveSection("Recent File List"));
    EXPECT_EQ(store.GetProfileString("Recent File List", "File4", "none"), "none");
    EXPECT_TRUE(store.WriteProfileString("Recent File List", "File1", "/new/1"));
    EXPECT_TRUE(store.WriteProfileString("Recent File List", "File2", "/new/2"));
    EXPECT_EQ(store.GetProfileString("Recent File List", "File1"), "/new/1");
    EXPECT_EQ(store.GetProfileInt("Inform Syntax Colours", "Comment Bold", 0), 1u);
    EXPECT_TRUE(store.Sync());

    const auto sections = Sections(ReadFile(file));
    EXPECT_EQ(sections.at("Recent%20File%20List"),
              (std::vector<std::string>{"File1=/new/1", "File2=/new/2"}));
    EXPECT_EQ(sections.at("Inform%20Syntax%20Colours"), std::vector<std::string>{"Comment%20Bold=1"});
}

TEST_F(SettingsTest, NamesThatQtWouldSplitAreRefused)
{
    const fs::path file = m_dir / "Glossel.conf";
    WriteFile(file, "[a]\nb\\c=5\n");  // the key "b/c" of group "a"
    CSettingsStore store(Q(file));
    EXPECT_EQ(store.GetProfileInt("a", "b/c", 7), 7u);
    EXPECT_EQ(store.GetProfileInt("a", "b\\c", 7), 7u);
    EXPECT_EQ(store.GetProfileInt("", "x", 7), 7u);
    EXPECT_FALSE(store.WriteProfileInt("a", "b/c", 1));
    EXPECT_FALSE(store.WriteProfileInt("a/b", "c", 1));
    EXPECT_FALSE(store.WriteProfileString("a", "", "x"));
    EXPECT_FALSE(store.RemoveSection("a/b"));
    EXPECT_TRUE(store.Sync());
    EXPECT_EQ(ReadFile(file), "[a]\nb\\c=5\n");
}

// ---------------------------------------------------------------------------------
// Files that cannot be written

TEST_F(SettingsTest, AnUnwritablePlaceFailsTheSyncAndKeepsTheValues)
{
    struct Row {
        const char* name;
        fs::path file;
        std::function<void()> block;
        std::function<void()> unblock;
    };
    const fs::path blocker = m_dir / "blocker";
    const fs::path folderFile = m_dir / "folder.conf";
    const Row rows[] = {
        {"the folder is a file", blocker / "Glossel.conf", [&] { WriteFile(blocker, "x"); },
         [&] { fs::remove(blocker); }},
        {"the file is a folder", folderFile, [&] { fs::create_directory(folderFile); },
         [&] { fs::remove(folderFile); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        row.block();
        CSettingsStore store(Q(row.file));
        EXPECT_TRUE(store.WriteProfileInt("Inform Syntax Colours", "Comment Bold", 1));
        EXPECT_FALSE(store.Sync());
        EXPECT_EQ(store.GetProfileInt("Inform Syntax Colours", "Comment Bold", 0), 1u);
        row.unblock();
        EXPECT_TRUE(store.Sync());
        EXPECT_EQ(ReadFile(row.file), "[Inform%20Syntax%20Colours]\nComment%20Bold=1\n");
    }
}

// A FIFO, a link to a device or a folder where the file belongs: reading would wait for
// ever or never end. Neither store opens it: the defaults, a failed write, the thing kept.
TEST_F(SettingsTest, SomethingThatIsNotAFileIsNeverOpened)
{
    const struct {
        const char* name;
        std::function<void(const fs::path&)> make;
    } rows[] = {
        {"a FIFO", [](const fs::path& p) { ASSERT_EQ(mkfifo(p.c_str(), 0600), 0); }},
        {"a link to /dev/zero", [](const fs::path& p) { fs::create_symlink("/dev/zero", p); }},
        {"a folder", [](const fs::path& p) { fs::create_directory(p); }},
    };
    alarm(60);  // a store that blocks fails the test instead of hanging it
    for (const auto& row : rows) {
        for (const bool user : {false, true}) {
            SCOPED_TRACE(std::string(row.name) + (user ? ", the user's store" : ", a named file"));
            const fs::path file = user ? UserFile() : m_dir / "named.conf";
            fs::create_directories(file.parent_path());
            row.make(file);
            {
                std::unique_ptr<CSettingsStore> store =
                    user ? std::make_unique<CSettingsStore>() : std::make_unique<CSettingsStore>(Q(file));
                EXPECT_EQ(store->FileName(), Q(file));
                CSyntaxStyleMap styles;
                LoadStyles(*store, styles);
                EXPECT_EQ(Style(styles, STYLE_COMMENT).m_colour, Default(STYLE_COMMENT, Attr::Colour));
                SaveStyles(*store, styles);
                EXPECT_FALSE(store->Sync());
                EXPECT_EQ(store->GetProfileInt(STYLE_SECTION, "Comment Italic", 7), 1u);  // still held
            }
            EXPECT_FALSE(fs::is_regular_file(file));
            fs::remove(file);
        }
    }
    alarm(0);
}

// Permissions do not bind the superuser: as root, the files belong to nobody and the
// store runs with nobody's file-system rights.
TEST_F(SettingsTest, AReadOnlyFileOrFolderFailsTheSyncAndKeepsTheFile)
{
    const bool root = geteuid() == 0;
    if (root) fs::permissions(m_dir.Path(), fs::perms::others_exec, fs::perm_options::add);
    struct Row {
        const char* name;
        fs::perms file;
        fs::perms folder;
    };
    const Row rows[] = {
        {"read-only file", fs::perms::owner_read, fs::perms::owner_all},
        {"read-only folder", fs::perms::owner_read | fs::perms::owner_write,
         fs::perms::owner_read | fs::perms::owner_exec},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const fs::path folder = m_dir / row.name;
        const fs::path file = folder / "Glossel.conf";
        fs::create_directory(folder);
        WriteFile(file, "[Other]\nKey=Value\n");
        if (root) {
            ASSERT_EQ(chown(folder.c_str(), 65534, 65534), 0);
            ASSERT_EQ(chown(file.c_str(), 65534, 65534), 0);
        }
        fs::permissions(file, row.file);
        fs::permissions(folder, row.folder);
        {
            badinputs::AsNobody asNobody;
            if (!asNobody.Active()) GTEST_SKIP() << "cannot take away root's right to write a file here";
            CSettingsStore store(Q(file));
            EXPECT_EQ(store.GetProfileString("Other", "Key"), "Value");
            EXPECT_TRUE(store.WriteProfileInt(STYLE_SECTION, "Comment Bold", 1));
            EXPECT_FALSE(store.Sync());
        }  // the store tries once more as it goes, and fails quietly
        fs::permissions(folder, fs::perms::owner_all);
        EXPECT_EQ(ReadFile(file), "[Other]\nKey=Value\n");
        EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{"Glossel.conf"});
    }
}

// The write of the new file fails part way (a file size limit stands in for a full
// disk). QSaveFile in Qt 6.4 would still rename the cut file over the settings.
TEST_F(SettingsTest, AWriteCutShortLeavesTheFileAsItWas)
{
    struct Row {
        const char* name;
        std::string before;  // empty: no file
        bool throughLink;    // the settings path is a symbolic link to the file
    };
    const std::string existing = std::string(kFirstStartFile) + "\n[Recent%20File%20List]\nFile1=/a.inf\n";
    const Row rows[] = {
        {"an existing file", existing, false},
        {"a first start", "", false},
        {"a file reached through a link", existing, true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        const fs::path file = dir / "Glossel.conf";
        const fs::path target = row.throughLink ? dir / "dotfiles" / "glossel.conf" : file;
        if (row.throughLink) {
            fs::create_directory(dir / "dotfiles");
            fs::create_symlink("dotfiles/glossel.conf", file);
        }
        if (!row.before.empty()) WriteFile(target, row.before);

        const int status = RunInChild([&] {
            CSettingsStore store(Q(file));
            CSyntaxStyleMap styles;
            LoadStyles(store, styles);
            for (StyleCode code = 0; code < STYLE_COUNT; ++code) Style(styles, code).m_colour = 0x00123456u + code;
            SaveStyles(store, styles);
            store.WriteProfileString("Recent File List", "File2", "/b.inf");

            // Lock files (under 100 bytes) fit; the settings file (over 900) does not.
            std::signal(SIGXFSZ, SIG_IGN);
            rlimit limit{};
            getrlimit(RLIMIT_FSIZE, &limit);
            const rlim_t wide = limit.rlim_cur;
            limit.rlim_cur = 512;
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 10;
            if (store.Sync()) return 11;
            if (ReadFile(file) != row.before) return 12;
            if (store.GetProfileInt("Inform Syntax Colours", "Foreground Colour", 0) != 0x00123456u) return 13;

            // With room again, the held values are written.
            limit.rlim_cur = wide;
            if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 14;
            if (!store.Sync()) return 15;
            return 0;
        });
        EXPECT_EQ(status, 0);
        if (row.throughLink) {
            EXPECT_TRUE(fs::is_symlink(file));
            EXPECT_EQ(FolderEntries(dir / "dotfiles"), std::vector<std::string>{"glossel.conf"});
        } else {
            EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"Glossel.conf"});
        }
        const auto sections = Sections(ReadFile(file));
        ASSERT_TRUE(sections.count("Inform%20Syntax%20Colours"));
        EXPECT_TRUE(Contains(sections.at("Inform%20Syntax%20Colours"), "Foreground%20Colour=1193046"));  // 0x123456
        EXPECT_TRUE(Contains(sections.at("Recent%20File%20List"), "File2=/b.inf"));
    }
}

// ---------------------------------------------------------------------------------
// Two processes

// B reads the file, A writes and exits, then B exits: B's styles and recent files
// stand whole, although B never saw what A wrote.
TEST_F(SettingsTest, TheLastToExitWins)
{
    const fs::path file = m_dir / "Glossel.conf";
    WriteFile(file,
              "[Inform%20Syntax%20Colours]\nExtra=keep\nComment%20Colour=1\n\n"
              "[Recent%20File%20List]\nFile1=/0/1\nFile2=/0/2\nFile3=/0/3\n");

    auto exitWith = [&](COLORREF colour, const std::vector<QString>& recent) {
        return [&file, colour, recent](CSettingsStore& store) {
            CSyntaxStyleMap styles;
            LoadStyles(store, styles);
            for (StyleCode code = 0; code < STYLE_COUNT; ++code) Style(styles, code).m_colour = colour;
            SaveStyles(store, styles);
            store.RemoveSection("Recent File List");
            for (std::size_t i = 0; i < recent.size(); ++i)
                store.WriteProfileString("Recent File List", QString("File%1").arg(i + 1), recent[i]);
            return store.Sync() ? 0 : 1;
        };
    };
    const auto exitA = exitWith(0x0A, {"/a/1", "/a/2", "/a/3", "/a/4", "/a/5"});
    const auto exitB = exitWith(0x0B, {"/b/1", "/b/2"});

    int ready[2], go[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(go), 0);
    testsupport::ChildProcess b;
    ASSERT_TRUE(b.Start([&] {
        CSettingsStore store(Q(file));
        (void)store.GetProfileInt("Inform Syntax Colours", "Comment Colour", 0);
        char byte = 'r';
        if (write(ready[1], &byte, 1) != 1 || read(go[0], &byte, 1) != 1) return 20;
        return exitB(store);
    }));
    char byte = 0;
    ASSERT_EQ(read(ready[0], &byte, 1), 1);
    EXPECT_EQ(RunInChild([&] {
                  CSettingsStore store(Q(file));
                  return exitA(store);
              }),
              0);
    ASSERT_EQ(write(go[1], &byte, 1), 1);
    EXPECT_EQ(b.Wait().exitCode, 0);
    for (int fd : {ready[0], ready[1], go[0], go[1]}) close(fd);

    const auto sections = Sections(ReadFile(file));
    EXPECT_EQ(sections.at("Recent%20File%20List"), (std::vector<std::string>{"File1=/b/1", "File2=/b/2"}));
    const std::vector<std::string>& styles = sections.at("Inform%20Syntax%20Colours");
    EXPECT_EQ(styles.size(), 37u);
    EXPECT_TRUE(Contains(styles, "Extra=keep"));
    for (const StyleDefault& d : g_styleDefaults) {
        std::string key = std::string(d.name) + "%20Colour=11";
        for (std::size_t at; (at = key.find(' ')) != std::string::npos;) key.replace(at, 1, "%20");
        EXPECT_TRUE(Contains(styles, key)) << key;
    }
    EXPECT_EQ(FolderEntries(m_dir.Path()), std::vector<std::string>{"Glossel.conf"});
}

// Two processes write whole versions as fast as they can; every read in between
// sees one whole version.
TEST_F(SettingsTest, SyncsAtOnceNeverShowAHalfWrittenFile)
{
    const fs::path file = m_dir / "Glossel.conf";
    WriteFile(file, "[Other]\nKey=Value\n");
    constexpr int kRounds = 25;

    auto writer = [&](int id) {
        for (int round = 0; round < kRounds; ++round) {
            CSettingsStore store(Q(file));
            const std::uint32_t mark = static_cast<std::uint32_t>(id * 1000 + round);
            for (const StyleDefault& d : g_styleDefaults) {
                store.WriteProfileInt(STYLE_SECTION, std::string(d.name) + " Colour", mark);
                store.WriteProfileInt(STYLE_SECTION, std::string(d.name) + " Bold", id & 1);
                store.WriteProfileInt(STYLE_SECTION, std::string(d.name) + " Italic", round & 1);
            }
            store.RemoveSection("Recent File List");
            for (int n = 1; n <= round % 10 + 1; ++n)
                store.WriteProfileString("Recent File List", QString("File%1").arg(n),
                                         QString("/%1/%2").arg(mark).arg(n));
            if (!store.Sync()) return 1;
        }
        return 0;
    };

    // A snapshot is whole when every style holds one writer's round and the recent
    // list is that round's.
    auto check = [&](const std::string& bytes) -> std::string {
        const auto sections = Sections(bytes);
        if (!sections.count("Other") || sections.at("Other") != std::vector<std::string>{"Key=Value"})
            return "the foreign section is gone";
        if (!sections.count("Inform%20Syntax%20Colours")) return "no styles";
        const auto& styles = sections.at("Inform%20Syntax%20Colours");
        if (styles.size() != 36) return "styles: " + std::to_string(styles.size()) + " lines";
        std::string colour;
        for (const std::string& line : styles)
            if (line.rfind("Assembly%20Colour=", 0) == 0) colour = line.substr(18);
        const int mark = std::atoi(colour.c_str());
        const int id = mark / 1000, round = mark % 1000;
        if ((id != 1 && id != 2) || round >= kRounds) return "colour " + colour;
        for (const std::string& line : styles) {
            const std::string value = line.substr(line.find('=') + 1);
            const std::string expected = line.find("Colour=") != std::string::npos ? colour
                                         : line.find("Bold=") != std::string::npos ? std::to_string(id & 1)
                                                                                    : std::to_string(round & 1);
            if (value != expected) return "mixed versions at " + line;
        }
        std::vector<std::string> recent;
        for (int n = 1; n <= round % 10 + 1; ++n)
            recent.push_back("File" + std::to_string(n) + "=/" + colour + "/" + std::to_string(n));
        if (!sections.count("Recent%20File%20List")) return "no recent files";
        std::vector<std::string> stored = sections.at("Recent%20File%20List");
        std::sort(recent.begin(), recent.end());
        std::sort(stored.begin(), stored.end());
        if (stored != recent) return "recent files of another version";
        return "";
    };

    testsupport::ChildProcess writers[2];
    for (int id = 1; id <= 2; ++id) ASSERT_TRUE(writers[id - 1].Start([&, id] { return writer(id); }));
    int snapshots = 0;
    for (bool ended = false; !ended;) {
        ended = writers[0].HasEnded() && writers[1].HasEnded();
        const std::string bytes = ReadFile(file);
        if (bytes != "[Other]\nKey=Value\n") {
            const std::string fault = check(bytes);
            ASSERT_EQ(fault, "") << bytes;
            ++snapshots;
        }
    }
    EXPECT_EQ((std::vector<int>{writers[0].Wait().exitCode, writers[1].Wait().exitCode}), (std::vector<int>{0, 0}));
    EXPECT_EQ(check(ReadFile(file)), "");
    EXPECT_GT(snapshots, 0);
    EXPECT_EQ(FolderEntries(m_dir.Path()), std::vector<std::string>{"Glossel.conf"});
}

// ---------------------------------------------------------------------------------
// Removal (/Unregister)

TEST_F(SettingsTest, RemoveAllDeletesTheFileAndAnEmptyFolder)
{
    struct Row {
        const char* name;
        bool stored;
        const char* neighbour;  // another file in the organisation's folder
        std::vector<std::string> left;
    };
    const Row rows[] = {
        {"only our file", true, nullptr, {}},
        {"another program's file beside it", true, "Other.conf", {"Orvanel's Applications"}},
        {"nothing stored yet", false, nullptr, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        TempDir dir;
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, Q(dir.Path()));
        const fs::path folder = dir / "Orvanel's Applications";
        if (row.stored) {
            CSettingsStore first;
            first.WriteProfileInt(STYLE_SECTION, "Comment Bold", 1);
            first.WriteProfileString("Recent File List", "File1", "/a.inf");
            ASSERT_TRUE(first.Sync());
        }
        if (row.neighbour) WriteFile(folder / row.neighbour, "x");
        {
            // The /Unregister run: start-up loads the styles, the switch removes the
            // settings, and the exit path saves the styles again.
            CSettingsStore store;
            CSyntaxStyleMap styles;
            LoadStyles(store, styles);
            EXPECT_TRUE(store.RemoveAll());
            EXPECT_EQ(store.GetProfileInt(STYLE_SECTION, "Comment Bold", 7), 7u);
            EXPECT_FALSE(store.WriteProfileInt(STYLE_SECTION, "Comment Bold", 1));
            EXPECT_FALSE(store.WriteProfileString("Recent File List", "File1", "/b.inf"));
            EXPECT_FALSE(store.RemoveSection("Recent File List"));
            SaveStyles(store, styles);
            EXPECT_TRUE(store.Sync());
        }
        EXPECT_EQ(FolderEntries(dir.Path()), row.left);
        if (row.neighbour) {
            EXPECT_EQ(FolderEntries(folder), std::vector<std::string>{row.neighbour});
        }
    }
}
