#pragma once
// CSyntaxRichEditCtrl: the read-only rich text control that shows a rendered Inform
// document, and the small sample of the Syntax Styles dialog.
//
// PUBLIC CONTRACT (other folders rely on exactly these members; the implementation
// may add more, and fills in the private part):
//  - Create(style, rect, parent, id): makes the control a child of parent over rect,
//    with the creation style bits (ES_READONLY, ES_AUTOVSCROLL, ...) and the options of
//    its create handler; objectName becomes the identifier ("1000" for the view's).
//    Of the style, WS_VISIBLE, WS_DISABLED and WS_BORDER change the control; it is
//    always multi-line and read-only, and scrolls with the caret in both directions.
//    The create handler keeps the selection shown while unfocused (ECO_NOHIDESEL).
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
//
// What the control adds to that contract:
//  - The text is kept in a CRichTextStore (bytes, runs, lines) and shown decoded as
//    UTF-8 when all of it is valid UTF-8 with some byte above 0x7F, else as
//    Windows-1252. Positions (SetSel, GetSel, GetTextLength) count UTF-16 units of the
//    text as shown, line feeds included.
//  - A render that runs out of memory (while the document is built or read) leaves
//    the content, selection and scrolling as they were; LastRenderFailed() says so.
//  - StreamIn returns the number of characters now shown. A callback that returns
//    non-zero ends the stream: what was read until then is shown and stream.dwError
//    holds the callback's value. When the control itself fails (no callback, out of
//    memory, unknown format) the content stays and dwError is STREAM_ERROR_FAILED.
//  - The control paints with its own font (font(): "Courier New" 10 pt, fixed pitch,
//    unless the owner sets another), a white ground and a black caret, and keeps its
//    real colours when disabled (then without caret, selection or focus).
//  - After a render the text is the source's text with every line ending in a line
//    feed (the document's last paragraph mark closes the last line and adds nothing):
//    "a\nb" and "a\nb\n" both show as "a", "b" and an empty last line.
//  - Print prints in colour (whatever the printer's default colour mode), wraps lines
//    longer than the page and writes printer.docName() and the page number at the foot
//    of every page; a page range set on the printer is honoured. It always prints in
//    font(), whatever size the screen shows. CPagePrinter paints the same pages on any
//    paint device.
//  - Hiding a focused widget moves Qt's keyboard focus elsewhere; an owner that hides
//    the control around a render gives the focus back after showing it.
//  - For reading: a source of highlights asked at every paint for the rows shown (the
//    find bar's matches); GoToLine, which brings a line to the middle of the view; the
//    caret's line and column; and a zoom of the text for the run (Ctrl with =, +, -, 0
//    or the wheel; CTextZoom), which printing ignores.
//
// The widget only joins its parts and answers Qt's events:
//  - CStreamLoader makes a new store from a stream-in or plain text;
//  - CCaretModel holds the caret and the selection, CCaretMotion says where the keys
//    take them, and CKeyTable is the one list of the keys the control acts on;
//  - CRowLayout lays the rows out in the screen font (SetFont: any size), CRowScroller
//    says which of them the viewport shows and where, CRowPainter paints them with the
//    selection and any highlighted ranges (SetHighlights) over the marks (SetMarks);
//  - CMouseSelection selects with the mouse's clicks and drags;
//  - CPagePrinter paints pages on a printer or any other paint device;
//  - CRichEditAccessible answers screen readers and tells them of caret moves.

#include "view/CaretBlink.h"
#include "view/CaretModel.h"
#include "view/HighlightSet.h"
#include "view/MouseSelection.h"
#include "view/RichTextStore.h"
#include "view/RowLayout.h"
#include "view/RowPainter.h"
#include "view/RowScroller.h"
#include "view/StreamLoader.h"
#include "view/TextMarks.h"
#include "view/TextZoom.h"

#include "game/Location.h"
#include "syntax/ShownLines.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class CFindSession;
class CSyntaxStyleMap;
class QMenu;
class QPrinter;

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

