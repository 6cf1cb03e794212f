// A window holding only the control, for looking at it by eye:
//
//   glossel-control-harness FILE [--size WxH] [--select FROM TO] [--top ROW]
//                                [--disabled] [--print OUT.pdf] [--shot OUT.png] [--quit-after MS]
//
// FILE is loaded as the document loads it and rendered with the built-in styles.
// --print writes the coloured text to a PDF and exits; --shot grabs the window after
// it has been shown; --quit-after closes the window after MS milliseconds.

#include "doc/TextLoader.h"
#include "syntax/SyntaxStyleMap.h"
#include "view/SyntaxRichEditCtrl.h"

#include <QApplication>
#include <QFileInfo>
#include <QPrinter>
#include <QTimer>

#include <cstdio>
#include <cstring>
#include <string>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: glossel-control-harness FILE [options]\n");
        return 2;
    }
    std::string text;
    LoadFailure failure;
    if (!LoadTextFile(args[1].toStdString(), text, &failure)) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(args[1]), failure.reason.c_str());
        return 1;
    }
    theStyleMap.BuildDefaults();

    QWidget window;
    window.setWindowTitle(args[1]);
    int width = 900, height = 600;
    CSyntaxRichEditCtrl control;
    long long selFrom = -2, selTo = -2, top = -1;
    QString printTo, shot;
    int quitAfter = -1;
    bool disabled = false;
    for (int i = 2; i < args.size(); ++i) {
        const QString& a = args[i];
        if (a == "--size" && i + 1 < args.size()) {
            const QStringList wh = args[++i].split('x');
            width = wh.value(0).toInt();
            height = wh.value(1).toInt();
        } else if (a == "--select" && i + 2 < args.size()) {
            selFrom = args[++i].toLongLong();
            selTo = args[++i].toLongLong();
        } else if (a == "--top" && i + 1 < args.size()) {
            top = args[++i].toLongLong();
        } else if (a == "--print" && i + 1 < args.size()) {
            printTo = args[++i];
        } else if (a == "--shot" && i + 1 < args.size()) {
            shot = args[++i];
        } else if (a == "--quit-after" && i + 1 < args.size()) {
            quitAfter = args[++i].toInt();
        } else if (a == "--disabled") {
            disabled = true;
        }
    }
    window.resize(width, height);
    control.Create(WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_READONLY |
                       ES_WANTRETURN | (disabled ? WS_DISABLED : 0u),
                   QRect(0, 0, width, height), &window, 1000);
    control.hide();
    control.RenderSource(text);
    control.show();

    if (!printTo.isEmpty()) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(printTo);
        printer.setDocName(QFileInfo(args[1]).fileName());
        control.Print(printer);
        return 0;
    }
    if (selFrom >= -1) control.SetSel(selFrom, selTo);
    window.show();
    control.setFocus();
    if (top >= 0) control.ScrollToPos(control.GetStore().RowStart(static_cast<std::size_t>(top)));
    if (!shot.isEmpty()) {
        QTimer::singleShot(300, &window, [&] {
            window.grab().save(shot);
        });
    }
    if (quitAfter >= 0) QTimer::singleShot(quitAfter, &app, &QApplication::quit);
    return app.exec();
}
