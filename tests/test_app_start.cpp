// The viewer's start and exit through the application object: a start with no file or
// a file, a failed start, the window and bars every start shows, the stored styles in
// place before the first render, --line, printing and removing the settings from the
// command line.

#include "AppTest.h"

class TestAppStart : public CAppTest {
    Q_OBJECT

private slots:
    void startWithoutArgument();
    void startWithAFile();
    void failedStartLeavesNoWindowAndStillSavesTheStyles_data();
    void failedStartLeavesNoWindowAndStillSavesTheStyles();
    void everyStartIsMaximisedWithBothBarsAtTheirPlaces();
    void storedStylesAreInPlaceBeforeTheFirstRender();
    void printFromTheCommandLine();
    void unregisterRemovesTheSettingsForGood();
    void startAtALine_data();
    void startAtALine();
};

void TestAppStart::startWithoutArgument()
{
    MessageBoxRecorder boxes;
    TestApp& app = Start();
    QVERIFY(app.InitInstance());
    CMainFrame* frame = Frame();
    QVERIFY(frame);
    QVERIFY(frame->isVisible());
    QVERIFY(frame->windowState() & Qt::WindowMaximized);
    QCOMPARE(frame->windowTitle(), QStringLiteral("Untitled - Glossel"));
    QCOMPARE(app.GetDocument()->m_text, std::string(GLOSSEL_WELCOME_TEXT));
    QVERIFY(app.GetView()->GetRichEditCtrl().GetTextLength() > 0);
    QCOMPARE(frame->centralWidget(), app.GetView());
    QCOMPARE(QGuiApplication::desktopFileName(), QStringLiteral("glossel"));
    QVERIFY(!frame->windowIcon().isNull());
    QVERIFY(boxes.Calls().isEmpty());
    QCOMPARE(app.ExitInstance(), 0);
    QCOMPARE(m_err->Text(), QString());
}

void TestAppStart::startWithAFile()
{
    const QString path = MakeFile(QStringLiteral("lamp.inf"), "Object lamp \"brass lamp\";\r\n");
    TestApp& app = Start({path});
    QVERIFY(app.InitInstance());
    QCOMPARE(Frame()->windowTitle(), QStringLiteral("lamp.inf - Glossel"));
    QCOMPARE(app.GetDocument()->m_text, std::string("Object lamp \"brass lamp\";\n"));
    CSyntaxRichEditCtrl& control = app.GetView()->GetRichEditCtrl();
    QCOMPARE(control.GetText(0, control.GetTextLength()), QStringLiteral("Object lamp \"brass lamp\";\n"));
    QCOMPARE(app.GetDocument()->GetPathName(), path);
    QCOMPARE(app.GetRecentFileList().Names(), QStringList{path});
    QCOMPARE(app.ExitInstance(), 0);
    QCOMPARE(m_settings.Value(kRecent, QStringLiteral("File1")), path);

    // A relative name is made absolute against the working folder.
    Stop();
    const QString previous = QDir::currentPath();
    QDir::setCurrent(m_files->path());
    TestApp& again = Start({QStringLiteral("lamp.inf")});
    const bool started = again.InitInstance();
    QDir::setCurrent(previous);
    QVERIFY(started);
    QCOMPARE(again.GetDocument()->GetPathName(), path);
}

void TestAppStart::failedStartLeavesNoWindowAndStillSavesTheStyles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes");  // null: no file
    QTest::addColumn<QString>("reason");
    QTest::newRow("missing file") << "missing.inf" << QByteArray() << "No such file or directory";
    QTest::newRow("empty file") << "empty.inf" << QByteArray("") << "file is empty";
}

void TestAppStart::failedStartLeavesNoWindowAndStillSavesTheStyles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, reason);
    const QString path = bytes.isNull() ? m_files->filePath(name) : MakeFile(name, bytes);

    MessageBoxRecorder boxes;
    TestApp& app = Start({path});
    QVERIFY(!app.InitInstance());
    QVERIFY(!app.GetMainWnd());
    QVERIFY(!app.GetDocument());
    QVERIFY(VisibleTopLevels().isEmpty());
    QVERIFY(boxes.Calls().isEmpty());
    QCOMPARE(app.ExitInstance(), 1);
    QCOMPARE(m_err->Text(), QStringLiteral("glossel: cannot open %1: %2\n").arg(path, reason));
    QCOMPARE(m_out->Text(), QString());
    QCOMPARE(m_settings.Keys(kStyles).size(), 36);
    QCOMPARE(m_settings.Value(kStyles, QStringLiteral("Directive Bold")), QStringLiteral("1"));
    QVERIFY(m_settings.Keys(kRecent).isEmpty());
}

