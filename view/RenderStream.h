#pragma once
// CRenderStream: the document of a text (CRtfBuilder's RTF, byte for byte) built on a
// thread of its own while the control's stream-in reads it, so that a large text takes
// about as long as the longer of the two, not both one after the other, and the whole
// document is never held at once: at most MAX_CHUNKS chunks of CHUNK bytes wait.
//
//  - The builder starts at construction; when no thread can be had, the whole document
//    is built there and then, and read afterwards.
//  - Stream() is the stream-in request: its callback hands the document's bytes over in
//    order, as CStreamLoader::Callback does with a document in memory, and supplies 0
//    bytes at its end.
//  - Finish() waits for the builder and gives how the document ended (Ok, LongLine,
//    OutOfMemory). A reader that stops early (out of memory) lets the builder run on to
//    its end with nothing kept.
//  - The text and the styles must stay unchanged until Finish has returned.

#include "view/StreamLoader.h"

#include "syntax/ShownLines.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CSyntaxStyleMap;

class CRenderStream {
public:
    static constexpr std::size_t CHUNK = 256u << 10;
    static constexpr std::size_t MAX_CHUNKS = 16;

    CRenderStream(const std::string& text, const CSyntaxStyleMap& styles);
    ~CRenderStream();
    CRenderStream(const CRenderStream&) = delete;
    CRenderStream& operator=(const CRenderStream&) = delete;

    EDITSTREAM Stream();
    RenderStatus Finish();

private:
    static long Callback(std::uintptr_t cookie, unsigned char* buffer, long cb, long* pcb);
    static void Sink(void* context, const char* bytes, std::size_t n);
    void Build(const std::string& text, const CSyntaxStyleMap& styles);

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::vector<char>> m_chunks;  // built, not yet read
    std::vector<std::vector<char>> m_spare;  // read, for the builder to fill again
    std::size_t m_readInFront = 0;           // bytes of the first chunk already handed over
    bool m_built = false;
    bool m_stopped = false;  // the reader wants no more
    bool m_inline = false;   // built before it is read, with no thread
    RenderStatus m_status = RenderStatus::Ok;
    std::thread m_builder;
};
