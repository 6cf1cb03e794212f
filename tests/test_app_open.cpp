// Opening files: the Open dialog as it is set up and where it starts, a typed name, the
// file already shown, and the recent files (order, labels, a failed entry, a restart, a
// name that is not UTF-8).

#include "AppTest.h"

class TestAppOpen : public CAppTest {
    Q_OBJECT

private slots:
    void openDialogIsSetUpAsDecided();
    void cancelledOpenChangesNothing();
    void openDialogStartsWhereItWasLeft();
    void typedNameInOpen_data();
    void typedNameInOpen();
    void sameFileIsNotReadAgain();
    void recentFilesOrderAndLabels();
    void recentFileLabels_data();
    void recentFileLabels();
    void failedRecentFileLeavesTheList();
    void openSaysInTheMessagePaneWhatToKnow_data();
    void openSaysInTheMessagePaneWhatToKnow();
    void recentFilesSurviveARestart();
    void aNameThatIsNotUtf8Opens();
};

void TestAppOpen::openDialogIsSetUpAsDecided()
{
    MakeFile(QStringLiteral("pick/UPPER.INF"));
    MakeFile(QStringLiteral("pick/lower.h"));
    MakeFile(QStringLiteral("pick/notes.txt"));
    TestApp& app = Start();
    QVERIFY(app.InitInstance());
    bool checked = false;
    app.SetModalRunner([&](QDialog& dialog) {
        auto* open = qobject_cast<QFileDialog*>(&dialog);
        if (!open) return int(QDialog::Rejected);
        [&] {
            QCOMPARE(open->parentWidget(), static_cast<QWidget*>(Frame()));
            QCOMPARE(open->acceptMode(), QFileDialog::AcceptOpen);
            QCOMPARE(open->fileMode(), QFileDialog::AnyFile);
            QCOMPARE(open->nameFilters(), (QStringList{"Inform Files (*.inf *.h)", "All Files (*)"}));
            QCOMPARE(open->selectedNameFilter(), QStringLiteral("Inform Files (*.inf *.h)"));
            QCOMPARE(open->defaultSuffix(), QStringLiteral("inf"));
            QVERIFY(open->testOption(QFileDialog::DontUseNativeDialog));
            QVERIFY(!(open->filter() & QDir::CaseSensitive));
            // The filter shows Inform files whatever their letter case, and nothing else.
            open->setDirectory(m_files->filePath(QStringLiteral("pick")));
            open->show();
            auto* model = open->findChild<QFileSystemModel*>();
            QVERIFY(model);
            const QModelIndex folder = model->index(m_files->filePath(QStringLiteral("pick")));
            QTRY_COMPARE(model->rowCount(folder), model->nameFilterDisables() ? 3 : 2);
            const auto shown = [&](const QString& name) {
                const QModelIndex item = model->index(m_files->filePath(QStringLiteral("pick/") + name));
                return item.isValid() && (item.flags() & Qt::ItemIsEnabled) &&
                       (!model->nameFilterDisables() || model->flags(item) & Qt::ItemIsEnabled);
            };
            QVERIFY(shown(QStringLiteral("UPPER.INF")));
            QVERIFY(shown(QStringLiteral("lower.h")));
            QVERIFY(!shown(QStringLiteral("notes.txt")));
            checked = true;
        }();
        dialog.hide();
        return int(QDialog::Rejected);
    });
    app.OnFileOpen();
    QVERIFY(checked);
}

void TestAppOpen::cancelledOpenChangesNothing()
{
    const QString path = MakeFile(QStringLiteral("lamp.inf"));
    TestApp& app = Start({path});
    QVERIFY(app.InitInstance());
    CSyntaxRichEditCtrl& control = app.GetView()->GetRichEditCtrl();
    control.SetSel(2, 4);
    app.OnFileOpen();
    QCOMPARE(m_dialogs, QStringList{"QFileDialog"});
    QCOMPARE(app.GetDocument()->GetPathName(), path);
    QCOMPARE(Frame()->windowTitle(), QStringLiteral("lamp.inf - Glossel"));
    QCOMPARE(app.GetRecentFileList().Names(), QStringList{path});
    long long start = 0;
    long long end = 0;
    control.GetSel(start, end);
    QCOMPARE(start, 2);  // not rendered again
    QCOMPARE(end, 4);
}

