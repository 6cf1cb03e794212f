#include "ReadingTools.h"

#include "FindBar.h"
#include "SymbolPopup.h"

#include "dialogs/GoToLineDlg.h"
#include "view/NumberText.h"
#include "view/OutlineModel.h"
#include "view/SyntaxRichEditCtrl.h"

#include <QAction>
#include <QLabel>
#include <QMainWindow>
#include <QStatusBar>

namespace {

constexpr int kMessageTimeout = 5000;  // ms a message stays in the message pane

}  // namespace

CReadingTools::CReadingTools(QMainWindow& frame, ModalRunner runModal, CSyntaxRichEditCtrl& control,
                             QLabel& positionPane)
    : QObject(&frame), m_frame(frame), m_runModal(std::move(runModal)), m_control(control),
      m_positionPane(&positionPane)
{
    m_outlineModel = new COutlineModel(control, this);

    m_findBar = new CFindBar(control, &frame);
    frame.addToolBar(Qt::BottomToolBarArea, m_findBar);
    m_findBar->hide();
    connect(m_findBar, &CFindBar::message, this, [this](const QString& text) {
        QStatusBar* pane = m_frame.statusBar();
        if (!text.isEmpty())
            pane->showMessage(text, kMessageTimeout);
        else if (pane->currentMessage() == m_findMessage)
            pane->clearMessage();  // only the find bar's own line, not what came after it
        m_findMessage = text;
    });

    m_positionPane->setAccessibleName(tr("Position of the caret"));

    connect(&control, &CSyntaxRichEditCtrl::selectionChanged, this, &CReadingTools::UpdatePosition);
    connect(&control, &CSyntaxRichEditCtrl::selectionChanged, this, &CReadingTools::UpdateCopy);
    connect(&control, &CSyntaxRichEditCtrl::zoomChanged, this, [this](int points) {
        m_frame.statusBar()->showMessage(tr("Zoom: %1 points").arg(points), kMessageTimeout);
    });
    UpdatePosition();
}

CReadingTools::~CReadingTools() = default;

void CReadingTools::SetCommands(QAction* copy)
{
    m_copy = copy;
    UpdateCopy();
}

void CReadingTools::UpdatePosition()
{
    m_positionPane->setText(tr("Ln %1, Col %2")
                                .arg(GroupedNumber(static_cast<std::uint64_t>(m_control.GetCaretLine()) + 1),
                                     GroupedNumber(static_cast<std::uint64_t>(m_control.GetCaretColumn()) + 1)));
}

void CReadingTools::UpdateCopy()
{
    if (!m_copy) return;
    long long from, to;
    m_control.GetSel(from, to);
    m_copy->setEnabled(from < to);
}

void CReadingTools::OnEditCopy() { m_control.Copy(); }

void CReadingTools::OnEditSelectAll() { m_control.SelectAll(); }

void CReadingTools::OnEditFind() { m_findBar->Open(); }

void CReadingTools::OnEditFindNext() { m_findBar->FindNext(); }

void CReadingTools::OnEditFindPrevious() { m_findBar->FindPrevious(); }

void CReadingTools::OnEditGoToLine()
{
    const long long lines = m_control.GetRowCount();
    CGoToLineDlg dialog(lines, m_control.GetCaretLine() + 1, &m_frame);
    if (RunModal(m_runModal, dialog) != QDialog::Accepted) return;
    emit jumping();
    m_control.GoToLine(dialog.GetLine() - 1);
    m_control.setFocus(Qt::OtherFocusReason);
}

void CReadingTools::OnEditGoToSymbol()
{
    m_outlineModel->Update();
    const QRect area(m_control.mapToGlobal(QPoint(0, 0)), m_control.size());
    CSymbolPopup popup(*m_outlineModel, area, &m_frame);
    if (RunModal(m_runModal, popup) != QDialog::Accepted) return;
    const std::optional<std::uint64_t> position = popup.GetPosition();
    if (!position) return;
    emit jumping();
    m_control.GoToPos(static_cast<long long>(*position));
    m_control.setFocus(Qt::OtherFocusReason);
}

void CReadingTools::OnViewZoomIn() { m_control.ZoomIn(); }

void CReadingTools::OnViewZoomOut() { m_control.ZoomOut(); }

void CReadingTools::OnViewZoomReset() { m_control.SetZoom(CTextZoom::DEFAULT_POINTS); }
