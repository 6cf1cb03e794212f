#pragma once
// CSyntaxRichEditCtrl: the read-only rich text control that shows a rendered Inform
// document, and the small sample of the Syntax Styles dialog.
//
// PUBLIC CONTRACT (other folders rely on exactly these members; the implementation
// may add more, and fills in the private part):
//  - Create(style, rect, parent, id): makes the control a child of parent over rect,
//    with the creation style bits (ES_READONLY, ES_AUTOVSCROLL, ...) and the options of
//    its create handler; objectName becomes the identifier ("1000" for the view's).
//  - RenderSource(text): builds the document of text with theStyleMap, shows the
//    long-line message through GlosselMessageBox (owner: this control, caption
//    "File Error", MB_OK | MB_ICONEXCLAMATION), streams the document in with one
//    StreamIn and puts the caret at the start. RenderSource(text, styles) does the same
//    with another style set.
//  - StreamIn(SF_RTF, stream): replaces the whole content with the RTF pulled through
//    stream.pfnCallback until a call supplies 0 bytes or returns non-zero.
//  - SetSel(start, end) / GetSel: the selection in characters; (0, -1) selects all,
//    (0, 0) puts the caret before the first character.
//  - SetWindowText(text): replaces the content with plain text in the default format.
//  - SetSelectionCharFormat(format): applies colour, bold and italic (as the mask says)
//    to the selected text.
//  - Print(printer): paints the whole coloured text page by page.
//  - GetTextLength(), and the read-back members of the document's store, for tests.

#include "syntax/StyleCodes.h"

#include <QAbstractScrollArea>

#include <cstdint>
#include <string>

class CSyntaxStyleMap;
class QPrinter;

// The control's stream-in request: the callback is called with the cookie, a buffer,
// its size and an out count; it returns 0 to go on and non-zero to fail.
using EDITSTREAMCALLBACK = long (*)(std::uintptr_t dwCookie, unsigned char* pbBuff, long cb, long* pcb);
struct EDITSTREAM {
    std::uintptr_t dwCookie = 0;
    long dwError = 0;
    EDITSTREAMCALLBACK pfnCallback = nullptr;
};
inline constexpr int SF_TEXT = 0x0001;
inline constexpr int SF_RTF = 0x0002;

// Window style bits the control understands.
inline constexpr std::uint32_t WS_CHILD = 0x40000000u;
inline constexpr std::uint32_t WS_VISIBLE = 0x10000000u;
inline constexpr std::uint32_t WS_DISABLED = 0x08000000u;
inline constexpr std::uint32_t WS_BORDER = 0x00800000u;
inline constexpr std::uint32_t ES_MULTILINE = 0x0004u;
inline constexpr std::uint32_t ES_AUTOVSCROLL = 0x0040u;
inline constexpr std::uint32_t ES_AUTOHSCROLL = 0x0080u;
inline constexpr std::uint32_t ES_READONLY = 0x0800u;
inline constexpr std::uint32_t ES_WANTRETURN = 0x1000u;

// Options of EM_SETOPTIONS.
inline constexpr std::uint32_t ECO_AUTOVSCROLL = 0x0040u;
inline constexpr std::uint32_t ECO_AUTOHSCROLL = 0x0080u;
inline constexpr std::uint32_t ECO_NOHIDESEL = 0x0100u;
inline constexpr std::uint32_t ECO_READONLY = 0x0800u;
inline constexpr std::uint32_t ECO_WANTRETURN = 0x1000u;
inline constexpr std::uint32_t ECO_SAVESEL = 0x8000u;

// A character format as EM_SETCHARFORMAT takes it.
inline constexpr std::uint32_t CFM_BOLD = 0x00000001u;
inline constexpr std::uint32_t CFM_ITALIC = 0x00000002u;
inline constexpr std::uint32_t CFM_COLOR = 0x40000000u;
inline constexpr std::uint32_t CFE_BOLD = 0x0001u;
inline constexpr std::uint32_t CFE_ITALIC = 0x0002u;
struct CHARFORMAT {
    std::uint32_t cbSize = 60;
    std::uint32_t dwMask = 0;
    std::uint32_t dwEffects = 0;
    COLORREF crTextColor = 0;
};

class CSyntaxRichEditCtrl : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit CSyntaxRichEditCtrl(QWidget* parent = nullptr);
    ~CSyntaxRichEditCtrl() override;

    bool Create(std::uint32_t style, const QRect& rect, QWidget* parent, int id);

    void RenderSource(const std::string& text);
    void RenderSource(const std::string& text, const CSyntaxStyleMap& styles);

    long StreamIn(int format, EDITSTREAM& stream);
    void SetSel(long long start, long long end);
    void GetSel(long long& start, long long& end) const;
    void SetWindowText(const QString& text);
    bool SetSelectionCharFormat(const CHARFORMAT& format);
    std::uint32_t SetOptions(std::uint32_t options);  // ECOOP_SET: replaces all options
    std::uint32_t GetOptions() const;
    long long GetTextLength() const;  // in characters as shown

    void Print(QPrinter& printer);

private:
    // Filled in by the implementation.
};