void TestAppOpen::openDialogStartsWhereItWasLeft()
{
    const QString shown = MakeFile(QStringLiteral("first/lamp.inf"));
    const QString other = QFileInfo(MakeFile(QStringLiteral("second/other.inf"))).absolutePath();
    TestApp& app = Start({shown});
    QVERIFY(app.InitInstance());
    QStringList folders;
    app.SetModalRunner([&](QDialog& dialog) {
        auto* open = qobject_cast<QFileDialog*>(&dialog);
        folders << open->directory().absolutePath();
        open->setDirectory(other);  // the person goes elsewhere, then cancels
        return int(QDialog::Rejected);
    });
    app.OnFileOpen();
    app.OnFileOpen();
    QCOMPARE(folders, (QStringList{QFileInfo(shown).absolutePath(), other}));
}

void TestAppOpen::typedNameInOpen_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");  // whether the dialog takes the name and closes
    QTest::addColumn<QString>("opens");  // the file that opens, or empty
    QTest::addColumn<QString>("said");   // in the message pane; %1: the folder
    QTest::newRow("a missing name closes the dialog, changes nothing")
        << "nothere.inf" << true << "" << "Cannot open %1/nothere.inf: No such file or directory";
    QTest::newRow("a missing folder is refused") << "nodir/nothere.inf" << false << "" << "";
    QTest::newRow("an existing file opens") << "other.inf" << true << "other.inf" << "";
    QTest::newRow(".inf is added to a bare name") << "other" << true << "other.inf" << "";
}

void TestAppOpen::typedNameInOpen()
{
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    QFETCH(QString, opens);
    QFETCH(QString, said);
    const QString shown = MakeFile(QStringLiteral("lamp.inf"));
    MakeFile(QStringLiteral("other.inf"), "Object other;\n");

    MessageBoxRecorder boxes;
    TestApp& app = Start({shown});
    QVERIFY(app.InitInstance());
    int result = -1;
    bool stillShown = false;
    QDialog* asked = nullptr;
    app.SetModalRunner([&](QDialog& dialog) {
        asked = &dialog;
        auto* open = qobject_cast<QFileDialog*>(&dialog);
        open->setDirectory(m_files->path());
        open->show();
        auto* name = open->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!name) return int(QDialog::Rejected);
        name->setText(typed);
        QTest::keyClick(name, Qt::Key_Return);
        result = dialog.result();
        stillShown = dialog.isVisible();
        if (stillShown) dialog.reject();  // the person gives up
        return dialog.result();
    });
    app.OnFileOpen();
    QCOMPARE(result, accepted ? int(QDialog::Accepted) : int(QDialog::Rejected));
    QCOMPARE(stillShown, !accepted);
    // A refusal says why, over the dialog; taking a name says nothing.
    QCOMPARE(boxes.Calls().size(), accepted ? 0 : 1);
    if (!accepted) {
        const MessageBoxRecorder::Call& box = boxes.Calls().first();
        QCOMPARE(box.owner, static_cast<QWidget*>(asked));
        QCOMPARE(box.text, m_files->filePath(typed) + QStringLiteral("\nThe folder does not exist.\nCheck the path and try again."));
        QCOMPARE(box.caption, QStringLiteral("Open"));
        QCOMPARE(box.type, MB_OK | MB_ICONEXCLAMATION);
    }
    // Qt's dialog keeps nothing of its own beside the program's settings.
    QVERIFY(!QFile::exists(m_settings.Root() + QStringLiteral("/QtProject.conf")));
    const QString expected = opens.isEmpty() ? shown : m_files->filePath(opens);
    QCOMPARE(app.GetDocument()->GetPathName(), expected);
    QCOMPARE(Frame()->windowTitle(), QFileInfo(expected).fileName() + QStringLiteral(" - Glossel"));
    const QStringList recent = opens.isEmpty() ? QStringList{shown} : QStringList{expected, shown};
    QCOMPARE(app.GetRecentFileList().Names(), recent);
    QCOMPARE(Frame()->GetStatusBar()->currentMessage(), said.contains(u'%') ? said.arg(m_files->path()) : said);
}

