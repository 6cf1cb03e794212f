// The viewer against inputs that are not ordinary Inform files, started as from the
// command line: one table, each row stating the exit status, the message on standard
// error and what is shown (the window's title and the control's text, the long-line
// box, or no window at all). The source file is never written. Then the stored
// settings at exit, and a 200 MB file within its memory bound.

#include "BadInputs.h"
#include "QtTestSupport.h"
#include "TestSupport.h"

#include "app/GlosselApp.h"
#include "app/MainFrame.h"
#include "doc/DocTemplate.h"
#include "doc/GlosselDoc.h"
#include "syntax/SyntaxStyleMap.h"
#include "view/GlosselView.h"
#include "view/SyntaxRichEditCtrl.h"

#include <QtTest>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <new>
#include <fstream>
#include <memory>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace badinputs;
using qtestsupport::CapturedStream;
using qtestsupport::MessageBoxRecorder;
using qtestsupport::TempSettings;

#ifndef GLOSSEL_SANITIZED
// Counts the program's C++ allocations (the sanitizer build keeps its own operator new).
static std::atomic<std::uint64_t> g_allocations{0};
void* operator new(std::size_t size)
{
    ++g_allocations;
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
#endif

namespace {

const QString kLongLine = QStringLiteral("The file contained a line longer than the maximum allowed (1020)!");

// See test_cli_inputs: the text of the test's own executable, up to its first zero byte.
QString ElfText()
{
    std::ifstream in("/proc/self/exe", std::ios::binary);
    char head[9] = {};
    in.read(head, sizeof head);
    return QString::fromLatin1(head, head[7] == '\0' ? 7 : 8);
}

QString Replace(QString pattern, const QString& path)
{
    return pattern.replace(QStringLiteral("{}"), path);
}

QByteArray Replace(QByteArray pattern, const QByteArray& path)
{
    return pattern.replace("{}", path);
}

QList<QWidget*> VisibleTopLevels()
{
    QList<QWidget*> shown;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (widget->isVisible()) shown.append(widget);
    return shown;
}

// Peak and present resident memory of this process, in bytes (from /proc).
std::uint64_t StatusValue(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line))
        if (line.rfind(field, 0) == 0) return std::stoull(line.substr(std::string(field).size())) * 1024;
    return 0;
}

}  // namespace

class TestViewerInputs : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void inputs_data();
    void inputs();
    void settingsAtExit_data();
    void settingsAtExit();
    void twoHundredMegabytesInBoundedMemory();
    void noAllocationPerCharacter();

private:
    TempSettings m_settings;
    std::unique_ptr<testsupport::TempDir> m_dir;
    std::unique_ptr<CGlosselApp> m_app;
    std::unique_ptr<CapturedStream> m_err;
};

void TestViewerInputs::init()
{
    m_settings.Clear();
    m_dir = std::make_unique<testsupport::TempDir>();
    m_err = std::make_unique<CapturedStream>();
}

void TestViewerInputs::cleanup()
{
    m_app.reset();
    QVERIFY2(VisibleTopLevels().isEmpty(), "a window outlived its test");
    m_dir.reset();
}

