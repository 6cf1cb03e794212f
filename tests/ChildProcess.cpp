#include "ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace testsupport {

namespace {

// The environment of this process with changes ("NAME=value" sets, "NAME" removes).
std::vector<std::string> EnvironmentWith(const std::vector<std::string>& changes)
{
    std::vector<std::string> entries;
    for (char** entry = environ; *entry; ++entry) entries.emplace_back(*entry);
    for (const std::string& change : changes) {
        const std::string name = change.substr(0, change.find('='));
        std::erase_if(entries, [&](const std::string& entry) { return entry.compare(0, name.size() + 1, name + "=") == 0; });
        if (change.find('=') != std::string::npos) entries.push_back(change);
    }
    return entries;
}

std::vector<char*> Pointers(std::vector<std::string>& strings)
{
    std::vector<char*> pointers;
    for (std::string& s : strings) pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

// program itself when it names a folder; else the first executable of that name in the
// folders of PATH (or program, when there is none).
std::string FindProgram(const std::string& program)
{
    if (program.empty() || program.find('/') != std::string::npos) return program;
    const char* path = std::getenv("PATH");
    std::string folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    for (std::size_t start = 0; start <= folders.size();) {
        const std::size_t end = std::min(folders.find(':', start), folders.size());
        const std::string folder = end > start ? folders.substr(start, end - start) : ".";
        const std::string candidate = folder + "/" + program;
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return program;
}

// Only what may be called between fork and exec in a program with threads.
void WriteError(const char* text)
{
    const ssize_t ignored = write(STDERR_FILENO, text, std::strlen(text));
    (void)ignored;
}

}  // namespace

ChildProcess::~ChildProcess()
{
    if (m_pid > 0 && !m_ended) {
        kill(m_pid, SIGKILL);
        Reap(0);
    }
    for (int fd : {m_out, m_err})
        if (fd >= 0) close(fd);
}

bool ChildProcess::Start(const std::vector<std::string>& argv, const ChildOptions& options)
{
    std::vector<std::string> args = argv;
    const std::string program = FindProgram(argv.empty() ? std::string() : argv[0]);
    std::vector<std::string> environment = EnvironmentWith(options.environment);
    std::vector<char*> argPointers = Pointers(args);
    std::vector<char*> envPointers = Pointers(environment);
    const std::string failure = "cannot run " + (argv.empty() ? std::string() : argv[0]) + "\n";
    return Launch(
        [&] {
            if (!program.empty()) execve(program.c_str(), argPointers.data(), envPointers.data());
            WriteError(failure.c_str());
            _exit(127);
        },
        options);
}

bool ChildProcess::Start(const std::function<int()>& body, const ChildOptions& options)
{
    return Launch([&] { _exit(body()); }, options);
}

bool ChildProcess::Launch(const std::function<void()>& inChild, const ChildOptions& options)
{
    if (m_pid > 0) return false;
    int out[2], err[2];
    if (pipe2(out, O_CLOEXEC) != 0) return false;
    if (pipe2(err, O_CLOEXEC) != 0) {
        close(out[0]);
        close(out[1]);
        return false;
    }
    // The input from a file, so that a child that does not read it never holds us up.
    std::FILE* input = std::tmpfile();
    if (input) {
        std::fwrite(options.input.data(), 1, options.input.size(), input);
        std::fflush(input);
        std::rewind(input);
    }
    const std::string folder = options.workingDirectory;
    std::fflush(nullptr);  // nothing buffered is written twice
    m_pid = fork();
    if (m_pid == 0) {
        const int in = input ? fileno(input) : open("/dev/null", O_RDONLY);
        if (dup2(in, STDIN_FILENO) < 0 || dup2(out[1], STDOUT_FILENO) < 0 || dup2(err[1], STDERR_FILENO) < 0) _exit(127);
        if (in > STDERR_FILENO) close(in);
        if (!folder.empty() && chdir(folder.c_str()) != 0) {
            WriteError("cannot enter the working folder\n");
            _exit(127);
        }
        struct sigaction usual {};
        usual.sa_handler = SIG_DFL;
        for (int number : {SIGTERM, SIGHUP, SIGINT}) sigaction(number, &usual, nullptr);
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        inChild();
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    if (input) std::fclose(input);
    if (m_pid < 0) {
        close(out[0]);
        close(err[0]);
        return false;
    }
    m_out = out[0];
    m_err = err[0];
    m_ended = false;
    m_result = ChildResult{};
    m_deadline = std::chrono::steady_clock::now() + options.timeLimit;
    return true;
}

bool ChildProcess::Pump(int ms)
{
    pollfd fds[2];
    nfds_t count = 0;
    for (int fd : {m_out, m_err})
        if (fd >= 0) fds[count++] = {fd, POLLIN, 0};
    if (count == 0) return false;
    if (poll(fds, count, ms) < 0) return errno == EINTR;
    for (nfds_t i = 0; i < count; ++i) {
        if (!(fds[i].revents & (POLLIN | POLLHUP | POLLERR))) continue;
        char buffer[65536];
        const ssize_t got = read(fds[i].fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        int& fd = fds[i].fd == m_out ? m_out : m_err;
        if (got > 0) {
            (fd == m_out ? m_result.out : m_result.err).append(buffer, static_cast<std::size_t>(got));
        } else {
            close(fd);
            fd = -1;
        }
    }
    return m_out >= 0 || m_err >= 0;
}

const std::string& ChildProcess::ReadLine(std::chrono::milliseconds timeout)
{
    const auto until = std::chrono::steady_clock::now() + timeout;
    while (m_result.out.find('\n') == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - std::chrono::steady_clock::now());
        if (left.count() <= 0 || !Pump(static_cast<int>(left.count()))) break;
    }
    return m_result.out;
}

bool ChildProcess::Signal(int number) const
{
    return m_pid > 0 && !m_ended && kill(m_pid, number) == 0;
}

void ChildProcess::Reap(int flags)
{
    int status = 0;
    struct rusage usage {};
    pid_t done;
    do done = wait4(m_pid, &status, flags, &usage);
    while (done < 0 && errno == EINTR);
    if (done != m_pid) return;
    m_ended = true;
    m_result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    m_result.signal = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
    m_result.peakResidentBytes = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
}

bool ChildProcess::HasEnded()
{
    if (m_pid <= 0) return true;
    Pump(0);  // a child blocked on a full pipe would never end
    if (!m_ended) Reap(WNOHANG);
    return m_ended;
}

ChildResult ChildProcess::Wait()
{
    if (m_pid <= 0) {
        m_result.err = "no child was started";
        return m_result;
    }
    const auto left = [&] {
        return std::chrono::duration_cast<std::chrono::milliseconds>(m_deadline - std::chrono::steady_clock::now())
            .count();
    };
    // Its output as it comes, until it has ended and closed both streams (something it
    // started may still hold them: not past the time limit); past the limit it is killed.
    while (!m_ended || m_out >= 0 || m_err >= 0) {
        const long long ms = left();
        if (ms <= 0) {
            if (!m_ended) {
                m_result.timedOut = true;
                kill(m_pid, SIGKILL);
                Reap(0);
            }
            break;
        }
        const bool open = Pump(static_cast<int>(std::min(ms, 50LL)));
        if (!m_ended) Reap(WNOHANG);
        if (!open && !m_ended) std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return m_result;
}

ChildResult RunProgram(const std::vector<std::string>& argv, const ChildOptions& options)
{
    ChildProcess child;
    if (!child.Start(argv, options)) {
        ChildResult failed;
        failed.err = "could not start " + (argv.empty() ? std::string("nothing") : argv[0]);
        return failed;
    }
    return child.Wait();
}

int RunInChild(const std::function<int()>& body)
{
    ChildProcess child;
    if (!child.Start(body)) return -1;
    return child.Wait().exitCode;
}

}  // namespace testsupport
