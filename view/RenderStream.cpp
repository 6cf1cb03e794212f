#include "RenderStream.h"

#include "syntax/OutputBuffer.h"
#include "syntax/RtfBuilder.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <system_error>

CRenderStream::CRenderStream(const std::string& text, const CSyntaxStyleMap& styles)
{
    try {
        m_builder = std::thread([this, &text, &styles] { Build(text, styles); });
    } catch (const std::system_error&) {
        // No thread to be had: the whole document is built here, before it is read.
        m_inline = true;
        Build(text, styles);
    }
}

CRenderStream::~CRenderStream()
{
    if (!m_builder.joinable()) return;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopped = true;
    }
    m_changed.notify_all();
    m_builder.join();
}

void CRenderStream::Build(const std::string& text, const CSyntaxStyleMap& styles)
{
    RenderStatus status = RenderStatus::OutOfMemory;
    {
        COutputBuffer out;
        out.SetSink(&CRenderStream::Sink, this, CHUNK);
        CRtfBuilder builder;
        status = builder.BuildDocument(text.data(), text.size(), styles, out);
        if (status != RenderStatus::OutOfMemory) out.Flush();
    }
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        // A chunk that could not be kept makes the whole document fail.
        if (m_status != RenderStatus::OutOfMemory) m_status = status;
        m_built = true;
    }
    m_changed.notify_all();
}

void CRenderStream::Sink(void* context, const char* bytes, std::size_t n)
{
    auto& self = *static_cast<CRenderStream*>(context);
    std::unique_lock<std::mutex> lock(self.m_mutex);
    self.m_changed.wait(lock, [&] { return self.m_inline || self.m_stopped || self.m_chunks.size() < MAX_CHUNKS; });
    if (self.m_stopped || self.m_status == RenderStatus::OutOfMemory) return;
    try {
        std::vector<char> chunk;
        if (!self.m_spare.empty()) {
            chunk = std::move(self.m_spare.back());
            self.m_spare.pop_back();
        }
        chunk.assign(bytes, bytes + n);
        self.m_chunks.push_back(std::move(chunk));
    } catch (const std::bad_alloc&) {
        self.m_status = RenderStatus::OutOfMemory;
        self.m_stopped = true;
    }
    lock.unlock();
    self.m_changed.notify_all();
}

long CRenderStream::Callback(std::uintptr_t cookie, unsigned char* buffer, long cb, long* pcb)
{
    auto& self = *reinterpret_cast<CRenderStream*>(cookie);
    if (pcb) *pcb = 0;
    std::unique_lock<std::mutex> lock(self.m_mutex);
    self.m_changed.wait(lock, [&] { return !self.m_chunks.empty() || self.m_built || self.m_stopped; });
    if (self.m_status == RenderStatus::OutOfMemory) return -1;
    if (self.m_chunks.empty()) return 0;  // the end of the document
    std::vector<char>& front = self.m_chunks.front();
    const std::size_t k = std::min<std::size_t>(cb > 0 ? static_cast<std::size_t>(cb) : 0, front.size() - self.m_readInFront);
    std::memcpy(buffer, front.data() + self.m_readInFront, k);
    self.m_readInFront += k;
    if (self.m_readInFront == front.size()) {
        self.m_spare.push_back(std::move(front));
        self.m_chunks.pop_front();
        self.m_readInFront = 0;
        lock.unlock();
        self.m_changed.notify_all();
    }
    if (pcb) *pcb = static_cast<long>(k);
    return 0;
}

EDITSTREAM CRenderStream::Stream()
{
    EDITSTREAM stream;
    stream.dwCookie = reinterpret_cast<std::uintptr_t>(this);
    stream.dwError = 0;
    stream.pfnCallback = &CRenderStream::Callback;
    return stream;
}

RenderStatus CRenderStream::Finish()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopped = true;
    }
    m_changed.notify_all();
    if (m_builder.joinable()) m_builder.join();
    return m_status;
}
