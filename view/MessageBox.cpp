#include "MessageBox.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMessageBox>

#include <cstdio>
#include <utility>

namespace {

MessageBoxHandler& Handler()
{
    static MessageBoxHandler handler;
    return handler;
}

int ShowModal(QWidget* owner, const QString& text, const QString& caption, unsigned int type)
{
    if (IsHeadlessPlatform()) {
        // Nobody could see the box, let alone close it.
        QString line = text;
        line.replace(u'\n', u' ');
        std::fprintf(stderr, "%s: %s\n", QCoreApplication::applicationName().toLower().toLocal8Bit().constData(),
                     line.toLocal8Bit().constData());
        std::fflush(stderr);
        return IDOK;
    }
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (type & 0xF0u) {
    case MB_ICONSTOP: icon = QMessageBox::Critical; break;
    case MB_ICONEXCLAMATION: icon = QMessageBox::Warning; break;
    case MB_ICONINFORMATION: icon = QMessageBox::Information; break;
    default: break;
    }
    QMessageBox box(icon, caption, text, QMessageBox::Ok, owner);
    box.exec();
    return IDOK;
}

}  // namespace

bool IsHeadlessPlatform()
{
    const QString platform = QGuiApplication::platformName();
    return platform == u"offscreen" || platform == u"minimal";
}

int GlosselMessageBox(QWidget* owner, const QString& text, const QString& caption, unsigned int type)
{
    const MessageBoxHandler& handler = Handler();
    return handler ? handler(owner, text, caption, type) : ShowModal(owner, text, caption, type);
}

MessageBoxHandler SetMessageBoxHandler(MessageBoxHandler handler)
{
    return std::exchange(Handler(), std::move(handler));
}