void TestAppOpen::sameFileIsNotReadAgain()
{
    const QString path = MakeFile(QStringLiteral("lamp.inf"), "Object old;\n");
    const QString upper = MakeFile(QStringLiteral("LAMP.inf"), "Object upper;\n");
    const QString other = MakeFile(QStringLiteral("other.inf"), "Object other;\n");
    TestApp& app = Start({path});
    QVERIFY(app.InitInstance());
    MakeFile(QStringLiteral("lamp.inf"), "Object new;\n");

    QCOMPARE(app.OpenDocumentFile(path), app.GetDocument());
    QCOMPARE(app.GetDocument()->m_text, std::string("Object old;\n"));
    QCOMPARE(app.OpenDocumentFile(m_files->path() + QStringLiteral("/../") +
                                  QFileInfo(m_files->path()).fileName() + QStringLiteral("/lamp.inf")),
             app.GetDocument());
    QCOMPARE(app.GetDocument()->m_text, std::string("Object old;\n"));

    // Another letter case is another file here.
    QVERIFY(app.OpenDocumentFile(upper));
    QCOMPARE(app.GetDocument()->m_text, std::string("Object upper;\n"));
    QVERIFY(app.OpenDocumentFile(other));
    QVERIFY(app.OpenDocumentFile(path));
    QCOMPARE(app.GetDocument()->m_text, std::string("Object new;\n"));
}

void TestAppOpen::recentFilesOrderAndLabels()
{
    // Eleven files in a folder whose path is longer than a label.
    QStringList paths;
    for (int i = 1; i <= 11; ++i)
        paths << MakeFile(QStringLiteral("a rather long folder name/game %1.inf").arg(i));
    TestApp& app = Start();
    QVERIFY(app.InitInstance());
    for (const QString& path : paths) QVERIFY(app.OpenDocumentFile(path));

    QStringList expected;
    for (int i = 11; i >= 2; --i) expected << paths[i - 1];
    QCOMPARE(app.GetRecentFileList().Names(), expected);

    CMainFrame* frame = Frame();
    const std::vector<QAction*>& items = frame->GetRecentFileActions();
    QCOMPARE(int(items.size()), 10);
    QVERIFY(!frame->findChild<QAction*>(QStringLiteral("RecentFilePlaceholder"))->isVisible());
    for (int i = 0; i < 10; ++i) {
        const QString label = items[i]->text();
        const QString number = QString::number((i + 1) % 10);
        QVERIFY2(label.startsWith(u'&' + number + u' '), qPrintable(label));
        const QString shown = label.mid(3);
        QVERIFY2(shown.size() <= 30, qPrintable(shown));
        QVERIFY2(shown.endsWith(QStringLiteral("/a rather long folder name/game %1.inf").arg(11 - i)) ||
                     shown.endsWith(QStringLiteral("/game %1.inf").arg(11 - i)),
                 qPrintable(shown));
        QVERIFY2(shown.startsWith(QStringLiteral("/...")), qPrintable(shown));
        QCOMPARE(items[i]->statusTip(), QStringLiteral("Open this document"));
        QVERIFY(items[i]->isEnabled());
    }
    QVERIFY(items[9]->text().startsWith(QStringLiteral("&0 ")));

    // Opening an entry moves it to the top.
    items[4]->trigger();
    QCOMPARE(app.GetDocument()->GetPathName(), paths[6]);
    QCOMPARE(app.GetRecentFileList()[0], paths[6]);
    QCOMPARE(app.GetRecentFileList().GetCount(), 10);
}

void TestAppOpen::recentFileLabels_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("label");
    QTest::newRow("short path as it is") << "/home/ann/zork.inf" << "&1 /home/ann/zork.inf";
    QTest::newRow("exactly 30") << "/home/ann/games/inform/a12.inf" << "&1 /home/ann/games/inform/a12.inf";
    QTest::newRow("31: the first folder goes")
        << "/home/ann/games/inform/a123.inf" << "&1 /.../ann/games/inform/a123.inf";
    QTest::newRow("folders go from the left")
        << "/home/ann/games/inform/lib/parser.h" << "&1 /.../games/inform/lib/parser.h";
    QTest::newRow("a relative path has no root to keep")
        << "games/inform/lib/a-long-file-name.inf" << "&1 .../lib/a-long-file-name.inf";
    QTest::newRow("only the name fits after /...")
        << "/home/ann/this-is-a-long-folder/a-rather-long-name.inf" << "&1 /.../a-rather-long-name.inf";
    QTest::newRow("a name too long for /...")
        << "/home/ann/inform/an-even-longer-name-of-it.inf" << "&1 an-even-longer-name-of-it.inf";
    QTest::newRow("a name longer than 30 loses its middle")
        << "/srv/the-longest-file-name-anyone-has-seen.inf" << "&1 the-longest-f...e-has-seen.inf";
    QTest::newRow("ampersands are doubled") << "/home/ann/R&D/a&b.inf" << "&1 /home/ann/R&&D/a&&b.inf";
    QTest::newRow("ampersands after shortening")
        << "/home/ann/games/inform/&&/&lib/parser&.h" << "&1 /.../inform/&&&&/&&lib/parser&&.h";
}

