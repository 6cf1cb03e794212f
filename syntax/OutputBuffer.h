#pragma once
// COutputBuffer: a growable, zero-terminated byte buffer that reports running out of
// memory instead of throwing. Every output format (RTF, HTML, terminal text) is built
// in one, whole or as a stream handed to a sink a chunk at a time.

#include <cstddef>
#include <string_view>

class COutputBuffer {
public:
    COutputBuffer() = default;
    ~COutputBuffer();
    COutputBuffer(const COutputBuffer&) = delete;
    COutputBuffer& operator=(const COutputBuffer&) = delete;

    const char* Data() const { return m_data ? m_data : ""; }
    std::size_t Length() const { return m_length; }
    std::size_t Capacity() const { return m_capacity; }
    std::string_view View() const { return {Data(), m_length}; }

    void Clear() { m_length = 0; if (m_data) m_data[0] = '\0'; }
    void Free();
    // Sets the capacity (never below the content; for a stream, never above its chunk);
    // false when memory runs out.
    bool SetCapacity(std::size_t capacity);
    // The caller has made room; writes bytes and the terminating zero.
    void AppendUnchecked(const char* bytes, std::size_t n);
    bool Append(const char* bytes, std::size_t n);
    bool Append(std::string_view s) { return Append(s.data(), s.size()); }

    // Writing in place: Room makes sure that n more bytes fit (growing the capacity by
    // at least grow when they do not, or handing the content to the sink; false when
    // memory runs out), the caller writes them from End(), and Commit takes the content
    // up to end.
    bool Room(std::size_t n, std::size_t grow)
    {
        return m_capacity - m_length >= n || MakeRoom(n, grow);
    }

    // A stream instead of a whole document: once a sink is set, the buffer never holds
    // more than about chunk bytes. Whenever a write would not fit, the content so far
    // goes to the sink and the buffer starts empty again; the writer hands the rest
    // over with Flush when it is done. Data() and Length() then hold only what has not
    // been handed over yet. The sink reports its own failures to its owner.
    using Sink = void (*)(void* context, const char* bytes, std::size_t n);
    void SetSink(Sink sink, void* context, std::size_t chunk);
    void Flush();
    char* End() { return m_data + m_length; }
    void Commit(char* end)
    {
        m_length = static_cast<std::size_t>(end - m_data);
        m_data[m_length] = '\0';
    }

    // For a reader that has consumed the bytes before offset and will not read them
    // again: gives their memory back to the system, in whole large pages, once enough
    // has gathered. Those bytes read as zeros afterwards; length and capacity stay.
    // While a document of hundreds of megabytes streams into the control, the control's
    // store grows as the document is consumed, so the two never peak together.
    void ReleaseBefore(std::size_t offset);

private:
    bool MakeRoom(std::size_t n, std::size_t grow);
    bool Resize(std::size_t capacity);

    Sink m_sink = nullptr;
    void* m_sinkContext = nullptr;
    std::size_t m_chunk = 0;

    char* m_data = nullptr;
    std::size_t m_mapSize = 0;   // the mapping's size when the buffer is a mapping of its own
    std::size_t m_released = 0;  // bytes from m_data's large-page boundary already given back
    std::size_t m_length = 0;
    std::size_t m_capacity = 0;  // bytes usable for content, the terminating zero not counted
};
