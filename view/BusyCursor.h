#pragma once
// CBusyCursor: while one lives, the pointer over the program's windows shows that it is
// busy, when the work it stands for is big enough to take longer than a moment (an
// open or a render of at least THRESHOLD_BYTES bytes of text). Made and destroyed on
// the user-interface thread; any number may nest.
//
// CBusyCursor::CPause: while one lives, the pointer is the normal one again, whatever
// busy cursors live (a message box in the middle of a long open shows the arrow); when
// it ends they take effect again.

#include <cstdint>

class CBusyCursor {
public:
    // About 60 ms of reading and rendering on a machine of today.
    static constexpr std::uint64_t DEFAULT_THRESHOLD_BYTES = 2u << 20;

    explicit CBusyCursor(std::uint64_t bytes);
    ~CBusyCursor();
    CBusyCursor(const CBusyCursor&) = delete;
    CBusyCursor& operator=(const CBusyCursor&) = delete;

    // For tests: the size from which the pointer shows busy; returns the previous one.
    static std::uint64_t SetThreshold(std::uint64_t bytes);
    // True while a busy cursor is in effect.
    static bool IsBusy();

    class CPause {
    public:
        CPause();
        ~CPause();
        CPause(const CPause&) = delete;
        CPause& operator=(const CPause&) = delete;

    private:
        int m_resumed;  // the busy cursors to put back
    };

private:
    bool m_shown;
};
