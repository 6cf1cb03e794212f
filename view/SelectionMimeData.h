#pragma once
// CSelectionMimeData: a copied selection, offered as plain text and as HTML with its
// colours. The text is made only when a reader asks for it (a large selection put on
// the X11 PRIMARY selection costs nothing until it is pasted), from a snapshot of the
// store that the control never changes afterwards.

#include "view/RichTextStore.h"

#include <QClipboard>
#include <QFont>
#include <QMimeData>
#include <QString>

#include <cstdint>
#include <memory>

class CSelectionMimeData : public QMimeData {
public:
    // fontFamily and pointSize name the font of the HTML.
    CSelectionMimeData(std::shared_ptr<const CRichTextStore> store, std::uint64_t from, std::uint64_t to,
                       QString fontFamily, int pointSize);

    // Puts from..to of store on the clipboard or the selection (X11 PRIMARY, where the
    // system has it); nothing for an empty range.
    static void Offer(std::shared_ptr<const CRichTextStore> store, std::uint64_t from, std::uint64_t to,
                      const QFont& font, QClipboard::Mode mode);

    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    std::shared_ptr<const CRichTextStore> m_store;
    std::uint64_t m_from;
    std::uint64_t m_to;
    QString m_fontFamily;
    int m_pointSize;
    mutable QString m_text;
    mutable QString m_html;
    mutable bool m_haveText = false;
    mutable bool m_haveHtml = false;
};

// The units from..to of store as plain text (line feeds between lines).
QString PlainTextOf(const CRichTextStore& store, std::uint64_t from, std::uint64_t to);
// The same units as an HTML fragment: one <pre> in the control's font, one <span> per
// stretch of one format with its colour, weight and slant. Control characters, which
// HTML cannot carry, appear as their visible symbols; the byte-order mark is left out.
QString HtmlOf(const CRichTextStore& store, std::uint64_t from, std::uint64_t to, const QString& fontFamily,
               int pointSize);
