#include "LockKeys.h"

#include <QGuiApplication>

#if defined(GLOSSEL_HAVE_XKB)
#include <X11/XKBlib.h>
#endif

std::optional<LockKeyState> ReadLockKeys()
{
#if defined(GLOSSEL_HAVE_XKB)
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    Display* display = x11 ? x11->display() : nullptr;
    if (!display) return std::nullopt;
    const auto lit = [display](const char* name) {
        const Atom atom = XInternAtom(display, name, True);
        Bool on = False;
        if (atom == None || !XkbGetNamedIndicator(display, atom, nullptr, &on, nullptr, nullptr)) return false;
        return on == True;
    };
    return LockKeyState{lit("Caps Lock"), lit("Num Lock"), lit("Scroll Lock")};
#else
    return std::nullopt;
#endif
}
