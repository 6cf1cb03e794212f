#include "TestHook.h"

#include "GlosselApp.h"
#include "MainFrame.h"
#include "view/GlosselView.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include <cstdio>

namespace {

void Report(CGlosselApp& app)
{
    const QWidget* open = QApplication::activePopupWidget();
    if (!open) open = QApplication::activeModalWidget();
    const CMainFrame* frame = app.GetMainWnd();
    std::printf("glossel-test-hook: %s over %s\n", open ? open->metaObject()->className() : "none",
                frame ? frame->windowTitle().toLocal8Bit().constData() : "no window");
    std::fflush(stdout);
}

// Reports once the event loop runs again, that is, from inside the loop opened next.
void ReportFromTheNextLoop(CGlosselApp& app)
{
    QTimer::singleShot(0, &app, [&app] { Report(app); });
}

void Open(CGlosselApp& app, const QString& what)
{
    CMainFrame* frame = app.GetMainWnd();
    if (!frame || !frame->isVisible()) {
        QTimer::singleShot(10, &app, [&app, what] { Open(app, what); });
        return;
    }
    if (what == u"context-menu") {
        QWidget* text = app.GetView()->GetRichEditCtrl().viewport();
        const QPoint at(8, 8);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, text->mapToGlobal(at));
        ReportFromTheNextLoop(app);
        QApplication::sendEvent(text, &event);
    } else if (what == u"file-menu") {
        auto* file = frame->findChild<QMenu*>(QStringLiteral("FileMenu"));
        frame->menuBar()->setActiveAction(file->menuAction());
        ReportFromTheNextLoop(app);
    } else if (what == u"open") {
        ReportFromTheNextLoop(app);
        app.OnFileOpen();
    } else if (what == u"styles") {
        ReportFromTheNextLoop(app);
        app.OnToolsSyntaxStyles();
    } else if (what == u"colour") {
        QTimer::singleShot(0, &app, [&app] {
            QWidget* styles = QApplication::activeModalWidget();
            auto* change = styles ? styles->findChild<QPushButton*>(QStringLiteral("IDC_CHANGE_COLOUR")) : nullptr;
            ReportFromTheNextLoop(app);
            if (change) change->click();
        });
        app.OnToolsSyntaxStyles();
    } else if (what == u"about") {
        ReportFromTheNextLoop(app);
        app.OnAppAbout();
    } else if (what == u"window") {
        Report(app);
    }
}

}  // namespace

void InstallTestHook(CGlosselApp& app)
{
    const QString what = qEnvironmentVariable("GLOSSEL_TEST_HOOK");
    if (what.isEmpty()) return;
    if (what == u"painted") {
        // The control is made with the window, before the text is rendered into it.
        QTimer::singleShot(0, &app, [&app] {
            CGlosselView* view = app.GetView();
            if (!view) return;
            CSyntaxRichEditCtrl& control = view->GetRichEditCtrl();
            if (!control.IsTextShownPending()) return Report(app);
            QObject::connect(&control, &CSyntaxRichEditCtrl::textShown, &app, [&app] { Report(app); },
                             Qt::SingleShotConnection);
        });
        return;
    }
    QTimer::singleShot(0, &app, [&app, what] { Open(app, what); });
}