void TestViewerInputs::inputs_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QByteArrayList>("args");  // "{}" stands for the input's path
    QTest::addColumn<int>("status");
    QTest::addColumn<QByteArray>("message");   // standard error; "{}" stands for the path
    QTest::addColumn<QString>("title");        // empty: no window; "{}" stands for the file's name
    QTest::addColumn<QString>("shown");        // the control's text
    QTest::addColumn<int>("boxes");            // long-line message boxes

    const QByteArrayList path{"{}"};
    const QString named = QStringLiteral("{} - Glossel");
    const auto fails = [&](const char* row, const char* kind, const char* reason) {
        QTest::newRow(row) << kind << path << 1 << QByteArray("glossel: cannot open {}: ") + reason + "\n"
                           << QString() << QString() << 0;
    };
    const auto shows = [&](const char* row, const char* kind, const QString& text, int boxes = 0) {
        QTest::newRow(row) << kind << path << 0 << QByteArray() << named << text << boxes;
    };
    const QString a1019(1019, u'a');

    fails("missing path", "missing", "No such file or directory");
    fails("directory", "directory", "Is a directory");
    fails("no read permission", "unreadable", "Permission denied");
    fails("fifo", "fifo", "not a regular file");
    fails("/dev/zero", "dev-zero", "not a regular file");
    fails("/dev/urandom", "dev-urandom", "not a regular file");
    fails("0 bytes", "empty", "file is empty");
    shows("only NUL", "nul", QString());
    shows("only Ctrl-Z", "ctrl-z", QString());
    shows("only CR LF", "crlf", QStringLiteral("\n"));
    // Lone CRs stay in the text; the control ignores a raw CR as RTF does.
    shows("lone CRs", "lone-cr", QStringLiteral("a;b;\n"));
    shows("1019-character line first", "line-1019-first", a1019 + QStringLiteral("\nx;\n"));
    shows("1020-character line first", "line-1020-first", QString(), 1);
    shows("1021-character line first", "line-1021-first", QString(), 1);
    shows("1019-character line last", "line-1019-last", QStringLiteral("x;\n") + a1019 + u'\n');
    shows("1020-character line last", "line-1020-last", QStringLiteral("x;\n"), 1);
    shows("1021-character line last", "line-1021-last", QStringLiteral("x;\n"), 1);
    shows("ELF binary", "elf", ElfText() + u'\n');
    // The name's byte E9 is not UTF-8: the title shows U+FFFD for it, the file opens.
    shows("odd name", "odd-name", QStringLiteral("Object lamp;\n"));
    QTest::newRow("odd name after --") << "odd-name-relative" << QByteArrayList{"--", "{}"} << 0 << QByteArray()
                                       << named << QStringLiteral("Object lamp;\n") << 0;
    // Without "--" the leading dash makes it a switch, which the viewer ignores.
    QTest::newRow("odd name taken for a switch")
        << "odd-name-relative" << path << 0 << QByteArray() << QStringLiteral("Untitled - Glossel")
        << QString::fromLatin1(GLOSSEL_WELCOME_TEXT.data(), GLOSSEL_WELCOME_TEXT.size()) << 0;
    fails("symlink loop", "symlink-loop", "Too many levels of symbolic links");
    fails("larger than the limit", "larger-than-the-limit", "larger than 1 GiB, the most that loads");
    fails("shrinks while read", "shrinks", "the file changed while it was read");
    fails("shrinks inside a CR LF", "shrinks-in-crlf", "the file changed while it was read");
    fails("shrinks to nothing", "shrinks-to-nothing", "the file changed while it was read");
    shows("grows while read", "grows", QStringLiteral("Object a;\nObject b;\n"));
}

void TestViewerInputs::inputs()
{
    QFETCH(QString, kind);
    QFETCH(QByteArrayList, args);
    QFETCH(int, status);
    QFETCH(QByteArray, message);
    QFETCH(QString, title);
    QFETCH(QString, shown);
    QFETCH(int, boxes);

    const Input input = MakeInput(kind.toStdString(), m_dir->Path());
    const bool relative = fs::path(input.path).is_relative();
    const std::string file = relative ? (m_dir->Path() / input.path).string() : input.path;
    const Stamp before = input.regularFile ? StampOf(file) : Stamp{};

    std::vector<std::string> argv;
    for (const QByteArray& arg : args) argv.push_back(Replace(arg, QByteArray::fromStdString(input.path)).toStdString());
    MessageBoxRecorder recorder;
    bool started;
    {
        std::unique_ptr<WorkingFolder> inFolder = relative ? std::make_unique<WorkingFolder>(m_dir->Path()) : nullptr;
        std::unique_ptr<AsNobody> asNobody;
        if (kind == u"unreadable") {
            asNobody = std::make_unique<AsNobody>();
            if (!asNobody->Active()) QSKIP("cannot take away root's right to read a file here");
        }
        ChangeWhileRead change(kind.toStdString());
        m_app = std::make_unique<CGlosselApp>(ParseGlosselCommandLine(argv).info);
        m_app->SetOutputStreams(m_err->Get(), m_err->Get());
        started = m_app->InitInstance();
    }
    CMainFrame* frame = m_app->GetMainWnd();
    QCOMPARE(started, !title.isEmpty());
    if (title.isEmpty()) {
        QVERIFY(!frame);
        QVERIFY(VisibleTopLevels().isEmpty());
    } else {
        QVERIFY(frame && frame->isVisible());
        const QString name = QString::fromUtf8(fs::path(file).filename().string()).replace(u'\xE9', u'\uFFFD');
        QCOMPARE(frame->windowTitle(), Replace(title, name));
        CSyntaxRichEditCtrl& control = m_app->GetView()->GetRichEditCtrl();
        QCOMPARE(control.GetText(0, control.GetTextLength()), shown);
    }
    int longLineBoxes = 0;
    for (const MessageBoxRecorder::Call& call : recorder.Calls())
        longLineBoxes += call.text == kLongLine && call.caption == u"File Error";
    QCOMPARE(longLineBoxes, boxes);
    QCOMPARE(int(recorder.Calls().size()), boxes);
    if (!started) m_app->GetDocTemplate()->CloseAllDocuments();
    QCOMPARE(m_app->ExitInstance(), status);
    QCOMPARE(m_err->Bytes(), Replace(message, QByteArray::fromStdString(input.path)));
    if (input.regularFile) QVERIFY2(StampOf(file) == before, "the source file was changed");
}

