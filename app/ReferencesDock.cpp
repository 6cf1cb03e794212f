#include "ReferencesDock.h"

#include "doc/FileName.h"
#include "view/GameText.h"
#include "view/NumberText.h"

#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QShortcut>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {

enum Column { COLUMN_FILE, COLUMN_LINE, COLUMN_TEXT };
constexpr int ROLE_PATH = Qt::UserRole;
constexpr int ROLE_LINE = Qt::UserRole + 1;
constexpr int ROLE_COLUMN = Qt::UserRole + 2;
constexpr int ROLE_SKIPPED = Qt::UserRole + 3;  // a use in code the compiler skips

}  // namespace

CReferencesDock::CReferencesDock(QWidget& text, QWidget* parent) : QDockWidget(tr("References"), parent)
{
    setObjectName(QStringLiteral("ReferencesDock"));
    setAccessibleName(tr("References"));
    setAllowedAreas(Qt::AllDockWidgetAreas);

    auto* body = new QWidget(this);
    m_count = new QLabel(body);
    m_count->setObjectName(QStringLiteral("ReferencesCount"));
    m_list = new QTreeWidget(body);
    m_list->setObjectName(QStringLiteral("ReferencesList"));
    m_list->setAccessibleName(tr("Uses of the name"));
    m_list->setHeaderLabels({tr("File"), tr("Line"), tr("Text")});
    m_list->setRootIsDecorated(false);
    m_list->setUniformRowHeights(true);
    m_list->setAllColumnsShowFocus(true);
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->header()->setStretchLastSection(true);
    m_list->header()->setSectionResizeMode(COLUMN_FILE, QHeaderView::ResizeToContents);
    m_list->header()->setSectionResizeMode(COLUMN_LINE, QHeaderView::ResizeToContents);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    layout->addWidget(m_count);
    layout->addWidget(m_list, 1);
    setWidget(body);
    setFocusProxy(m_list);

    const auto choose = [this](QTreeWidgetItem* item, bool byKeyboard) {
        if (!item) return;
        emit referenceChosen(item->data(COLUMN_FILE, ROLE_PATH).toString(),
                             Location{item->data(COLUMN_FILE, ROLE_LINE).toULongLong(),
                                      item->data(COLUMN_FILE, ROLE_COLUMN).toULongLong()},
                             byKeyboard);
    };
    connect(m_list, &QTreeWidget::itemActivated, this, [choose](QTreeWidgetItem* item) { choose(item, true); });
    connect(m_list, &QTreeWidget::itemClicked, this, [choose](QTreeWidgetItem* item) { choose(item, false); });
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this, this,
                                 [&text] { text.setFocus(Qt::OtherFocusReason); });
    escape->setContext(Qt::WidgetWithChildrenShortcut);
    hide();
}

void CReferencesDock::Show(const QString& name, const CGame& game, const std::vector<GameReference>& references)
{
    m_list->clear();
    m_count->setText(references.size() == 1 ? tr("%1: 1 reference").arg(name)
                                            : tr("%1: %2 references").arg(name, GroupedNumber(references.size())));
    QList<QTreeWidgetItem*> items;
    items.reserve(static_cast<qsizetype>(references.size()));
    std::uint32_t file = NO_FILE;
    QString path;
    QString fileName;
    for (const GameReference& reference : references) {
        const CGameFile& text = game.File(reference.file);
        if (reference.file != file) {
            file = reference.file;
            path = DecodeFileName(QByteArray::fromStdString(text.Path()));
            fileName = QFileInfo(path).fileName();
        }
        auto* item = new QTreeWidgetItem;
        item->setText(COLUMN_FILE, fileName);
        item->setToolTip(COLUMN_FILE, path);
        item->setText(COLUMN_LINE, GroupedNumber(reference.word.line));
        item->setTextAlignment(COLUMN_LINE, Qt::AlignRight | Qt::AlignVCenter);
        item->setText(COLUMN_TEXT, ShownText(text.LineAt(reference.word.lineOffset), text.Encoding()).trimmed());
        item->setData(COLUMN_FILE, ROLE_PATH, path);
        const Location at = LocationOf(reference.word);
        item->setData(COLUMN_FILE, ROLE_LINE, QVariant::fromValue<qulonglong>(at.line));
        item->setData(COLUMN_FILE, ROLE_COLUMN, QVariant::fromValue<qulonglong>(at.column));
        // A use in code the compiler skips: greyed, and the reason said.
        if (const GameSkippedRange* skipped = text.SkippedAt(reference.word.offset)) {
            const QString why = tr("not compiled: %1")
                                    .arg(ShownText(game.DescribeReason(skipped->reason), text.Encoding()));
            for (int column = 0; column < m_list->columnCount(); ++column) {
                item->setForeground(column, m_list->palette().brush(QPalette::Disabled, QPalette::Text));
                if (column != COLUMN_FILE) item->setToolTip(column, why);
            }
            item->setData(COLUMN_FILE, ROLE_SKIPPED, true);
        }
        items.append(item);
    }
    m_list->addTopLevelItems(items);
    if (!items.isEmpty()) m_list->setCurrentItem(items.first());
}
