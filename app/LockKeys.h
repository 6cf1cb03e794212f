#pragma once
// The state of Caps Lock, Num Lock and Scroll Lock as the keyboard's indicators show it.
// On X11 it comes from the XKB indicators of the core keyboard; elsewhere (Wayland,
// offscreen) the system does not tell, and ReadLockKeys gives nothing.

#include <optional>

struct LockKeyState {
    bool caps = false;
    bool num = false;
    bool scroll = false;
    bool operator==(const LockKeyState&) const = default;
};

std::optional<LockKeyState> ReadLockKeys();