void TestAppOpen::recentFileLabels()
{
    QFETCH(QString, path);
    QFETCH(QString, label);
    CRecentFileList list;
    list.Add(path);
    QCOMPARE(list.GetMenuLabel(0), label);
    QVERIFY(CRecentFileList::AbbreviatePath(path, 30).size() <= 30);
}

void TestAppOpen::failedRecentFileLeavesTheList()
{
    const QString a = MakeFile(QStringLiteral("a.inf"), "Object a;\n");
    const QString b = MakeFile(QStringLiteral("b.inf"), "Object b;\n");
    const QString c = MakeFile(QStringLiteral("c.inf"), "Object c;\n");
    MessageBoxRecorder boxes;
    TestApp& app = Start();
    QVERIFY(app.InitInstance());
    for (const QString& path : {a, b, c}) QVERIFY(app.OpenDocumentFile(path));
    QCOMPARE(app.GetRecentFileList().Names(), (QStringList{c, b, a}));

    // Chosen from the menu with the keyboard, as a person would: File, then the number.
    const auto choose = [&](char number) {
        Activate();
        QTest::keyClick(Frame(), 'f', Qt::AltModifier);
        QTRY_VERIFY(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
        QTest::keyClick(QApplication::activePopupWidget(), number);
        QTRY_VERIFY(!QApplication::activePopupWidget());
    };
    QVERIFY(QFile::remove(b));
    choose('2');
    QCOMPARE(Frame()->GetStatusBar()->currentMessage(), QStringLiteral("Cannot open %1: No such file or directory").arg(b));
    QCOMPARE(app.GetRecentFileList().Names(), (QStringList{c, a}));
    QCOMPARE(int(Frame()->GetRecentFileActions().size()), 2);
    QCOMPARE(app.GetDocument()->GetPathName(), c);
    QCOMPARE(app.GetDocument()->m_text, std::string("Object c;\n"));
    QCOMPARE(Frame()->windowTitle(), QStringLiteral("c.inf - Glossel"));

    // A file that opens moves to the top; the menu is made again meanwhile.
    choose('2');
    QCOMPARE(app.GetRecentFileList().Names(), (QStringList{a, c}));
    QCOMPARE(app.GetDocument()->m_text, std::string("Object a;\n"));
    QCOMPARE(Frame()->GetRecentFileActions()[0]->text(), QStringLiteral("&1 ") + a);

    // The file already shown stays in the list and is not read again.
    MakeFile(QStringLiteral("a.inf"), QByteArray());
    choose('1');
    QCOMPARE(app.GetRecentFileList().Names(), (QStringList{a, c}));
    QCOMPARE(app.GetDocument()->m_text, std::string("Object a;\n"));

    // An empty file fails like a missing one.
    MakeFile(QStringLiteral("c.inf"), QByteArray());
    choose('2');
    QCOMPARE(Frame()->GetStatusBar()->currentMessage(), QStringLiteral("Cannot open %1: file is empty").arg(c));
    QCOMPARE(app.GetRecentFileList().Names(), QStringList{a});
    QCOMPARE(app.GetDocument()->GetPathName(), a);
    QVERIFY(boxes.Calls().isEmpty());
}

void TestAppOpen::openSaysInTheMessagePaneWhatToKnow_data()
{
    QTest::addColumn<QByteArray>("bytes");  // of x.inf; "-" for no file, "/" for a folder
    QTest::addColumn<int>("byteLimit");     // of the control's text, 0 for none
    QTest::addColumn<QString>("said");      // %1: the path of x.inf
    QTest::newRow("a missing file") << QByteArray("-") << 0 << "Cannot open %1: No such file or directory";
    QTest::newRow("an empty file") << QByteArray() << 0 << "Cannot open %1: file is empty";
    QTest::newRow("a folder") << QByteArray("/") << 0 << "Cannot open %1: Is a directory";
    QTest::newRow("a render out of memory") << QByteArray("Object lamp;\n") << 8
                                            << "Cannot show x.inf: there is not enough memory";
    QTest::newRow("one bidirectional control") << QByteArray("Object \"a\xe2\x80\xae b\";\n") << 0
                                               << "x.inf holds a bidirectional control character, shown as a boxed name";
    QTest::newRow("three, on two lines")
        << QByteArray("! \xe2\x81\xa6 x \xe2\x81\xa9\nObject \"\xe2\x80\x8f\";\n") << 0
        << "x.inf holds 3 bidirectional control characters, shown as boxed names";
    // What was said of the file shown before goes with it.
    QTest::newRow("nothing to say") << QByteArray("Object lamp;\n") << 0 << "";
}

void TestAppOpen::openSaysInTheMessagePaneWhatToKnow()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, byteLimit);
    QFETCH(QString, said);
    const QString path = m_files->filePath(QStringLiteral("x.inf"));
    if (bytes == "/")
        QVERIFY(QDir().mkpath(path));
    else if (bytes != "-")
        MakeFile(QStringLiteral("x.inf"), bytes);
    // The file shown first holds two controls, and the message pane says so from the start.
    MessageBoxRecorder boxes;
    TestApp& app = Start({MakeFile(QStringLiteral("first.inf"), "! \xe2\x80\x8e\xe2\x80\x8f\n")});
    QVERIFY(app.InitInstance());
    QStatusBar* pane = Frame()->GetStatusBar();
    QCOMPARE(pane->currentMessage(), QStringLiteral("first.inf holds 2 bidirectional control characters, shown as boxed names"));
    // Said before the window showed, and "Ready" is not drawn over it.
    QLabel* idle = pane->findChild<QLabel*>(QStringLiteral("AFX_IDS_IDLEMESSAGE"));
    QVERIFY(idle && Frame()->isVisible());
    QVERIFY(!idle->isVisible());
    if (byteLimit > 0) app.GetView()->GetRichEditCtrl().SetTextByteLimit(static_cast<std::uint64_t>(byteLimit));
    app.OpenDocumentFile(path);
    QCOMPARE(pane->currentMessage(), said.contains(u'%') ? said.arg(path) : said);
    QCOMPARE(idle->isVisible(), said.isEmpty());
    QVERIFY(boxes.Calls().isEmpty());
}

