#pragma once
// CSyntaxStylesDlg: the Syntax Styles dialog. The user picks one of the twelve styles
// from a list and changes its colour, bold and italic attributes, watching the result
// on a small sample.
//
// Contract:
//  - The dialog edits a private Copy of the style set it is given (the target,
//    theStyleMap in the viewer). A Copy walks in the reverse order of its source, so
//    for theStyleMap the private set walks 0..11 and the list reads in code order.
//  - The attributes of the selected style live in m_colour, m_bold and m_italic until
//    the selection changes or OK is pressed; only then are they stored in the private
//    set. The sample always shows those attributes.
//  - OK stores the pending attributes; when the private set then Equals the target the
//    dialog ends with IDCANCEL and leaves the target alone, otherwise the target becomes
//    a Copy of the private set (its records replaced) and the dialog ends with IDOK.
//    Cancel, Escape and the close box end with IDCANCEL and discard every edit.
//  - Whichever way it ends, g_lastStyleName takes the selected style's name, and the
//    next dialog preselects the first item from the top that begins with it, ignoring
//    case ("Code" stays on "Code"), or the first item when none does.
//  - The dialog writes nothing to the settings: the styles are saved at exit.
//  - Refreshing the controls from the members never fires their handlers; the list's
//    handler runs only when the user changes the selection, and the user cannot leave
//    the list without a selection.
//  - The colour chooser is one replaceable function, so that tests never wait on it.

#include "syntax/SyntaxStyleMap.h"

#include <QDialog>

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>

class CSyntaxRichEditCtrl;
class QCheckBox;
class QListWidget;
class QPushButton;

inline constexpr int IDD_SYNTAX_STYLES = 130;
inline constexpr int IDC_STYLE_BOLD = 1001;
inline constexpr int IDC_STYLE_ITALIC = 1002;
inline constexpr int IDC_STYLE_SAMPLE = 1003;
inline constexpr int IDC_CHANGE_COLOUR = 1004;
inline constexpr int IDC_STYLE_LIST = 1005;

inline constexpr const char* SYNTAX_STYLES_CAPTION = "Syntax Styles";
inline constexpr const char* SYNTAX_STYLES_SAMPLE_TEXT = " Sample";

// The name of the style selected when a Syntax Styles dialog last closed; empty until
// then. Kept for the run only.
extern std::string g_lastStyleName;

// Asks the user for a colour, starting on initial. True with the choice in chosen; false
// when the user cancelled (chosen is then left alone).
using ColourChooser = std::function<bool(QWidget* parent, COLORREF initial, COLORREF& chosen)>;
// The viewer's chooser: a modal QColorDialog opened on initial, black included.
bool ChooseColourWithDialog(QWidget* parent, COLORREF initial, COLORREF& chosen);
// Installs the chooser that "Change Colour..." runs (an empty one restores
// ChooseColourWithDialog); returns the previous one.
ColourChooser SetColourChooser(ColourChooser chooser);

class CSyntaxStylesDlg : public QDialog {
    Q_OBJECT

public:
    // Edits a copy of target; target is changed only by OK with differences.
    explicit CSyntaxStylesDlg(CSyntaxStyleMap& target, QWidget* parent = nullptr);
    ~CSyntaxStylesDlg() override;

    // The OK command (the OK button, Enter) and the Cancel command (the Cancel button,
    // Escape, the close box). The dialog ends with IDOK or IDCANCEL, never with
    // QDialog's own codes.
    void accept() override;
    void reject() override;

private slots:
    void OnSelChangeStyle();
    void OnStyleCheck();
    void OnChangeColour();

private:
    void CreateControls();
    // Reads the controls into the members (saveAndValidate) or writes the members to
    // the controls, with the controls' signals blocked.
    void DoDataExchange(bool saveAndValidate);
    bool OnInitDialog();
    void OnOK();
    void OnCancel();

    void LoadSelectedStyle();
    void StoreSelectedStyle();
    void ApplySample();
    // The first list item from the top whose text begins with prefix, ignoring case; -1
    // when there is none.
    int FindItemBeginningWith(const std::string& prefix) const;
    std::string SelectedItemText() const;

    CSyntaxRichEditCtrl* m_sample = nullptr;
    QListWidget* m_list = nullptr;
    std::uint32_t m_bold = 0;
    std::uint32_t m_italic = 0;
    std::string m_name;  // the style being edited
    COLORREF m_colour = 0;
    CSyntaxStyleMap m_styles;  // the private copy
    CSyntaxStyleMap* m_pTarget;
    std::unordered_map<std::string, CSyntaxStyle*> m_byName;  // records of m_styles, not owned

    QCheckBox* m_boldBox = nullptr;
    QCheckBox* m_italicBox = nullptr;
    QPushButton* m_changeColour = nullptr;
};
