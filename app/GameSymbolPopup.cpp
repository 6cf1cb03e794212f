#include "GameSymbolPopup.h"

#include "GameOutlineTree.h"

#include <QLineEdit>
#include <QVBoxLayout>

CGameSymbolPopup::CGameSymbolPopup(CGameOutlineModel& model, std::uint32_t currentFile, const QRect& area,
                                   QWidget* parent)
    : QDialog(parent)
{
    setObjectName(QStringLiteral("GoToSymbolInGame"));
    setWindowTitle(tr("Go to Symbol in Game"));
    setAccessibleName(tr("Go to Symbol in Game"));
    setWindowFlags(Qt::Popup);
    m_tree = new CGameOutlineTree(model, this);
    m_tree->SetCurrentFile(currentFile);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_tree);
    connect(m_tree, &CGameOutlineTree::rowChosen, this, [this](const QModelIndex& index) {
        m_choice = index;
        accept();
    });

    const QSize size(std::max(360, area.width() * 3 / 5), std::max(240, area.height() * 2 / 3));
    setGeometry(QRect(QPoint(area.center().x() - size.width() / 2, area.top()), size));
    m_tree->FilterEdit()->setFocus();
}
