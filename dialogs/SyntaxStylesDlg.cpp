#include "SyntaxStylesDlg.h"

#include "settings/QtSettingsAside.h"
#include "view/MessageBox.h"
#include "view/SyntaxRichEditCtrl.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

std::string g_lastStyleName;

namespace {

ColourChooser g_colourChooser;

// The sample's creation style: a small, disabled, read-only control with a border.
constexpr std::uint32_t SAMPLE_STYLE = WS_CHILD | WS_VISIBLE | WS_DISABLED | WS_BORDER | ES_READONLY | ES_AUTOHSCROLL;

// The list of styles. Like a single-selection list box, it always keeps one item
// selected once one is: neither Ctrl+click nor Ctrl+Space deselects it, and a click
// below the last item changes nothing.
class CStyleListBox : public QListWidget {
public:
    using QListWidget::QListWidget;

    // The size the list asks for (a scroll area's own hint is a fixed 256 by 192).
    void SetSizeHint(QSize size) { m_sizeHint = size; updateGeometry(); }
    QSize sizeHint() const override { return m_sizeHint; }
    QSize minimumSizeHint() const override { return m_sizeHint; }

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* event) const override
    {
        const QItemSelectionModel::SelectionFlags command = QListWidget::selectionCommand(index, event);
        if (!index.isValid() || (command & (QItemSelectionModel::Deselect | QItemSelectionModel::Toggle)))
            return QItemSelectionModel::NoUpdate;
        return command;
    }
private:
    QSize m_sizeHint;
};

// Sizes in the dialog units of the dialog's font: a quarter of its average letter
// width across, an eighth of its height down. The dialog keeps its proportions at
// every font size.
class CDialogUnits {
public:
    explicit CDialogUnits(const QFont& font)
    {
        const QFontMetricsF metrics(font);
        m_x = metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) / 52;
        m_y = metrics.height();
    }
    int X(int units) const { return static_cast<int>(std::lround(units * m_x / 4)); }
    int Y(int units) const { return static_cast<int>(std::lround(units * m_y / 8)); }

private:
    qreal m_x = 6;
    qreal m_y = 13;
};

QColor ToQColor(COLORREF colour)
{
    return QColor(static_cast<int>(GetRValue(colour)), static_cast<int>(GetGValue(colour)),
                  static_cast<int>(GetBValue(colour)));
}

}  // namespace

bool ChooseColourWithDialog(QWidget* parent, COLORREF initial, COLORREF& chosen)
{
    // Qt's chooser keeps custom colours in a settings file of its own; that stays out
    // of the user's configuration.
    const CQtSettingsAside aside;
    QColorDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("ColourChooser"));
    // It starts on the style's colour, black included.
    dialog.setCurrentColor(ToQColor(initial));
    if (dialog.exec() != QDialog::Accepted) return false;
    const QColor colour = dialog.selectedColor();
    if (!colour.isValid()) return false;
    chosen = RGB(static_cast<unsigned>(colour.red()), static_cast<unsigned>(colour.green()),
                 static_cast<unsigned>(colour.blue()));
    return true;
}

ColourChooser SetColourChooser(ColourChooser chooser)
{
    ColourChooser previous = std::move(g_colourChooser);
    g_colourChooser = std::move(chooser);
    return previous;
}

CSyntaxStylesDlg::CSyntaxStylesDlg(CSyntaxStyleMap& target, QWidget* parent) : QDialog(parent), m_pTarget(&target)
{
    m_styles.Copy(target);
    setObjectName(QStringLiteral("IDD_SYNTAX_STYLES"));
    setWindowTitle(QString::fromLatin1(SYNTAX_STYLES_CAPTION));
    // A caption with a close box only, over a box of fixed size.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    CreateControls();
    OnInitDialog();
}

CSyntaxStylesDlg::~CSyntaxStylesDlg()
{
    m_byName.clear();
}

