#include "SymbolPopup.h"

#include "OutlineList.h"

#include <QLineEdit>
#include <QVBoxLayout>

CSymbolPopup::CSymbolPopup(COutlineModel& model, const QRect& area, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("GoToSymbol"));
    setWindowTitle(tr("Go to Symbol"));
    setAccessibleName(tr("Go to Symbol"));
    setWindowFlags(Qt::Popup);
    m_list = new COutlineList(model, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_list);
    connect(m_list, &COutlineList::definitionChosen, this, &QDialog::accept);

    const QSize size(std::max(320, area.width() * 3 / 5), std::max(200, area.height() / 2));
    setGeometry(QRect(QPoint(area.center().x() - size.width() / 2, area.top()), size));
    m_list->EnsureCurrent();
    m_list->FilterEdit()->setFocus();
}

std::optional<std::uint64_t> CSymbolPopup::GetPosition() const { return m_list->CurrentPosition(); }
