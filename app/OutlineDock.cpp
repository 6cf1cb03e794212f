#include "OutlineDock.h"

#include "GameOutlineTree.h"

#include "view/GameOutlineModel.h"

#include <QLineEdit>
#include <QShortcut>
#include <QTimer>

COutlineDock::COutlineDock(CGameOutlineModel& model, QWidget& text, QWidget* parent)
    : QDockWidget(tr("Outline"), parent), m_model(model)
{
    setObjectName(QStringLiteral("OutlineDock"));
    setAccessibleName(tr("Outline"));
    setAllowedAreas(Qt::AllDockWidgetAreas);
    m_tree = new CGameOutlineTree(model, this);
    setWidget(m_tree);
    setFocusProxy(m_tree->FilterEdit());

    connect(m_tree, &CGameOutlineTree::rowChosen, this, &COutlineDock::rowChosen);
    // Escape in the dock goes back to the text.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this, this,
                                 [&text] { text.setFocus(Qt::OtherFocusReason); });
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    // A new game empties the tree; it is built again once the game is there.
    connect(&model, &QAbstractItemModel::modelReset, this, [this] {
        if (isVisible() && !m_model.IsUpToDate()) QTimer::singleShot(0, this, &COutlineDock::Build);
    });
    hide();
}

void COutlineDock::showEvent(QShowEvent* event)
{
    QDockWidget::showEvent(event);
    // After the dock's own first paint.
    QTimer::singleShot(0, this, &COutlineDock::Build);
}

void COutlineDock::Build()
{
    if (!isVisible() || m_model.IsUpToDate() || !m_model.Game()) return;
    m_model.Update();
}