void TestAppOpen::recentFilesSurviveARestart()
{
    // A stale entry beyond the list's end is dropped when the group is written again;
    // a repeated one is read once, whether it is stored as text or as bytes.
    m_settings.Write(kRecent, QStringLiteral("File9"), QStringLiteral("/old/stale.inf"));
    m_settings.Write(kRecent, QStringLiteral("File10"), QStringLiteral("/old/stale.inf"));
    QSettings(m_settings.File(), QSettings::IniFormat).setValue(kRecent + QStringLiteral("/File7"),
                                                                QByteArray("/old/stale.inf"));
    QStringList paths;
    for (int i = 1; i <= 3; ++i) paths << MakeFile(QStringLiteral("f%1.inf").arg(i));

    TestApp& first = Start();
    QVERIFY(first.InitInstance());
    QCOMPARE(first.GetRecentFileList().Names(), QStringList{"/old/stale.inf"});
    for (const QString& path : paths) QVERIFY(first.OpenDocumentFile(path));
    Frame()->close();
    QTRY_VERIFY(!first.GetMainWnd());
    QCOMPARE(first.ExitInstance(), 0);

    const QStringList expected{paths[2], paths[1], paths[0], "/old/stale.inf"};
    QCOMPARE(m_settings.Keys(kRecent), (QStringList{"File1", "File2", "File3", "File4"}));
    for (int i = 0; i < 4; ++i) QCOMPARE(m_settings.Value(kRecent, QStringLiteral("File%1").arg(i + 1)), expected[i]);

    TestApp& second = Start();
    QVERIFY(second.InitInstance());
    QCOMPARE(second.GetRecentFileList().Names(), expected);
    QCOMPARE(Frame()->GetRecentFileActions()[0]->text(), QStringLiteral("&1 ") + paths[2]);

    // With no entries at all the greyed placeholder stands in the menu.
    Stop();
    m_settings.Clear();
    QVERIFY(Start().InitInstance());
    QVERIFY(Frame()->GetRecentFileActions().empty());
    QAction* placeholder = Frame()->findChild<QAction*>(QStringLiteral("RecentFilePlaceholder"));
    QVERIFY(placeholder->isVisible());
    QVERIFY(!placeholder->isEnabled());
    QCOMPARE(placeholder->text(), QStringLiteral("Recent File"));
}

