#pragma once
// How a long answer learns that its request was cancelled while it runs.
//
// The work of an answer calls Check() as it goes (once a line, once a use of a name);
// every CHECK_EVERY calls, and no more often than every CHECK_INTERVAL, Check asks the
// server whether a `$/cancelRequest` for the running request has come in since, and
// throws RequestCancelled when it has. The server answers the request with
// RequestCancelled. A check without a question (the default) never cancels.

#include <chrono>
#include <cstdint>
#include <functional>

struct RequestCancelled {};

class CCancelCheck {
public:
    static constexpr std::uint32_t CHECK_EVERY = 64;
    static constexpr std::chrono::milliseconds CHECK_INTERVAL{2};

    CCancelCheck() = default;
    explicit CCancelCheck(std::function<bool()> cancelled) : m_cancelled(std::move(cancelled)) {}

    void Check()
    {
        if (!m_cancelled || ++m_calls < CHECK_EVERY) return;
        m_calls = 0;
        const auto now = std::chrono::steady_clock::now();
        if (now - m_last < CHECK_INTERVAL) return;
        m_last = now;
        if (m_cancelled()) throw RequestCancelled{};
    }

private:
    std::function<bool()> m_cancelled;
    std::uint32_t m_calls = 0;
    std::chrono::steady_clock::time_point m_last{};
};

// The check of the request being answered on this thread (one that never cancels
// outside a request).
CCancelCheck& CurrentCancelCheck();

// Makes check the current one for its lifetime.
class CCancelScope {
public:
    explicit CCancelScope(CCancelCheck& check);
    ~CCancelScope();
    CCancelScope(const CCancelScope&) = delete;
    CCancelScope& operator=(const CCancelScope&) = delete;

private:
    CCancelCheck* m_previous;
};