void TestAppStart::everyStartIsMaximisedWithBothBarsAtTheirPlaces()
{
    for (int run = 0; run < 2; ++run) {
        TestApp& app = Start();
        QVERIFY(app.InitInstance());
        CMainFrame* frame = Frame();
        QVERIFY(frame->windowState() & Qt::WindowMaximized);
        QVERIFY(frame->GetToolBar()->isVisible());
        QVERIFY(frame->GetStatusBar()->isVisible());
        QCOMPARE(frame->toolBarArea(frame->GetToolBar()), Qt::TopToolBarArea);
        QVERIFY(frame->GetToolBar()->isMovable());
        QVERIFY(frame->GetToolBar()->isFloatable());
        QCOMPARE(frame->GetToolBar()->allowedAreas(), Qt::AllToolBarAreas);
        // What the user does to the window and bars is not kept.
        frame->showNormal();
        frame->addToolBar(Qt::LeftToolBarArea, frame->GetToolBar());
        frame->GetStatusBar()->hide();
        frame->close();
        QCOMPARE(app.ExitInstance(), 0);
        const QStringList stored = QSettings(m_settings.File(), QSettings::IniFormat).childGroups();
        QCOMPARE(stored, QStringList{kStyles});
    }
}

void TestAppStart::storedStylesAreInPlaceBeforeTheFirstRender()
{
    m_settings.Write(kStyles, QStringLiteral("Comment Bold"), QStringLiteral("5"));
    m_settings.Write(kStyles, QStringLiteral("Number Colour"), QString::number(0x7F123456u));
    m_settings.Write(kStyles, QStringLiteral("Not A Style"), QStringLiteral("keep me"));
    // A line too long makes the render show a message box: look at the styles then.
    const QString path = MakeFile(QStringLiteral("long.inf"), "! note\n" + QByteArray(1100, 'x') + "\n");

    QList<std::uint32_t> seen;
    const MessageBoxHandler previous = SetMessageBoxHandler([&](QWidget*, const QString&, const QString&, unsigned) {
        CSyntaxStyle* comment = nullptr;
        CSyntaxStyle* number = nullptr;
        if (theStyleMap.Lookup(STYLE_COMMENT, comment) && theStyleMap.Lookup(STYLE_NUMBER, number))
            seen << comment->m_bold << number->m_colour;
        return IDOK;
    });
    TestApp& app = Start({path});
    const bool started = app.InitInstance();
    SetMessageBoxHandler(previous);
    QVERIFY(started);
    QCOMPARE(seen, (QList<std::uint32_t>{1u, 0x7F123456u}));
    QCOMPARE(app.ExitInstance(), 0);
    QCOMPARE(m_settings.Value(kStyles, QStringLiteral("Comment Bold")), QStringLiteral("1"));
    QCOMPARE(m_settings.Value(kStyles, QStringLiteral("Number Colour")), QString::number(0x7F123456u));
    QCOMPARE(m_settings.Value(kStyles, QStringLiteral("Not A Style")), QStringLiteral("keep me"));
    QCOMPARE(m_settings.Keys(kStyles).size(), 37);
}

