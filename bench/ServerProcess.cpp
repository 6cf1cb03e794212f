#include "ServerProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

CServerProcess::CServerProcess(const std::string& program)
{
    int in[2];
    int out[2];
    if (::pipe(in) != 0 || ::pipe(out) != 0) throw std::runtime_error("no pipes");
    std::signal(SIGPIPE, SIG_IGN);
    m_pid = ::fork();
    if (m_pid < 0) throw std::runtime_error("no child");
    if (m_pid == 0) {
        ::dup2(in[0], STDIN_FILENO);
        ::dup2(out[1], STDOUT_FILENO);
        ::close(in[0]);
        ::close(in[1]);
        ::close(out[0]);
        ::close(out[1]);
        std::freopen("/dev/null", "w", stderr);
        ::execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(in[0]);
    ::close(out[1]);
    m_in = in[1];
    m_out = out[0];
    Send({{"id", 0}, {"method", "initialize"}, {"params", {{"capabilities", Json::object()}}}});
    AwaitAnswer(0);
    Send({{"method", "initialized"}, {"params", Json::object()}});
}

CServerProcess::~CServerProcess()
{
    try {
        Send({{"id", 999999}, {"method", "shutdown"}});
        AwaitAnswer(999999);
        Send({{"method", "exit"}});
    } catch (...) {
    }
    ::close(m_in);
    ::close(m_out);
    int status = 0;
    ::waitpid(m_pid, &status, 0);
}

void CServerProcess::Write(const std::string& bytes)
{
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(m_in, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) throw std::runtime_error("the server's input is closed");
        done += static_cast<std::size_t>(n);
    }
}

void CServerProcess::Send(const Json& message)
{
    Json m = message;
    m["jsonrpc"] = "2.0";
    const std::string body = m.dump();
    Write("Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body);
}

void CServerProcess::Open(const std::string& uri, const std::string& text)
{
    Send({{"method", "textDocument/didOpen"},
          {"params", {{"textDocument", {{"uri", uri}, {"languageId", "inform6"}, {"version", 1}, {"text", text}}}}}});
}

std::string CServerProcess::ReadFrame()
{
    const auto fill = [&] {
        char chunk[1 << 16];
        const ssize_t n = ::read(m_out, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) return;
        if (n <= 0) throw std::runtime_error("the server's output ended");
        m_buffer.append(chunk, static_cast<std::size_t>(n));
    };
    std::size_t end;
    while ((end = m_buffer.find("\r\n\r\n")) == std::string::npos) fill();
    const std::size_t length = std::stoull(m_buffer.substr(m_buffer.find(':') + 1, end));
    m_buffer.erase(0, end + 4);
    while (m_buffer.size() < length) fill();
    std::string body = m_buffer.substr(0, length);
    m_buffer.erase(0, length);
    return body;
}

std::size_t CServerProcess::AwaitAnswer(std::int64_t id, bool* error)
{
    const std::string wanted = "\"id\":" + std::to_string(id) + ",";
    for (;;) {
        const std::string body = ReadFrame();
        // The id stands near the start of an answer ({"jsonrpc":"2.0","id":N,... or, with
        // the members in order, {"error":{...},"id":N,...).
        const std::string head = body.substr(0, 200);
        if (head.find(wanted) != std::string::npos && head.find("\"method\"") == std::string::npos) {
            if (error) *error = head.find("\"error\"") != std::string::npos;
            return body.size();
        }
    }
}

std::uint64_t CServerProcess::PeakMemory() const
{
    std::ifstream status("/proc/" + std::to_string(m_pid) + "/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind("VmHWM:", 0) == 0) return std::strtoull(line.c_str() + 6, nullptr, 10) * 1024;
    return 0;
}

double CServerProcess::ProcessorSeconds() const
{
    std::ifstream stat("/proc/" + std::to_string(m_pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Fields 14 and 15 (utime, stime) count after the ')' that ends the name.
    std::istringstream fields(text.substr(text.rfind(')') + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i)
        if (i >= 14) ticks += std::stod(field);
    return ticks / static_cast<double>(::sysconf(_SC_CLK_TCK));
}
