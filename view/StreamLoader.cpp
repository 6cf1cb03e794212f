#include "StreamLoader.h"

#include "RtfReader.h"

#include <QByteArray>

#include <algorithm>
#include <cstring>
#include <new>

#ifdef __GLIBC__
#include <malloc.h>
#endif

namespace {

constexpr long kStreamBuffer = 64 * 1024;

// Reads plain text into a store: CR LF, CR and LF each end a line.
class CPlainTextReader {
public:
    explicit CPlainTextReader(CRichTextStore& store) : m_store(store) { m_store.Clear(); }
    void Feed(const char* data, std::size_t n)
    {
        std::size_t start = 0;
        for (std::size_t i = 0; i < n; ++i) {
            const char c = data[i];
            if (c != '\r' && c != '\n') {
                m_pendingCr = false;
                continue;
            }
            m_store.AppendText(data + start, i - start, 0);
            start = i + 1;
            if (c == '\n' && m_pendingCr) {
                m_pendingCr = false;  // the LF of a CR LF pair
                continue;
            }
            m_store.AppendParagraph(0);
            m_pendingCr = c == '\r';
        }
        m_store.AppendText(data + start, n - start, 0);
    }

private:
    CRichTextStore& m_store;
    bool m_pendingCr = false;
};

}  // namespace

long CStreamLoader::Callback(std::uintptr_t dwCookie, unsigned char* pbBuff, long cb, long* pcb)
{
    auto* cursor = reinterpret_cast<CStreamCursor*>(dwCookie);
    if (pcb) *pcb = 0;
    if (!cursor || !cursor->m_next) return -1;
    const std::uint64_t room = cb > 0 ? static_cast<std::uint64_t>(cb) : 0;
    const std::uint64_t k = std::min(room, cursor->m_remaining);
    if (k > 0) std::memcpy(pbBuff, cursor->m_next, static_cast<std::size_t>(k));
    cursor->m_next += k;
    cursor->m_remaining -= k;
    if (pcb) *pcb = static_cast<long>(k);
    return 0;
}

std::shared_ptr<CRichTextStore> CStreamLoader::Load(int format, EDITSTREAM& stream, std::uint64_t byteLimit,
                                                    std::uint64_t expectedBytes, std::uint64_t expectedLines)
{
    const int kind = format & 0x000F;
    if (!stream.pfnCallback || (kind != SF_RTF && kind != SF_TEXT)) {
        stream.dwError = STREAM_ERROR_FAILED;
        return nullptr;
    }
    std::shared_ptr<CRichTextStore> store;
    std::unique_ptr<unsigned char[]> buffer;
    try {
        store = std::make_shared<CRichTextStore>();
        buffer.reset(new unsigned char[kStreamBuffer]);
        if (expectedBytes > 0 && expectedBytes <= byteLimit) store->Reserve(expectedBytes, expectedLines);
    } catch (const std::bad_alloc&) {
        stream.dwError = STREAM_ERROR_FAILED;
        return nullptr;
    }

    bool failed = false;
    long error = 0;
    if (kind == SF_RTF) {
        CRtfReader reader(*store, byteLimit);
        for (;;) {
            long got = 0;
            error = stream.pfnCallback(stream.dwCookie, buffer.get(), kStreamBuffer, &got);
            if (error != 0 || got <= 0) break;
            if (!reader.Feed(reinterpret_cast<const char*>(buffer.get()),
                             static_cast<std::size_t>(std::min(got, kStreamBuffer)))) {
                // Out of memory: the rest of the stream is not read.
                break;
            }
        }
        failed = !reader.Finish();
    } else {
        try {
            CPlainTextReader reader(*store);
            for (;;) {
                long got = 0;
                error = stream.pfnCallback(stream.dwCookie, buffer.get(), kStreamBuffer, &got);
                if (error != 0 || got <= 0) break;
                const std::size_t n = static_cast<std::size_t>(std::min(got, kStreamBuffer));
                if (store->ByteLength() + n > byteLimit) {
                    failed = true;
                    break;
                }
                reader.Feed(reinterpret_cast<const char*>(buffer.get()), n);
            }
            if (!failed) store->Finish();
        } catch (const std::bad_alloc&) {
            failed = true;
        }
    }
    buffer.reset();
    if (failed) {
        stream.dwError = STREAM_ERROR_FAILED;
        return nullptr;
    }
    stream.dwError = error;
    return store;
}

std::shared_ptr<CRichTextStore> CStreamLoader::FromText(const QString& text)
{
    auto store = std::make_shared<CRichTextStore>();
    CPlainTextReader reader(*store);
    const QByteArray bytes = text.toUtf8();
    reader.Feed(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    store->Finish();
    return store;
}

void CStreamLoader::GiveBackMemory()
{
#ifdef __GLIBC__
    // The document and the store's growth were large, short-lived allocations.
    malloc_trim(0);
#endif
}

void CStreamLoader::ExpectedSize(const std::string& source, std::uint64_t documentLength, std::uint64_t& bytes,
                                 std::uint64_t& lines)
{
    bytes = std::min<std::uint64_t>(source.size(), documentLength) + 1;
    lines = 2;
    const char* end = source.data() + source.size();
    for (const char* p = source.data(); (p = static_cast<const char*>(std::memchr(p, '\n', end - p))); ++p) ++lines;
}
