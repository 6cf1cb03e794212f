#include "SelectionMimeData.h"

#include <QColor>
#include <QGuiApplication>

namespace {

const QString kTextPlain = QStringLiteral("text/plain");
const QString kTextHtml = QStringLiteral("text/html");

QString FromUnits(std::u16string_view units)
{
    return QString(reinterpret_cast<const QChar*>(units.data()), static_cast<qsizetype>(units.size()));
}

void AppendEscaped(QString& html, std::u16string_view units)
{
    for (const char16_t c : units) {
        switch (c) {
        case u'&': html += QLatin1String("&amp;"); break;
        case u'<': html += QLatin1String("&lt;"); break;
        case u'>': html += QLatin1String("&gt;"); break;
        case u'"': html += QLatin1String("&quot;"); break;
        case u'\n':
        case u'\t': html += QChar(c); break;
        case 0xFEFF: break;
        default:
            if (c < 0x20)
                html += QChar(static_cast<char16_t>(0x2400 + c));  // the control's symbol
            else if (c == 0x7F)
                html += QChar(static_cast<char16_t>(0x2421));
            else if (c >= 0x80 && c <= 0x9F)
                html += QChar(static_cast<char16_t>(0xFFFD));
            else
                html += QChar(c);
            break;
        }
    }
}

}  // namespace

QString PlainTextOf(const CRichTextStore& store, std::uint64_t from, std::uint64_t to)
{
    return FromUnits(store.Text(from, to));
}

QString HtmlOf(const CRichTextStore& store, std::uint64_t from, std::uint64_t to, const QString& fontFamily,
               int pointSize)
{
    QString html = QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body>"
                                  "<pre style=\"font-family:'%1',monospace;font-size:%2pt;background-color:#ffffff\">")
                       .arg(fontFamily.toHtmlEscaped())
                       .arg(pointSize);
    bool open = false;
    CCharFormat current;
    store.ForEachSpan(from, to, [&](const CCharFormat& format, std::u16string_view units) {
        if (!open || !(format == current)) {
            if (open) html += QLatin1String("</span>");
            const QColor colour(GetRValue(format.colour), GetGValue(format.colour), GetBValue(format.colour));
            html += QLatin1String("<span style=\"color:") + colour.name();
            if (format.bold) html += QLatin1String(";font-weight:bold");
            if (format.italic) html += QLatin1String(";font-style:italic");
            html += QLatin1String("\">");
            current = format;
            open = true;
        }
        AppendEscaped(html, units);
    });
    if (open) html += QLatin1String("</span>");
    html += QLatin1String("</pre></body></html>");
    return html;
}

CSelectionMimeData::CSelectionMimeData(std::shared_ptr<const CRichTextStore> store, std::uint64_t from,
                                       std::uint64_t to, QString fontFamily, int pointSize)
    : m_store(std::move(store)), m_from(from), m_to(to), m_fontFamily(std::move(fontFamily)), m_pointSize(pointSize)
{
}

void CSelectionMimeData::Offer(std::shared_ptr<const CRichTextStore> store, std::uint64_t from, std::uint64_t to,
                               const QFont& font, QClipboard::Mode mode)
{
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (from >= to || (mode == QClipboard::Selection && !clipboard->supportsSelection())) return;
    clipboard->setMimeData(new CSelectionMimeData(std::move(store), from, to, font.family(), font.pointSize()), mode);
}

QStringList CSelectionMimeData::formats() const { return {kTextPlain, kTextHtml}; }

bool CSelectionMimeData::hasFormat(const QString& mimeType) const
{
    return mimeType == kTextPlain || mimeType == kTextHtml;
}

QVariant CSelectionMimeData::retrieveData(const QString& mimeType, QMetaType type) const
{
    if (mimeType == kTextPlain) {
        if (!m_haveText) {
            m_text = PlainTextOf(*m_store, m_from, m_to);
            m_haveText = true;
        }
        if (type.id() == QMetaType::QByteArray) return m_text.toUtf8();
        return m_text;
    }
    if (mimeType == kTextHtml) {
        if (!m_haveHtml) {
            m_html = HtmlOf(*m_store, m_from, m_to, m_fontFamily, m_pointSize);
            m_haveHtml = true;
        }
        if (type.id() == QMetaType::QByteArray) return m_html.toUtf8();
        return m_html;
    }
    return QMimeData::retrieveData(mimeType, type);
}