// The option of EM_SETOPTIONS that changes the control: the selection stays shown while
// the control does not have the focus. Whatever the options, the control is read-only,
// keeps its selection while unfocused and scrolls with the caret both ways.
inline constexpr std::uint32_t ECO_NOHIDESEL = 0x0100u;

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
    // ECOOP_SET: replaces all options; returns the options the control now has.
    std::uint32_t SetOptions(std::uint32_t options);
    std::uint32_t GetOptions() const;
    long long GetTextLength() const;  // in characters as shown

    void Print(QPrinter& printer);

    // ---- Added to the contract ----

    // The stream cursor of a render and the callback that hands its bytes over.
    using CStreamCursor = CStreamLoader::CStreamCursor;
    static long StreamInCallback(std::uintptr_t dwCookie, unsigned char* pbBuff, long cb, long* pcb)
    {
        return CStreamLoader::Callback(dwCookie, pbBuff, cb, pcb);
    }

    // True when the last RenderSource or StreamIn ran out of memory (content kept).
    bool LastRenderFailed() const { return m_lastRenderFailed; }
    // How the last RenderSource ended: Ok; LongLine, the text shown stopping before the
    // long line, whose message was shown; or OutOfMemory, nothing changed.
    RenderStatus LastRenderStatus() const { return m_lastRenderStatus; }
    // Caps the bytes of text one stream-in may store; reaching the cap fails like running
    // out of memory. For tests of that failure; unlimited by default.
    void SetTextByteLimit(std::uint64_t limit) { m_textByteLimit = limit; }

    // The document as shown, for reading back (tests, accessibility, copying).
    const CRichTextStore& GetStore() const { return *m_store; }

    // The text shown as the window around the control sees it, which never reads the
    // store itself: places as the game names them (game/Location.h: a line of the text,
    // the bytes before the place on it), the bytes shown and their decoding.
    Location LocationAt(long long pos) const;
    // The position of at: past the end of its line, that line's end; past the last
    // line, the last line.
    long long PosOf(const Location& at) const;
    // The position of the character that begins at byte offset of the text shown.
    long long PosOfByte(std::uint64_t offset) const;
    std::string_view ShownBytes() const { return m_store->Bytes(); }
    display::Encoding ShownEncoding() const { return m_store->Encoding(); }
    // The rows of the text (Go to Line goes to one of them), and its bidirectional controls.
    long long GetRowCount() const { return static_cast<long long>(m_store->RowCount()); }
    std::uint64_t BidiControlCount() const { return m_store->BidiControlCount(); }
    // The row pos lies in, and a row's first position and the end of its characters.
    long long RowOf(long long pos) const;
    void GetRowRange(long long row, long long& from, long long& to) const;
    // Points a search at the text shown (until the next text replaces it).
    void ResetFind(CFindSession& session) const;
    QString GetText(long long from, long long to) const;
    QString GetSelText() const;
    // Whether a new text waits for its first paint (textShown comes then).
    bool IsTextShownPending() const { return m_textShownPending; }
    long long GetCaretPos() const { return static_cast<long long>(m_selection.Caret()); }
    // The first row shown at the top, and the horizontal scroll in pixels.
    long long GetFirstVisibleLine() const { return static_cast<long long>(m_scroller.TopRow()); }
    int GetHorizontalScroll() const { return m_scroller.ScrollX(); }
    // The rectangle of the character at pos in viewport coordinates (its cell; at the end
    // of a row, a caret-wide cell), and the character position nearest to a point.
    QRect CharRect(long long pos) const;
    long long CharFromPos(const QPoint& point) const;
    // Scrolls so that pos is visible.
    void ScrollToPos(long long pos);
    // Ranges painted on their own background under the selection (found text, say);
    // they stay until the text is replaced or other ranges are set.
    void SetHighlights(std::vector<CTextHighlight> highlights);

    // Asked at every paint for the highlights of the rows shown, from..to in positions
    // as shown; they are painted with those of SetHighlights. An empty source asks nothing.
    using HighlightSource = CHighlightSet::Source;
    void SetHighlightSource(HighlightSource source);

    // Runs of the text marked over the styles (code the compiler skips; CTextMarks): a
    // tint under the highlights, whole rows tinted across the view with a bar in the left
    // margin. They stay until the text is replaced or others are set; printing ignores them.
    void SetMarks(std::vector<CMarkedRun> runs, const QColor& tint, const QColor& bar);
    const CTextMarks& Marks() const { return m_marks; }

    // Puts the caret at pos (clamped to the text) and brings its row to the middle of the
    // view, where it stays while the view changes size until the caret moves or the
    // view scrolls. GoToLine does the same with the start of row line (from 0, clamped).
    void GoToPos(long long pos);
    void GoToLine(long long line);
    // Scrolls the rows by lines (down when positive), as far as the text allows; the
    // caret stays where it is.
    void LineScroll(long long lines);
    // The caret's row and its column as drawn (from 0; tab stops every 8 columns).
    long long GetCaretLine() const;
    long long GetCaretColumn() const;
    // The size in points the text is shown in; zooming keeps the row at the top, and a
    // caret that was in view in view.
    int GetZoom() const { return m_zoom.Points(font()); }
    void SetZoom(int points) { if (m_zoom.Set(points, font())) ZoomChanged(); }
    void ZoomIn() { if (m_zoom.In(font())) ZoomChanged(); }
    void ZoomOut() { if (m_zoom.Out(font())) ZoomChanged(); }

    void Copy();
    void SelectAll();
    // The context menu: Copy and Select All. The caller owns it.
    QMenu* CreateContextMenu();