void CSyntaxStylesDlg::CreateControls()
{
    const CDialogUnits du(font());

    // Made in tab order: the list, Change Colour, Bold, Italic, OK, Cancel. The sample
    // is disabled and takes no focus.
    auto* typeLabel = new QLabel(tr("&Type:"), this);
    auto* list = new CStyleListBox(this);
    m_list = list;
    m_list->setObjectName(QStringLiteral("IDC_STYLE_LIST"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    {
        // The list's box in dialog units, wider when a name would not fit beside a
        // scroll bar.
        int widest = 0;
        m_styles.ForEach([&](CSyntaxStyleMap::WORD, const CSyntaxStyle& style) {
            widest = std::max(widest, m_list->fontMetrics().horizontalAdvance(QString::fromLatin1(
                                          style.m_name.data(), static_cast<qsizetype>(style.m_name.size()))));
        });
        const int needed = widest + 2 * m_list->frameWidth() +
                           m_list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_list) +
                           m_list->fontMetrics().averageCharWidth() * 2;
        // As tall as the column beside it, at least.
        list->SetSizeHint(QSize(std::max(du.X(99), needed), du.Y(85)));
        list->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
    }
    typeLabel->setBuddy(m_list);

    auto* sampleGroup = new QGroupBox(tr("Sample"), this);
    m_sample = new CSyntaxRichEditCtrl(sampleGroup);
    m_sample->Create(SAMPLE_STYLE, QRect(), sampleGroup, IDC_STYLE_SAMPLE);
    m_sample->setObjectName(QStringLiteral("IDC_STYLE_SAMPLE"));
    m_sample->setFocusPolicy(Qt::NoFocus);
    m_sample->setFont(font());
    m_sample->setAccessibleName(tr("Sample"));
    {
        // Big enough for the sample in its widest face, and never smaller than the box
        // the sample has in dialog units.
        QFont widest = font();
        widest.setBold(true);
        widest.setItalic(true);
        const QFontMetrics metrics(widest);
        const int frame = 2 * m_sample->frameWidth();
        const int width = metrics.horizontalAdvance(QString::fromLatin1(SYNTAX_STYLES_SAMPLE_TEXT)) +
                          metrics.averageCharWidth() + frame + 4;
        const int height = metrics.height() + frame + 4;
        m_sample->setFixedSize(std::max(du.X(44), width), std::max(du.Y(19), height));
    }

    m_changeColour = new QPushButton(tr("Change &Colour..."), this);
    m_changeColour->setObjectName(QStringLiteral("IDC_CHANGE_COLOUR"));

    auto* stylesGroup = new QGroupBox(tr("Styles"), this);
    m_boldBox = new QCheckBox(tr("&Bold Style"), stylesGroup);
    m_boldBox->setObjectName(QStringLiteral("IDC_STYLE_BOLD"));
    m_italicBox = new QCheckBox(tr("&Italic Style"), stylesGroup);
    m_italicBox->setObjectName(QStringLiteral("IDC_STYLE_ITALIC"));

    auto* ok = new QPushButton(tr("OK"), this);
    ok->setObjectName(QStringLiteral("IDOK"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(tr("Cancel"), this);
    cancel->setObjectName(QStringLiteral("IDCANCEL"));
    for (QPushButton* button : {ok, cancel}) button->setMinimumWidth(du.X(50));

    setTabOrder(m_list, m_changeColour);
    setTabOrder(m_changeColour, m_boldBox);
    setTabOrder(m_boldBox, m_italicBox);
    setTabOrder(m_italicBox, ok);
    setTabOrder(ok, cancel);

    connect(m_list, &QListWidget::itemSelectionChanged, this, &CSyntaxStylesDlg::OnSelChangeStyle);
    connect(m_boldBox, &QCheckBox::clicked, this, &CSyntaxStylesDlg::OnStyleCheck);
    connect(m_italicBox, &QCheckBox::clicked, this, &CSyntaxStylesDlg::OnStyleCheck);
    connect(m_changeColour, &QPushButton::clicked, this, &CSyntaxStylesDlg::OnChangeColour);
    connect(ok, &QPushButton::clicked, this, &CSyntaxStylesDlg::accept);
    connect(cancel, &QPushButton::clicked, this, &CSyntaxStylesDlg::reject);

    // The list on the left under its label; on the right the Sample box, Change Colour
    // and the Styles box, one column wide; OK and Cancel centred below.
    auto* sampleLayout = new QVBoxLayout(sampleGroup);
    sampleLayout->addWidget(m_sample, 0, Qt::AlignCenter);

    auto* stylesLayout = new QVBoxLayout(stylesGroup);
    stylesLayout->setSpacing(du.Y(1));
    stylesLayout->addWidget(m_boldBox);
    stylesLayout->addWidget(m_italicBox);

    auto* left = new QVBoxLayout;
    left->setSpacing(du.Y(3));
    left->addWidget(typeLabel);
    left->addWidget(m_list);

    auto* right = new QVBoxLayout;
    right->setSpacing(0);
    sampleGroup->setMinimumWidth(du.X(56));
    stylesGroup->setMinimumWidth(du.X(56));
    right->addWidget(sampleGroup);
    right->addSpacing(du.Y(5));
    right->addWidget(m_changeColour);
    right->addSpacing(du.Y(4));
    right->addWidget(stylesGroup);
    right->addStretch(1);

    auto* top = new QHBoxLayout;
    top->setSpacing(du.X(7));
    top->addLayout(left);
    top->addLayout(right);

    auto* buttons = new QHBoxLayout;
    buttons->setSpacing(du.X(16));
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    buttons->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(du.X(7), du.Y(7), du.X(7), du.Y(7));
    layout->setSpacing(du.Y(16));
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CSyntaxStylesDlg::DoDataExchange(bool saveAndValidate)
{
    if (saveAndValidate) {
        m_bold = m_boldBox->isChecked() ? 1 : 0;
        m_italic = m_italicBox->isChecked() ? 1 : 0;
        m_name = SelectedItemText();
        return;
    }
    const QSignalBlocker blockBold(m_boldBox);
    const QSignalBlocker blockItalic(m_italicBox);
    const QSignalBlocker blockList(m_list);
    m_boldBox->setChecked(m_bold != 0);
    m_italicBox->setChecked(m_italic != 0);
    // The first item that begins with the name; with none the selection stays.
    const int row = FindItemBeginningWith(m_name);
    if (row >= 0) m_list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
}

bool CSyntaxStylesDlg::OnInitDialog()
{
    DoDataExchange(false);
    m_sample->SetWindowText(QString::fromLatin1(SYNTAX_STYLES_SAMPLE_TEXT));

    m_byName.clear();
    {
        const QSignalBlocker blockList(m_list);
        m_list->clear();
        m_styles.ForEach([this](CSyntaxStyleMap::WORD, CSyntaxStyle& style) {
            m_byName[style.m_name] = &style;
            m_list->addItem(QString::fromLatin1(style.m_name.data(), static_cast<qsizetype>(style.m_name.size())));
        });
        int row = g_lastStyleName.empty() ? -1 : FindItemBeginningWith(g_lastStyleName);
        if (row < 0) row = 0;
        if (row < m_list->count()) m_list->setCurrentRow(row, QItemSelectionModel::ClearAndSelect);
    }
    m_name = SelectedItemText();
    LoadSelectedStyle();
    // The focus starts on the first control in tab order.
    m_list->setFocus();
    return true;
}

void CSyntaxStylesDlg::LoadSelectedStyle()
{
    if (const auto found = m_byName.find(m_name); found != m_byName.end()) {
        const CSyntaxStyle& style = *found->second;
        m_colour = style.m_colour;
        m_bold = style.m_bold;
        m_italic = style.m_italic;
        ApplySample();
    }
    DoDataExchange(false);
}

void CSyntaxStylesDlg::StoreSelectedStyle()
{
    const auto found = m_byName.find(m_name);
    if (found == m_byName.end()) return;
    CSyntaxStyle& style = *found->second;
    style.m_colour = m_colour;
    style.m_bold = m_bold;
    style.m_italic = m_italic;
    ApplySample();
}

void CSyntaxStylesDlg::ApplySample()
{
    CHARFORMAT format;
    format.cbSize = 60;
    format.dwMask = CFM_BOLD | CFM_ITALIC | CFM_COLOR;
    format.dwEffects = (m_bold ? CFE_BOLD : 0u) | (m_italic ? CFE_ITALIC : 0u);
    format.crTextColor = m_colour;
    m_sample->SetSel(0, -1);
    m_sample->SetSelectionCharFormat(format);
    m_sample->SetSel(0, 0);
}

void CSyntaxStylesDlg::OnSelChangeStyle()
{
    // The attributes pending for the style selected until now go into its record.
    StoreSelectedStyle();
    DoDataExchange(true);
    LoadSelectedStyle();
}

void CSyntaxStylesDlg::OnStyleCheck()
{
    DoDataExchange(true);
    ApplySample();
}

void CSyntaxStylesDlg::OnChangeColour()
{
    DoDataExchange(true);
    COLORREF chosen = m_colour;
    const bool picked = g_colourChooser ? g_colourChooser(this, m_colour, chosen)
                                        : ChooseColourWithDialog(this, m_colour, chosen);
    if (!picked) return;
    m_colour = chosen;
    ApplySample();
}

void CSyntaxStylesDlg::accept()
{
    OnOK();
}

void CSyntaxStylesDlg::reject()
{
    OnCancel();
}

void CSyntaxStylesDlg::OnOK()
{
    DoDataExchange(true);
    StoreSelectedStyle();
    g_lastStyleName = SelectedItemText();
    if (m_styles.Equals(*m_pTarget)) {
        // Nothing changed: the target keeps its records and no view renders again.
        done(IDCANCEL);
        return;
    }
    m_pTarget->Copy(m_styles);
    DoDataExchange(true);
    done(IDOK);
}

void CSyntaxStylesDlg::OnCancel()
{
    DoDataExchange(true);
    g_lastStyleName = SelectedItemText();
    done(IDCANCEL);
}

int CSyntaxStylesDlg::FindItemBeginningWith(const std::string& prefix) const
{
    const QString text = QString::fromLatin1(prefix.data(), static_cast<qsizetype>(prefix.size()));
    for (int row = 0; row < m_list->count(); ++row)
        if (m_list->item(row)->text().startsWith(text, Qt::CaseInsensitive)) return row;
    return -1;
}

std::string CSyntaxStylesDlg::SelectedItemText() const
{
    const QList<QListWidgetItem*> selected = m_list->selectedItems();
    return selected.isEmpty() ? std::string() : selected.first()->text().toLatin1().toStdString();
}