// A file name is bytes: one that is not UTF-8 opens from the command line, shows U+FFFD
// for its odd byte in the title and the menu, is recognised when opened again, and is
// stored among the recent files as its bytes, so that it comes back at the next start.
void TestAppOpen::aNameThatIsNotUtf8Opens()
{
    const QByteArray odd = QFile::encodeName(m_files->path()) + "/caf\xE9.inf";
    {
        std::FILE* f = std::fopen(odd.constData(), "wb");
        QVERIFY(f);
        std::fputs("Object lamp;\n", f);
        std::fclose(f);
    }
    const QString plain = MakeFile(QStringLiteral("plain.inf"), "Object plain;\n");

    m_out = std::make_unique<CapturedStream>();
    m_err = std::make_unique<CapturedStream>();
    m_app = std::make_unique<TestApp>(ParseGlosselCommandLine({odd.toStdString()}).info);
    m_app->SetOutputStreams(m_out->Get(), m_err->Get());
    QVERIFY(m_app->InitInstance());
    QCOMPARE(Frame()->windowTitle(), QStringLiteral("caf\uFFFD.inf - Glossel"));
    QCOMPARE(m_app->GetDocument()->m_text, std::string("Object lamp;\n"));
    QCOMPARE(EncodeFileName(m_app->GetDocument()->GetPathName()), odd);

    // Opened again by the same bytes, it is the file already shown: not read again.
    {
        std::FILE* f = std::fopen(odd.constData(), "wb");
        std::fputs("Object changed;\n", f);
        std::fclose(f);
    }
    QVERIFY(m_app->OpenDocumentFile(DecodeFileName(odd)));
    QCOMPARE(m_app->GetDocument()->m_text, std::string("Object lamp;\n"));

    QVERIFY(m_app->OpenDocumentFile(plain));
    QCOMPARE(m_app->GetRecentFileList().GetCount(), 2);
    const QString label = Frame()->GetRecentFileActions()[1]->text();
    QVERIFY2(label.endsWith(QStringLiteral("/caf\uFFFD.inf")), qPrintable(label));
    QCOMPARE(m_app->ExitInstance(), 0);
    QCOMPARE(m_err->Text(), QString());
    QCOMPARE(m_settings.Keys(kRecent), (QStringList{"File1", "File2"}));
    // A UTF-8 name as plain text, the other as its bytes with the odd one escaped.
    QFile stored(m_settings.File());
    QVERIFY(stored.open(QIODevice::ReadOnly));
    const QByteArray lines = stored.readAll();
    QVERIFY2(lines.contains("\nFile1=" + QFile::encodeName(plain) + "\n"), lines.constData());
    QVERIFY2(lines.contains("\nFile2=@ByteArray(" + QFile::encodeName(m_files->path()) + "/caf\\xe9.inf)\n"),
             lines.constData());

    // The next start lists it again, and it opens from the menu.
    m_app.reset();
    m_app = std::make_unique<TestApp>(CCommandLineInfo{});
    m_app->SetOutputStreams(m_out->Get(), m_err->Get());
    QVERIFY(m_app->InitInstance());
    QCOMPARE(m_app->GetRecentFileList().GetCount(), 2);
    QCOMPARE(EncodeFileName(m_app->GetRecentFileList()[1]), odd);
    Frame()->GetRecentFileActions()[1]->trigger();
    QCOMPARE(EncodeFileName(m_app->GetDocument()->GetPathName()), odd);
    QCOMPARE(m_app->GetDocument()->m_text, std::string("Object changed;\n"));
}

QTEST_MAIN(TestAppOpen)
#include "test_app_open.moc"
