// The end of a run: the termination signals, the ways the window closes, and a close
// that comes while a box of the start or of a command runs its own loop.

#include "AppTest.h"

class TestAppClose : public CAppTest {
    Q_OBJECT

private slots:
    void terminationSignalClosesTheWindow_data();
    void terminationSignalClosesTheWindow();
    void runEndsWhenTheWindowCloses();
    void signalDuringStartEndsItsBox();
};

void TestAppClose::terminationSignalClosesTheWindow_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << SIGTERM;
    QTest::newRow("SIGHUP") << SIGHUP;
    QTest::newRow("SIGINT") << SIGINT;
}

void TestAppClose::terminationSignalClosesTheWindow()
{
    QFETCH(int, signal);
    TestApp& app = Start();
    QVERIFY(app.InitInstance());
    const QPointer<CMainFrame> frame = Frame();
    {
        CTerminationSignals closer([&] {
            if (app.GetMainWnd()) app.GetMainWnd()->close();
        });
        QVERIFY(closer.IsActive());
        QCOMPARE(::raise(signal), 0);
        QTRY_VERIFY(frame.isNull());
    }
    QVERIFY(!app.GetDocument());
    QCOMPARE(app.ExitInstance(), 0);
    QCOMPARE(m_settings.Keys(kStyles).size(), 36);

    // A signal ignored when the program started (nohup, a job started with '&') stays
    // ignored, and is ignored again afterwards.
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    struct sigaction before {};
    QCOMPARE(::sigaction(signal, &ignore, &before), 0);
    int heard = 0;
    {
        CTerminationSignals closer([&] { ++heard; });
        QCOMPARE(::raise(signal), 0);
        QCoreApplication::processEvents();
    }
    struct sigaction after {};
    ::sigaction(signal, &before, &after);
    QCOMPARE(heard, 0);
    QVERIFY(after.sa_handler == SIG_IGN);
}

void TestAppClose::runEndsWhenTheWindowCloses()
{
    const QString path = MakeFile(QStringLiteral("lamp.inf"));
    struct Case {
        const char* name;
        std::function<void()> end;
    };
    struct sigaction before {};
    ::sigaction(SIGTERM, nullptr, &before);
    const Case cases[] = {
        {"File > Exit", [this] { m_app->OnAppExit(); }},
        {"the close box", [this] { m_app->GetMainWnd()->close(); }},
        {"SIGTERM", [] { ::raise(SIGTERM); }},
        // An About box is up when the session ends: it goes first, then the window.
        {"SIGTERM over a modal box", [this] {
             m_app->SetModalRunner([](QDialog& dialog) { return dialog.exec(); });
             QTimer::singleShot(50, [] { ::raise(SIGTERM); });
             m_app->OnAppAbout();
         }},
        // The window's own close (the session ending) while the box is up: the box
        // goes first, then the window, as for the signal.
        {"the window's close over a modal box", [this] {
             m_app->SetModalRunner([](QDialog& dialog) { return dialog.exec(); });
             QTimer::singleShot(50, m_app.get(), [this] { m_app->GetMainWnd()->close(); });
             m_app->OnAppAbout();
         }},
    };
    for (const Case& c : cases) {
        m_settings.Clear();
        TestApp& app = Start({path});
        QTimer::singleShot(0, &app, [&] { c.end(); });
        QCOMPARE(app.Run(), 0);
        QVERIFY2(!app.GetMainWnd(), c.name);
        QVERIFY(VisibleTopLevels().isEmpty());
        QCOMPARE(m_settings.Keys(kStyles).size(), 36);
        QCOMPARE(m_settings.Value(kRecent, QStringLiteral("File1")), path);
    }
    // The signals do what they did before once the application is gone.
    struct sigaction after {};
    ::sigaction(SIGTERM, nullptr, &after);
    QVERIFY(after.sa_handler == before.sa_handler);
}

// The boxes that start-up can show, each a real modal box here, and a signal while one
// is up: the box ends, then the start, and the exit path runs as after a close.
void TestAppClose::signalDuringStartEndsItsBox()
{
    const QString longLine = MakeFile(QStringLiteral("long.inf"), "Object lamp;\n" + QByteArray(1100, 'x') + "\n");
    struct Case {
        const char* name;
        QStringList args;
        int signal;
        bool settingsKept;  // /Unregister removes them for good
    };
    const Case cases[] = {
        {"SIGTERM over the long-line box", {longLine}, SIGTERM, true},
        {"SIGINT over the long-line box", {longLine}, SIGINT, true},
        {"SIGTERM over the /Unregister box", {QStringLiteral("/Unregister")}, SIGTERM, false},
        {"SIGHUP over the /Unregister box", {QStringLiteral("/Unregister")}, SIGHUP, false},
    };
    for (const Case& c : cases) {
        m_settings.Clear();
        bool boxShown = false;
        bool boxOutlivedTheSignal = false;
        const CMessageBoxHandlerScope realBox([&](QWidget* owner, const QString& text, const QString& caption,
                                                  unsigned int) {
            QMessageBox box(QMessageBox::Warning, caption, text, QMessageBox::Ok, owner);
            boxShown = true;
            QTimer::singleShot(0, [&] { ::raise(c.signal); });
            // Should the signal not end the box, this does, so that the test ends.
            QTimer::singleShot(10000, &box, [&] {
                boxOutlivedTheSignal = true;
                box.reject();
            });
            box.exec();
            return IDOK;
        });
        TestApp& app = Start(c.args);
        app.canShowWindows = true;
        QCOMPARE(app.Run(), 0);
        QVERIFY2(boxShown, c.name);
        QVERIFY2(!boxOutlivedTheSignal, c.name);
        QVERIFY2(!app.GetMainWnd(), c.name);
        QVERIFY(VisibleTopLevels().isEmpty());
        QCOMPARE(m_settings.Exists(), c.settingsKept);
        if (c.settingsKept) {
            QCOMPARE(m_settings.Keys(kStyles).size(), 36);
            QCOMPARE(m_settings.Value(kRecent, QStringLiteral("File1")), longLine);
        }
    }
}

QTEST_MAIN(TestAppClose)
#include "test_app_close.moc"