// ---------------------------------------------------------------------------------
// The stored settings at exit: a settings file or folder that cannot be written makes
// the exit say so and changes nothing on disk; the program still ends normally.

void TestViewerInputs::settingsAtExit_data()
{
    QTest::addColumn<bool>("fileReadOnly");
    QTest::addColumn<bool>("folderReadOnly");
    QTest::newRow("read-only file") << true << false;
    QTest::newRow("read-only folder") << false << true;
    QTest::newRow("both") << true << true;
}

void TestViewerInputs::settingsAtExit()
{
    QFETCH(bool, fileReadOnly);
    QFETCH(bool, folderReadOnly);
    const QByteArray stored = "[Other]\nKey=Value\n\n[Inform%20Syntax%20Colours]\nComment%20Bold=1\n";
    QVERIFY(QDir().mkpath(m_settings.Folder()));
    QVERIFY(qtestsupport::WriteBytes(m_settings.File(), stored));
    const std::string folder = m_settings.Folder().toStdString();
    const std::string file = m_settings.File().toStdString();
    // The settings belong to nobody, who may only read them; root runs as nobody here.
    if (geteuid() == 0) {
        QVERIFY(chown(folder.c_str(), 65534, 65534) == 0 && chown(file.c_str(), 65534, 65534) == 0);
        fs::permissions(fs::path(folder).parent_path(), fs::perms::others_exec, fs::perm_options::add);
    }
    fs::permissions(file, fileReadOnly ? fs::perms::owner_read | fs::perms::others_read : fs::perms::owner_read |
                                                                                                 fs::perms::owner_write | fs::perms::others_read);
    fs::permissions(folder, folderReadOnly ? fs::perms::owner_read | fs::perms::owner_exec | fs::perms::others_exec
                                           : fs::perms::owner_all | fs::perms::others_exec);
    const QString lamp = QString::fromStdString((m_dir->Path() / "lamp.inf").string());
    QVERIFY(qtestsupport::WriteBytes(lamp, "Object lamp;\n"));
    fs::permissions(m_dir->Path(), fs::perms::others_exec, fs::perm_options::add);
    int status;
    {
        AsNobody asNobody;
        if (!asNobody.Active()) QSKIP("cannot take away root's right to write a file here");
        m_app = std::make_unique<CGlosselApp>(ParseGlosselCommandLine({lamp.toStdString()}).info);
        m_app->SetOutputStreams(m_err->Get(), m_err->Get());
        QVERIFY(m_app->InitInstance());
        QCOMPARE(m_app->GetDocument()->m_text, std::string("Object lamp;\n"));
        m_app->GetDocTemplate()->CloseAllDocuments();
        status = m_app->ExitInstance();
    }
    fs::permissions(folder, fs::perms::owner_all);
    QCOMPARE(status, 0);
    QCOMPARE(m_err->Bytes(), "glossel: could not write the settings to " + QFile::encodeName(m_settings.File()) + "\n");
    QFile back(m_settings.File());
    QVERIFY(back.open(QIODevice::ReadOnly));
    QCOMPARE(back.readAll(), stored);
    QCOMPARE(QDir(m_settings.Folder()).entryList(QDir::Files | QDir::Hidden), QStringList{"Glossel.conf"});
}

// ---------------------------------------------------------------------------------
// A 200 MB file: opened and shown whole, with a peak of at most six times its size above
// what the process held before, and no allocation per character.

