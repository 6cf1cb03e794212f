// The control's mouse: selection by press, drag (scrolling on past the view's edges) and
// double-click, the wheel (with Ctrl, zoom), and the context menu.

#include "SyntaxRichEditCtrl.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPointer>
#include <QWheelEvent>

bool CSyntaxRichEditCtrl::PlaceMouseSelection(const std::optional<CMouseSelection::Result>& selected)
{
    if (!selected) return false;
    PlaceCaret(selected->anchor, selected->caret);
    if (!selected->scrollOn)
        m_autoScrollTimer.stop();
    else if (!m_autoScrollTimer.isActive())
        m_autoScrollTimer.start(CMouseSelection::AUTO_SCROLL_INTERVAL, this);
    return true;
}

void CSyntaxRichEditCtrl::mousePressEvent(QMouseEvent* e)
{
    if (!PlaceMouseSelection(m_mouse.Press(*e, m_selection))) QAbstractScrollArea::mousePressEvent(e);
}

void CSyntaxRichEditCtrl::mouseDoubleClickEvent(QMouseEvent* e)
{
    if (!PlaceMouseSelection(m_mouse.DoubleClick(*e, m_selection))) QAbstractScrollArea::mouseDoubleClickEvent(e);
}

void CSyntaxRichEditCtrl::mouseMoveEvent(QMouseEvent* e)
{
    if (!PlaceMouseSelection(m_mouse.Move(*e, m_selection))) QAbstractScrollArea::mouseMoveEvent(e);
}

void CSyntaxRichEditCtrl::mouseReleaseEvent(QMouseEvent* e)
{
    if (!m_mouse.Release(*e)) return QAbstractScrollArea::mouseReleaseEvent(e);
    m_autoScrollTimer.stop();
    SelectionChangedByUser();
}

void CSyntaxRichEditCtrl::wheelEvent(QWheelEvent* e)
{
    if (e->modifiers() & Qt::ControlModifier) {
        if (m_zoom.Wheel(e->angleDelta().y(), font())) ZoomChanged();
    } else {
        m_centreRow.reset();
        if (m_scroller.Wheel(*e)) viewport()->update();
    }
    e->accept();
}

QMenu* CSyntaxRichEditCtrl::CreateContextMenu()
{
    auto* menu = new QMenu(this);
    QAction* copy = menu->addAction(tr("&Copy"), this, &CSyntaxRichEditCtrl::Copy);
    copy->setObjectName(QStringLiteral("copy"));
    copy->setShortcut(QKeySequence::Copy);
    copy->setEnabled(m_selection.HasSelection());
    menu->addSeparator();
    QAction* all = menu->addAction(tr("Select &All"), this, &CSyntaxRichEditCtrl::SelectAll);
    all->setObjectName(QStringLiteral("selectAll"));
    all->setShortcut(QKeySequence::SelectAll);
    all->setEnabled(m_store->Length() > 0);
    return menu;
}

void CSyntaxRichEditCtrl::contextMenuEvent(QContextMenuEvent* e)
{
    QPoint at = e->globalPos();
    if (e->reason() == QContextMenuEvent::Keyboard) {
        const QRect caret = CharRect(static_cast<long long>(m_selection.Caret()));
        at = viewport()->mapToGlobal(caret.bottomLeft());
    }
    // The menu is the control's child: when the window goes while the menu runs its own
    // loop (a close from outside), the menu has gone with it, and so has this control.
    const QPointer<QMenu> menu = CreateContextMenu();
    menu->exec(at);
    delete menu.data();
}