void TestAppStart::printFromTheCommandLine()
{
    const QString path = MakeFile(QStringLiteral("lamp.inf"), "Object lamp \"lamp\";\n");
    // The pages end before the long line; nobody could close a box, so none is shown.
    const QString longLine =
        MakeFile(QStringLiteral("long.inf"), "Object lamp;\n" + QByteArray(1020, 'x') + "\nObject after;\n");
    const QString warning = QStringLiteral("glossel: ") + longLine +
                            QStringLiteral(": The file contained a line longer than the maximum allowed (1020)!\n");
    const QString pdf = m_files->filePath(QStringLiteral("out.pdf"));
    struct Case {
        QStringList args;
        bool printer;      // whether a printer is there
        QString asked;     // the printer name asked for
        int exitCode;
        QString error;
    };
    const Case cases[] = {
        {{"/p", path}, true, QString(), 0, QString()},
        {{"/pt", path, "Laser", "driver", "port"}, true, "Laser", 0, QString()},
        {{"/p", path}, false, QString(), 1, "glossel: cannot print " + path + ": there is no default printer\n"},
        {{"/p", longLine}, true, QString(), 3, warning},
        {{"/pt", longLine, "Laser"}, false, "Laser", 1,
         warning + "glossel: cannot print " + longLine + ": there is no default printer\n"},
    };
    for (const Case& c : cases) {
        QFile::remove(pdf);
        MessageBoxRecorder boxes;
        TestApp& app = Start(c.args);
        QString asked = QStringLiteral("(not asked)");
        bool windowShown = true;
        app.SetPrinterProvider([&](const QString& name, QString* reason) -> std::unique_ptr<QPrinter> {
            asked = name;
            windowShown = app.GetMainWnd() && app.GetMainWnd()->isVisible();
            if (!c.printer) {
                *reason = QStringLiteral("there is no default printer");
                return nullptr;
            }
            auto printer = std::make_unique<QPrinter>();
            printer->setOutputFormat(QPrinter::PdfFormat);
            printer->setOutputFileName(pdf);
            return printer;
        });
        QVERIFY(!app.InitInstance());  // the program ends after printing
        QVERIFY(!app.GetMainWnd());
        QCOMPARE(asked, c.asked);
        QVERIFY(!windowShown);
        QVERIFY(VisibleTopLevels().isEmpty());
        QCOMPARE(app.ExitInstance(), c.exitCode);
        QCOMPARE(m_err->Text(), c.error);
        QVERIFY(boxes.Calls().isEmpty());
        QFile printed(pdf);
        QCOMPARE(printed.exists(), c.printer);
        if (c.printer) {
            QVERIFY(printed.open(QIODevice::ReadOnly));
            QVERIFY(printed.readAll().contains("/Type /Page"));
        }
        QCOMPARE(m_settings.Keys(kStyles).size(), 36);
        QCOMPARE(m_settings.Value(kRecent, QStringLiteral("File1")), c.args[1]);
    }
}

void TestAppStart::unregisterRemovesTheSettingsForGood()
{
    const QString path = MakeFile(QStringLiteral("lamp.inf"));
    for (const bool embedded : {false, true}) {
        TestApp& first = Start({path});
        QVERIFY(first.InitInstance());
        QCOMPARE(first.ExitInstance(), 0);
        QVERIFY(m_settings.Exists());

        MessageBoxRecorder boxes;
        QStringList args{QStringLiteral("/Unregister")};
        if (embedded) args << QStringLiteral("/Embedding");
        TestApp& app = Start(args);
        QVERIFY(!app.InitInstance());
        QVERIFY(!app.GetMainWnd());
        QVERIFY(!m_settings.Exists());
        QVERIFY(!QFileInfo::exists(m_settings.Folder()));
        QCOMPARE(app.ExitInstance(), 0);
        QVERIFY(!m_settings.Exists());  // the styles are not written back
        // No display here: the message goes to standard output, unless /Embedding.
        QCOMPARE(m_out->Text(), embedded ? QString()
                                         : QStringLiteral("System registry entries have been removed and the INI "
                                                          "file (if any) was deleted.\n"));
        QVERIFY(boxes.Calls().isEmpty());
        QCOMPARE(m_err->Text(), QString());
    }
}

void TestAppStart::startAtALine_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("row");  // where the caret is, from 0

    QTest::newRow("a line in the middle") << "150" << 149;
    QTest::newRow("the first line") << "1" << 0;
    // 400 lines and the empty one after the last line feed.
    QTest::newRow("past the last line: the last line") << "100000000000000000000000" << 400;
}

void TestAppStart::startAtALine()
{
    QFETCH(QString, line);
    QFETCH(int, row);
    QByteArray text;
    for (int i = 1; i <= 400; ++i) text += "Constant C" + QByteArray::number(i) + ";\n";
    TestApp& app = Start({QStringLiteral("--line"), line, MakeFile(QStringLiteral("long.inf"), text)});
    QVERIFY(app.InitInstance());
    CSyntaxRichEditCtrl& control = Control(app);
    QCOMPARE(control.GetCaretLine(), row);
    QCOMPARE(control.GetCaretColumn(), 0);
    // In the middle of the view, as near as the ends of the text allow; still so once the
    // window has taken its final size.
    QApplication::processEvents();
    const long long rows = control.viewport()->height() / control.CharRect(0).height();
    const long long top = std::clamp<long long>(row - (rows - 1) / 2, 0, 401 - rows);
    QCOMPARE(control.GetFirstVisibleLine(), top);
}

QTEST_MAIN(TestAppStart)
#include "test_app_start.moc"