void TestViewerInputs::twoHundredMegabytesInBoundedMemory()
{
#ifdef GLOSSEL_SANITIZED
    QSKIP("skipped in the sanitizer build: its shadow memory and quarantine make the memory bound "
          "meaningless, and the run takes minutes there");
#endif
    const std::string block = "Object lamp \"brass lamp\"\n  with name 'lamp';\n! A comment {with braces}\n";
    const std::size_t blocks = 200'000'000 / block.size();
    const fs::path path = m_dir->Path() / "big.inf";
    {
        std::string chunk;
        for (int i = 0; i < 10'000; ++i) chunk += block;
        std::ofstream out(path, std::ios::binary);
        for (std::size_t done = 0; done < blocks; done += 10'000)
            out.write(chunk.data(), static_cast<std::streamsize>(block.size() * std::min<std::size_t>(10'000, blocks - done)));
    }
    const std::uint64_t size = fs::file_size(path);
    QCOMPARE(size, std::uint64_t(blocks * block.size()));

    // Start on the welcome text, then open the file as File > Open does.
    m_app = std::make_unique<CGlosselApp>();
    m_app->SetOutputStreams(m_err->Get(), m_err->Get());
    QVERIFY(m_app->InitInstance());
    // Forget the peak so far ("5" resets it), then measure from what is held now.
    {
        std::ofstream clear("/proc/self/clear_refs");
        clear << "5";
    }
    const std::uint64_t base = StatusValue("VmRSS:");
    QVERIFY(m_app->OpenDocumentFile(QString::fromStdString(path.string())));
    const std::uint64_t peak = StatusValue("VmHWM:");
    const std::uint64_t after = StatusValue("VmRSS:");

    QCOMPARE(m_app->GetMainWnd()->windowTitle(), QStringLiteral("big.inf - Glossel"));
    CSyntaxRichEditCtrl& control = m_app->GetView()->GetRichEditCtrl();
    QCOMPARE(std::uint64_t(control.GetTextLength()), size);
    const long long last = control.GetTextLength() - qsizetype(block.size());
    QCOMPARE(control.GetText(last, control.GetTextLength()), QString::fromStdString(block));
    std::printf("viewer: file %llu, resident before %llu, peak %llu (%.2fx the file above before), after %llu\n",
                static_cast<unsigned long long>(size), static_cast<unsigned long long>(base),
                static_cast<unsigned long long>(peak), double(peak - base) / double(size),
                static_cast<unsigned long long>(after));
    QVERIFY(peak >= base);
    QVERIFY2(peak - base <= 6 * size, "the viewer took more than six times the file's size");
}

// Rendering a text into the control allocates per render and per line at most, never
// per character or run: two texts of the same lines, one with eight times the
// characters (and runs) of the other, take about the same number of allocations.
void TestViewerInputs::noAllocationPerCharacter()
{
#ifdef GLOSSEL_SANITIZED
    QSKIP("the sanitizer build keeps its own operator new");
#else
    CSyntaxStyleMap styles;
    styles.BuildDefaults();
    const auto text = [](int tokensPerLine) {
        std::string line = "[ f;";
        for (int i = 0; i < tokensPerLine; ++i) line += " x = \"s\" + 1;";
        line += " ];\n";
        std::string all;
        for (int i = 0; i < 2000; ++i) all += line;
        return all;
    };
    const std::string shortLines = text(6);
    const std::string longLines = text(48);
    CSyntaxRichEditCtrl control;
    control.RenderSource(shortLines, styles);  // anything made once per control is made now
    const auto count = [&](const std::string& source) {
        const std::uint64_t before = g_allocations;
        control.RenderSource(source, styles);
        return g_allocations - before;
    };
    const std::uint64_t few = count(shortLines);
    const std::uint64_t many = count(longLines);
    QCOMPARE(std::uint64_t(control.GetTextLength()), std::uint64_t(longLines.size()));
    std::printf("allocations: %llu for %zu characters, %llu for %zu\n", static_cast<unsigned long long>(few),
                shortLines.size(), static_cast<unsigned long long>(many), longLines.size());
    // The longer text has over a million more characters and some 200,000 more runs;
    // only the growth of the store's arrays (a doubling now and then, each array's own)
    // may add any: far fewer than one per thousand characters more.
    QVERIFY2(many < few + (longLines.size() - shortLines.size()) / 1000, "allocations grow with the characters");
#endif
}

QTEST_MAIN(TestViewerInputs)
#include "test_viewer_inputs.moc"
