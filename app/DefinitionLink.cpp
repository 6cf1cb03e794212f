#include "DefinitionLink.h"

#include "view/SyntaxRichEditCtrl.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMouseEvent>

CDefinitionLink::CDefinitionLink(CSyntaxRichEditCtrl& control, Finder finder)
    : QObject(&control), m_control(control), m_find(std::move(finder))
{
    control.installEventFilter(this);
    control.viewport()->installEventFilter(this);
    control.viewport()->setMouseTracking(true);
    // A new text has no link until the mouse or Ctrl says so.
    connect(&control, &CSyntaxRichEditCtrl::textReplaced, this, &CDefinitionLink::Clear);
}

void CDefinitionLink::Update(const QPoint& point, bool ctrl)
{
    long long from = 0;
    long long to = 0;
    const bool over = ctrl && m_control.viewport()->rect().contains(point);
    // The character under the pointer, not the gap nearest to it.
    const long long pos = over ? m_control.CharFromPos(point) : 0;
    if (!over || !m_control.CharRect(pos).contains(point) || !m_find(pos, from, to)) {
        Clear();
        return;
    }
    if (from == m_from && to == m_to) return;
    m_from = from;
    m_to = to;
    CTextHighlight link;
    link.from = static_cast<std::uint64_t>(from);
    link.to = static_cast<std::uint64_t>(to);
    link.underline = true;
    m_control.SetHighlights({link});
    m_control.viewport()->setCursor(Qt::PointingHandCursor);
}

void CDefinitionLink::Clear()
{
    if (!HasLink()) return;
    m_from = m_to = 0;
    m_control.SetHighlights({});
    m_control.viewport()->setCursor(m_control.isEnabled() ? Qt::IBeamCursor : Qt::ArrowCursor);
}

bool CDefinitionLink::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease: {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == &m_control && key->key() == Qt::Key_Control)
            Update(m_control.viewport()->mapFromGlobal(QCursor::pos()), event->type() == QEvent::KeyPress);
        break;
    }
    case QEvent::MouseMove:
        if (watched == m_control.viewport()) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->buttons() == Qt::NoButton)
                Update(mouse->position().toPoint(), mouse->modifiers() & Qt::ControlModifier);
        }
        break;
    case QEvent::Leave:
        if (watched == m_control.viewport()) Clear();
        break;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonDblClick:
        if (watched == m_control.viewport()) {
            auto* mouse = static_cast<QMouseEvent*>(event);
            if (mouse->button() != Qt::LeftButton || !(mouse->modifiers() & Qt::ControlModifier)) break;
            Update(mouse->position().toPoint(), true);
            if (!HasLink()) break;
            m_swallowRelease = true;
            const long long at = m_from;
            Clear();
            emit linkClicked(at);
            return true;
        }
        break;
    case QEvent::MouseButtonRelease:
        if (watched == m_control.viewport() && m_swallowRelease) {
            m_swallowRelease = false;
            return true;
        }
        break;
    default:
        break;
    }
    return QObject::eventFilter(watched, event);
}
