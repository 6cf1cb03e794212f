#include "OutlineDock.h"

#include "OutlineList.h"

#include "view/OutlineModel.h"
#include "view/SyntaxRichEditCtrl.h"

#include <QLineEdit>
#include <QShortcut>
#include <QTimer>

COutlineDock::COutlineDock(COutlineModel& model, CSyntaxRichEditCtrl& control, QWidget* parent)
    : QDockWidget(tr("Outline"), parent), m_model(model), m_control(control)
{
    setObjectName(QStringLiteral("OutlineDock"));
    setAccessibleName(tr("Outline"));
    setAllowedAreas(Qt::AllDockWidgetAreas);
    m_list = new COutlineList(model, this);
    setWidget(m_list);
    setFocusProxy(m_list->FilterEdit());

    connect(m_list, &COutlineList::definitionChosen, this, [this](std::uint64_t position, bool byKeyboard) {
        m_control.GoToPos(static_cast<long long>(position));
        if (byKeyboard) m_control.setFocus(Qt::OtherFocusReason);
    });
    // Escape in the dock goes back to the text.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this, this,
                                 [this] { m_control.setFocus(Qt::OtherFocusReason); });
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    connect(&control, &CSyntaxRichEditCtrl::textShown, this, &COutlineDock::TextShown);
    hide();
}

void COutlineDock::showEvent(QShowEvent* event)
{
    QDockWidget::showEvent(event);
    // After the dock's own first paint, the same way as after a new text's.
    QTimer::singleShot(0, this, &COutlineDock::Build);
}

void COutlineDock::TextShown()
{
    if (isVisible() && !m_model.IsUpToDate()) QTimer::singleShot(0, this, &COutlineDock::Build);
}

void COutlineDock::Build()
{
    if (!isVisible() || m_model.IsUpToDate()) return;
    m_model.Update();
    m_list->EnsureCurrent();
}