Q_SIGNALS:
    // The caret or the selection moved.
    void selectionChanged();
    // A new text replaced the old one (a render, a stream-in, SetWindowText).
    void textReplaced();
    // The first paint of a new text is done.
    void textShown();
    // The zoom changed to points.
    void zoomChanged(int points);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void contextMenuEvent(QContextMenuEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void changeEvent(QEvent* e) override;
    void timerEvent(QTimerEvent* e) override;

private:
    void ReplaceStore(std::shared_ptr<CRichTextStore> store);

    void EnsureCaretVisible();

    // Puts the anchor and the caret where a key or the mouse took them, brings the caret
    // into view and restarts its blink; keepGoalX for the moves that keep to a column.
    void PlaceCaret(std::uint64_t anchor, std::uint64_t caret, bool keepGoalX = false);
    // Puts what the mouse selected, if anything, and keeps a drag outside the view going.
    bool PlaceMouseSelection(const std::optional<CMouseSelection::Result>& selected);
    void SetSelection(std::uint64_t anchor, std::uint64_t caret);
    void SelectionChangedByUser();
    void RestartBlink();
    void UpdateCaret();
    // After a zoom: the layout in the new size, the row at the top kept.
    void ZoomChanged();

    std::shared_ptr<CRichTextStore> m_store;
    CCaretModel m_selection;
    CRowLayout m_layout;
    CRowScroller m_scroller;
    CHighlightSet m_highlights;
    CTextMarks m_marks;
    std::vector<CTextHighlight> m_paintHighlights;  // kept between paints for its memory
    std::optional<std::size_t> m_centreRow;  // the row GoToLine keeps in the middle
    bool m_textShownPending = false;
    CTextZoom m_zoom;

    CCaretBlink m_blink;
    CMouseSelection m_mouse;
    QBasicTimer m_autoScrollTimer;  // while a drag is outside the view

    bool m_keepSelectionShown = false;  // ECO_NOHIDESEL
    bool m_lastRenderFailed = false;
    RenderStatus m_lastRenderStatus = RenderStatus::Ok;
    std::uint64_t m_textByteLimit = UINT64_MAX;
};
