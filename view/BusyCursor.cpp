#include "BusyCursor.h"

#include <QApplication>
#include <QCursor>

namespace {

std::uint64_t g_threshold = CBusyCursor::DEFAULT_THRESHOLD_BYTES;
int g_shown = 0;  // busy cursors in effect (on Qt's override stack)

}  // namespace

CBusyCursor::CBusyCursor(std::uint64_t bytes) : m_shown(bytes >= g_threshold && qApp)
{
    if (!m_shown) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    ++g_shown;
}

CBusyCursor::~CBusyCursor()
{
    // A pause that is still on took this one off already.
    if (!m_shown || g_shown == 0) return;
    QApplication::restoreOverrideCursor();
    --g_shown;
}

std::uint64_t CBusyCursor::SetThreshold(std::uint64_t bytes)
{
    const std::uint64_t previous = g_threshold;
    g_threshold = bytes;
    return previous;
}

bool CBusyCursor::IsBusy() { return g_shown > 0; }

CBusyCursor::CPause::CPause() : m_resumed(g_shown)
{
    for (; g_shown > 0; --g_shown) QApplication::restoreOverrideCursor();
}

CBusyCursor::CPause::~CPause()
{
    for (; m_resumed > 0; --m_resumed) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        ++g_shown;
    }
}
