#pragma once
// CStreamLoader: makes the control's next store from a stream-in or from plain text,
// without touching what the control shows until the store is whole.
//
//  - The stream's callback is called with the cookie, a buffer, its size and an out
//    count; it returns 0 to go on and non-zero to fail. Bytes are pulled until a call
//    supplies 0 bytes or fails; what came before a failing call is kept and the
//    callback's value ends up in dwError.
//  - SF_RTF streams go through the RTF reader; SF_TEXT streams are plain text in which
//    CR LF, CR and LF each end a line.
//  - The control itself fails (no store, dwError STREAM_ERROR_FAILED) when there is no
//    callback, the format is neither, memory runs out, or the text would pass the byte
//    limit.

#include "view/RichTextStore.h"

#include <QString>

#include <cstdint>
#include <memory>
#include <string>

// The control's stream-in request.
using EDITSTREAMCALLBACK = long (*)(std::uintptr_t dwCookie, unsigned char* pbBuff, long cb, long* pcb);
struct EDITSTREAM {
    std::uintptr_t dwCookie = 0;
    long dwError = 0;
    EDITSTREAMCALLBACK pfnCallback = nullptr;
};
inline constexpr int SF_TEXT = 0x0001;
inline constexpr int SF_RTF = 0x0002;
// dwError when the control itself could not take the stream.
inline constexpr long STREAM_ERROR_FAILED = -1;

class CStreamLoader {
public:
    // The cursor of a stream of bytes in memory: the next byte to hand over and how many remain.
    struct CStreamCursor {
        const char* m_next = nullptr;
        std::uint64_t m_remaining = 0;
    };
    // Hands the cursor's bytes (dwCookie: a CStreamCursor*) to a stream-in, cb at a time.
    static long Callback(std::uintptr_t dwCookie, unsigned char* pbBuff, long cb, long* pcb);
    // Gives the memory that a render's document and the store's growth leave behind back
    // to the system.
    static void GiveBackMemory();
    // The size of the store that the document of source will fill: its text is at most
    // the source's bytes (and the document's length) and a final line feed; its lines
    // are the source's line feeds and two.
    static void ExpectedSize(const std::string& source, std::uint64_t documentLength, std::uint64_t& bytes,
                             std::uint64_t& lines);

    // The store made of stream, or null when the control fails (dwError says so).
    // expectedBytes and expectedLines (0: unknown) size the store at once.
    static std::shared_ptr<CRichTextStore> Load(int format, EDITSTREAM& stream, std::uint64_t byteLimit,
                                                std::uint64_t expectedBytes, std::uint64_t expectedLines);
    // A store of plain text in the default format.
    static std::shared_ptr<CRichTextStore> FromText(const QString& text);
};
