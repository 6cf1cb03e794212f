#pragma once
// The real glossel-lsp in a child process, for the benchmarks that need what only a
// process shows: its peak memory, and how soon an answer comes once a message is on
// its input. Messages are written as a client writes them; answers are read frame by
// frame and looked at only as far as their id.

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <sys/types.h>

class CServerProcess {
public:
    using Json = nlohmann::json;

    // Starts the server and initializes it (no workspace folder).
    explicit CServerProcess(const std::string& program);
    // Shuts it down and waits for it.
    ~CServerProcess();
    CServerProcess(const CServerProcess&) = delete;
    CServerProcess& operator=(const CServerProcess&) = delete;

    void Send(const Json& message);
    void Open(const std::string& uri, const std::string& text);
    // Reads frames until the answer to id; its body's bytes. error receives whether it
    // is an error answer.
    std::size_t AwaitAnswer(std::int64_t id, bool* error = nullptr);
    // The server's peak resident memory so far (VmHWM), in bytes.
    std::uint64_t PeakMemory() const;
    // The processor time the server has used so far (user and system), in seconds.
    double ProcessorSeconds() const;

private:
    void Write(const std::string& bytes);
    std::string ReadFrame();

    pid_t m_pid = -1;
    int m_in = -1;   // its standard input
    int m_out = -1;  // its standard output
    std::string m_buffer;
};
