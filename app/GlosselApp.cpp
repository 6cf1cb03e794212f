#include "GlosselApp.h"

#include "AboutDlg.h"
#include "GameSession.h"
#include "MainFrame.h"
#include "OpenFileDialog.h"
#include "Resource.h"
#include "TerminationSignals.h"
#include "dialogs/SyntaxStylesDlg.h"
#include "doc/DocTemplate.h"
#include "doc/FileName.h"
#include "doc/Printable.h"
#include "doc/GlosselDoc.h"
#include "settings/SettingsStore.h"
#include "syntax/ShownLines.h"
#include "syntax/SyntaxStyleMap.h"
#include "view/BusyCursor.h"
#include "view/GlosselView.h"
#include "view/MessageBox.h"

#include <QApplication>
#include <QDialog>
#include <QFileInfo>
#include <QIcon>
#include <QPrinter>
#include <QPrinterInfo>
#include <QStatusBar>

#include <optional>

static void InitGlosselResources()
{
    // The icons live in this static library; its resources must be registered by name.
    Q_INIT_RESOURCE(glossel);
}

namespace {

CGlosselApp* g_app = nullptr;

std::unique_ptr<QPrinter> SystemPrinter(const QString& printerName, QString* reason)
{
    const QPrinterInfo info =
        printerName.isEmpty() ? QPrinterInfo::defaultPrinter() : QPrinterInfo::printerInfo(printerName);
    if (info.isNull()) {
        *reason = printerName.isEmpty() ? QStringLiteral("there is no default printer")
                                        : QStringLiteral("there is no printer named '%1'").arg(printerName);
        return nullptr;
    }
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

}  // namespace

CGlosselApp* GetGlosselApp()
{
    return g_app;
}

CGlosselApp::CGlosselApp(CCommandLineInfo cmdInfo)
    : m_cmdInfo(std::move(cmdInfo)),
      m_recentFileList(RECENT_FILE_COUNT),
      m_printerProvider(&SystemPrinter),
      m_close([this]() -> QWidget* { return GetMainWnd(); })
{
    Q_ASSERT(!g_app);
    g_app = this;
    InitGlosselResources();
    // Who the program is for the desktop: its entry (glossel.desktop), name and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("glossel"));
    QCoreApplication::setApplicationName(QString::fromLatin1(APP_TITLE));
    QCoreApplication::setOrganizationName(QStringLiteral("Orvanel's Applications"));
    QCoreApplication::setApplicationVersion(QStringLiteral(GLOSSEL_VERSION_STRING));
    QGuiApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/glossel.svg")));
}

CGlosselApp::~CGlosselApp()
{
    m_docTemplate.reset();
    if (GetStyleProfile() == m_store.get()) SetStyleProfile(nullptr);
    if (g_app == this) g_app = nullptr;
}

bool CGlosselApp::InitInstance()
{
    m_exitCode = 0;
    m_unregistered = false;

    // The settings store first: the styles read their stored attributes through it.
    m_store = std::make_unique<CSettingsStore>();
    SetStyleProfile(m_store.get());
    m_recentFileList.ReadList(*m_store);

    m_docTemplate = std::make_unique<CSingleDocTemplate>(
        [] { return std::make_unique<CGlosselDoc>(); },
        [this](CDocument& document) -> QWidget* { return CreateMainFrame(static_cast<CGlosselDoc&>(document)); });
    m_docTemplate->SetRecentFileSink([this](const QString& path) { AddToRecentFileList(path); });

    // Before any document exists, so that the first render already has the user's styles.
    theStyleMap.BuildDefaults();

    if (!ProcessShellCommand(m_cmdInfo)) return false;

    CMainFrame* frame = GetMainWnd();
    frame->showMaximized();
    // --line: the caret at that line's start, the line in the middle of the window.
    if (m_cmdInfo.m_nLine > 0)
        if (CGlosselView* view = GetView()) view->GetRichEditCtrl().GoToLine(m_cmdInfo.m_nLine - 1);
    return true;
}

int CGlosselApp::ExitInstance()
{
    // After /Unregister the settings are gone and stay gone.
    if (m_store && !m_unregistered) {
        theStyleMap.SaveAll();
        m_recentFileList.WriteList(*m_store);
        if (!m_store->Sync())
            std::fprintf(m_err, "glossel: could not write the settings to %s\n",
                         QFile::encodeName(m_store->FileName()).constData());
    }
    std::fflush(m_out);
    std::fflush(m_err);
    return m_exitCode;
}

int CGlosselApp::Run()
{
    // Ending the session (SIGTERM, SIGHUP) or Ctrl+C (SIGINT) closes the main window as
    // its close box does. Printing has no event loop to hear them until it is done.
    const bool printing = m_cmdInfo.m_nShellCommand == CCommandLineInfo::FilePrint ||
                          m_cmdInfo.m_nShellCommand == CCommandLineInfo::FilePrintTo;
    std::optional<CTerminationSignals> terminationSignals;
    if (!printing) terminationSignals.emplace([this] { RequestClose(); });

    m_close.Forget();
    m_close.SetStage(CDeferredClose::Stage::Starting);
    const bool started = InitInstance();
    m_close.SetStage(CDeferredClose::Stage::Outside);
    // A close that came during start-up has ended its box; the start ends with it.
    if (!started || m_close.WasRequested()) {
        if (m_docTemplate) m_docTemplate->CloseAllDocuments();
        return ExitInstance();
    }
    const bool quitOnLastWindowClosed = QApplication::quitOnLastWindowClosed();
    QApplication::setQuitOnLastWindowClosed(false);
    connect(GetMainWnd(), &QObject::destroyed, qApp, &QCoreApplication::quit, Qt::QueuedConnection);
    m_close.SetStage(CDeferredClose::Stage::Looping);
    QApplication::exec();
    m_close.SetStage(CDeferredClose::Stage::Outside);
    QApplication::setQuitOnLastWindowClosed(quitOnLastWindowClosed);
    if (m_docTemplate) m_docTemplate->CloseAllDocuments();
    return ExitInstance();
}

CMainFrame* CGlosselApp::CreateMainFrame(CGlosselDoc& document)
{
    auto* frame = new CMainFrame(document, [this](QDialog& dialog) { return DoModal(dialog); });
    connect(frame, &CMainFrame::fileOpenRequested, this, &CGlosselApp::OnFileOpen);
    connect(frame, &CMainFrame::recentFileRequested, this, &CGlosselApp::OnOpenRecentFile);
    connect(frame, &CMainFrame::exitRequested, this, &CGlosselApp::OnAppExit);
    connect(frame, &CMainFrame::syntaxStylesRequested, this, &CGlosselApp::OnToolsSyntaxStyles);
    connect(frame, &CMainFrame::aboutRequested, this, &CGlosselApp::OnAppAbout);
    // A file of the game being read opens as Open opens it.
    frame->SetFileOpener([this](const QString& path, const std::shared_ptr<const std::string>& text) {
        return OpenFile(path, text) != nullptr;
    });
    frame->GetSession().SetIncludeFolders(m_cmdInfo.m_includeFolders);
    frame->SetCompilerSwitches(m_cmdInfo.m_switches);
    connect(this, &CGlosselApp::recentFileListChanged, frame,
            [this, frame] { frame->UpdateRecentFileMenu(RecentFileLabels()); });
    frame->UpdateRecentFileMenu(RecentFileLabels());
    m_close.Watch(*frame);
    return frame;
}

QStringList CGlosselApp::RecentFileLabels() const
{
    QStringList labels;
    for (int i = 0; i < m_recentFileList.GetCount(); ++i) labels << m_recentFileList.GetMenuLabel(i);
    return labels;
}

bool CGlosselApp::ProcessShellCommand(const CCommandLineInfo& info)
{
    switch (info.m_nShellCommand) {
    case CCommandLineInfo::FileNew:
        if (OpenDocumentFile(QString())) return true;
        Fail(QStringLiteral("glossel: cannot start: %1").arg(m_docTemplate->GetOpenFailureReason()));
        return false;
    case CCommandLineInfo::FileOpen:
        if (OpenDocumentFile(info.m_strFileName)) return true;
        Fail(QStringLiteral("glossel: cannot open %1: %2")
                 .arg(AbsoluteFileName(info.m_strFileName), m_docTemplate->GetOpenFailureReason()));
        return false;
    case CCommandLineInfo::FilePrint:
    case CCommandLineInfo::FilePrintTo:
        // The window is made for the document but never shown; the program ends after printing.
        PrintDocumentFile(info);
        return false;
    case CCommandLineInfo::FileDDE:
        Fail(QStringLiteral("glossel: /dde is not supported (there is no DDE service); name the file to open instead"));
        return false;
    case CCommandLineInfo::AppUnregister:
        Unregister();
        return false;
    }
    return false;
}

bool CGlosselApp::PrintDocumentFile(const CCommandLineInfo& info)
{
    const bool printTo = info.m_nShellCommand == CCommandLineInfo::FilePrintTo;
    const QString command = printTo ? QStringLiteral("/pt") : QStringLiteral("/p");
    if (info.m_strFileName.isEmpty()) {
        Fail(QStringLiteral("glossel: %1 needs the name of the file to print").arg(command));
        return false;
    }
    if (printTo && info.m_strPrinterName.isEmpty()) {
        Fail(QStringLiteral("glossel: /pt needs the file and then the printer's name"));
        return false;
    }
    const QString path = AbsoluteFileName(info.m_strFileName);
    // Nobody sees a window while printing: what a message box would say goes to
    // standard error, and a long line that ends the pages early makes the exit status 3,
    // as it does for glossel-render.
    const CMessageBoxHandlerScope toStandardError([&](QWidget*, const QString& text, const QString&, unsigned int) {
        Say(QStringLiteral("glossel: %1: %2").arg(path, QString(text).replace(u'\n', u' ')));
        return IDOK;
    });
    CDocument* document = OpenDocumentFile(path);
    if (!document) {
        Fail(QStringLiteral("glossel: cannot open %1: %2").arg(path, m_docTemplate->GetOpenFailureReason()));
        return false;
    }
    QString reason;
    const std::unique_ptr<QPrinter> printer =
        m_printerProvider ? m_printerProvider(printTo ? info.m_strPrinterName : QString(), &reason) : nullptr;
    bool printed = false;
    bool longLine = false;
    if (printer) {
        printer->setDocName(document->GetTitle());
        CGlosselView* view = GetView();
        printed = view && view->OnFilePrint(*printer) && printer->printerState() != QPrinter::Error;
        longLine = view && view->GetRichEditCtrl().LastRenderStatus() == RenderStatus::LongLine;
    }
    // The window was never shown; with the printing done (or impossible) it goes.
    m_docTemplate->CloseAllDocuments();
    if (!printer)
        Fail(QStringLiteral("glossel: cannot print %1: %2").arg(path, reason));
    else if (!printed)
        Fail(QStringLiteral("glossel: printing %1 on %2 failed").arg(path, printer->printerName()));
    else if (longLine)
        m_exitCode = 3;
    return printed;
}

bool CGlosselApp::Unregister()
{
    const bool removed = m_store->RemoveAll();
    // Nothing is written back at exit: the settings stay removed.
    m_unregistered = true;
    const QString text = removed ? QString::fromLatin1(UNREGISTER_DONE)
                                 : QStringLiteral("The stored settings could not be removed (%1).")
                                       .arg(m_store->FileName());
    if (!removed) m_exitCode = 1;
    if (m_cmdInfo.m_bRunEmbedded) {
        if (!removed) std::fprintf(m_err, "glossel: %s\n", text.toLocal8Bit().constData());
    } else if (!CanShowWindows()) {
        std::fprintf(removed ? m_out : m_err, "%s\n", text.toLocal8Bit().constData());
    } else {
        GlosselMessageBox(nullptr, text, QString::fromLatin1(APP_TITLE),
                          MB_OK | (removed ? MB_ICONINFORMATION : MB_ICONEXCLAMATION));
    }
    return removed;
}

bool CGlosselApp::CanShowWindows() const
{
    return !IsHeadlessPlatform();
}

void CGlosselApp::Say(const QString& line)
{
    // A file name in the line reaches the terminal as the bytes the system knows it by,
    // its control bytes escaped so that the message stays one line.
    std::fprintf(m_err, "%s\n", PrintableForTerminal(EncodeFileName(line).toStdString()).c_str());
}

void CGlosselApp::Fail(const QString& line)
{
    Say(line);
    m_exitCode = 1;
}

CMainFrame* CGlosselApp::GetMainWnd() const
{
    return m_docTemplate ? qobject_cast<CMainFrame*>(m_docTemplate->GetFrame()) : nullptr;
}

CGlosselDoc* CGlosselApp::GetDocument() const
{
    return m_docTemplate ? static_cast<CGlosselDoc*>(m_docTemplate->GetDocument()) : nullptr;
}

CGlosselView* CGlosselApp::GetView() const
{
    const CMainFrame* frame = GetMainWnd();
    return frame ? frame->GetActiveView() : nullptr;
}

CDocument* CGlosselApp::OpenDocumentFile(const QString& path)
{
    if (!m_docTemplate) return nullptr;
    if (path.isEmpty()) return m_docTemplate->OpenDocumentFile(QString());
    const QString fullPath = AbsoluteFileName(path);
    if (CDocument* open = m_docTemplate->MatchDocument(fullPath)) {
        if (CMainFrame* frame = GetMainWnd()) {
            frame->raise();
            frame->activateWindow();
        }
        return open;
    }
    // The file the user opens is the main file of a new game; the window shows it.
    const ReadingPlace top{fullPath, fullPath, Location{}, 0};
    if (CMainFrame* frame = GetMainWnd()) return frame->OpenAt(top, HistoryStep::Leave) ? GetDocument() : nullptr;
    // The first open makes the window, which then starts the game of what it shows.
    CDocument* opened = OpenFile(fullPath, nullptr);
    if (CMainFrame* frame = opened ? GetMainWnd() : nullptr) frame->OpenAt(top, HistoryStep::Keep);
    return opened;
}

CDocument* CGlosselApp::OpenFile(const QString& path, const std::shared_ptr<const std::string>& text)
{
    CDocument* opened = nullptr;
    {
        // Reading and showing a big file takes a while: the pointer says so.
        const std::uint64_t size = text ? text->size() : static_cast<std::uint64_t>(std::max<qint64>(0, QFileInfo(path).size()));
        const CBusyCursor busy(size);
        CSingleDocTemplate::Loader load;
        if (text)
            load = [&text](CDocument& document) {
                static_cast<CGlosselDoc&>(document).m_text = *text;
                return true;
            };
        opened = m_docTemplate->OpenDocumentFile(path, load);
    }
    TellHowTheOpenWent(path, opened != nullptr);
    return opened;
}

void CGlosselApp::TellHowTheOpenWent(const QString& path, bool opened)
{
    // No box: a line in the message pane, which stays until something else is said there.
    CMainFrame* frame = GetMainWnd();
    if (!frame) return;  // a failed start has no window; it says why on standard error
    const auto oneLine = [](const QString& text) {
        return DisplayFileName(DecodeFileName(QByteArray::fromStdString(PrintableForTerminal(EncodeFileName(text).toStdString()))));
    };
    const QString name = oneLine(path.mid(path.lastIndexOf(u'/') + 1));
    QString line;
    CGlosselView* view = GetView();
    if (!opened) {
        line = tr("Cannot open %1: %2").arg(oneLine(path), oneLine(m_docTemplate->GetOpenFailureReason()));
    } else if (view && view->GetRichEditCtrl().LastRenderFailed()) {
        line = tr("Cannot show %1: there is not enough memory").arg(name);
    } else if (const std::uint64_t controls = view ? view->GetRichEditCtrl().BidiControlCount() : 0) {
        // They are drawn as boxed names and reorder nothing here, but other programs may
        // show the text in another order than the compiler reads it.
        line = controls == 1 ? tr("%1 holds a bidirectional control character, shown as a boxed name").arg(name)
                             : tr("%1 holds %2 bidirectional control characters, shown as boxed names")
                                   .arg(name, QString::number(controls));
    }
    QStatusBar* pane = frame->statusBar();
    if (!line.isEmpty())
        pane->showMessage(line);
    else if (!m_openMessage.isEmpty() && pane->currentMessage() == m_openMessage)
        pane->clearMessage();  // what was said of the file shown before no longer holds
    m_openMessage = line;
}

void CGlosselApp::AddToRecentFileList(const QString& path)
{
    m_recentFileList.Add(path);
    emit recentFileListChanged();
}

void CGlosselApp::UpdateAllDocumentViews()
{
    if (CMainFrame* frame = GetMainWnd()) frame->repaint();
    if (CDocument* document = m_docTemplate ? m_docTemplate->GetDocument() : nullptr)
        document->UpdateAllViews(nullptr, 0, nullptr);
}

void CGlosselApp::SetOutputStreams(std::FILE* out, std::FILE* err)
{
    m_out = out;
    m_err = err;
}

void CGlosselApp::OnFileOpen()
{
    QString chosen;
    {
        COpenFileDialog dialog(GetMainWnd());
        // It opens where it was last left, or else in the shown file's folder.
        const CGlosselDoc* document = GetDocument();
        if (!m_lastOpenFolder.isEmpty())
            dialog.setDirectory(m_lastOpenFolder);
        else if (document && !document->GetPathName().isEmpty())
            dialog.setDirectory(QFileInfo(document->GetPathName()).absolutePath());
        const int result = DoModal(dialog);
        m_lastOpenFolder = dialog.directory().absolutePath();
        const QStringList files = dialog.selectedFiles();
        if (result == QDialog::Accepted && !files.isEmpty()) chosen = files.first();
    }
    // The dialog is gone before the file opens (and perhaps shows the long-line box).
    if (!chosen.isEmpty()) OpenDocumentFile(chosen);
}

void CGlosselApp::OnOpenRecentFile(int index)
{
    if (index < 0 || index >= m_recentFileList.GetCount()) return;
    const QString path = m_recentFileList[index];
    if (OpenDocumentFile(path)) return;
    // The entry leaves the list; find it again in case the list moved meanwhile.
    const int at = static_cast<int>(m_recentFileList.Names().indexOf(path));
    if (at >= 0) {
        m_recentFileList.Remove(at);
        emit recentFileListChanged();
    }
}

void CGlosselApp::OnAppAbout()
{
    CAboutDlg dialog(GetMainWnd());
    DoModal(dialog);
}

void CGlosselApp::OnAppExit()
{
    if (CMainFrame* frame = GetMainWnd()) frame->close();
}

void CGlosselApp::OnToolsSyntaxStyles()
{
    if (RunSyntaxStylesDialog() == IDOK) UpdateAllDocumentViews();
}

int CGlosselApp::RunSyntaxStylesDialog()
{
    // Over the main window, so that it opens centred on it and stays above it.
    CSyntaxStylesDlg dialog(theStyleMap, GetMainWnd());
    return DoModal(dialog);
}
