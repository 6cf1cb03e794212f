#pragma once
// Runs a program, or a function of this test program, in a child process, for every
// suite that needs one: its output and error read as it runs, its exit status or the
// signal that ended it, its peak resident memory, and a time limit past which it is
// killed.
//
// The child starts with SIGTERM, SIGHUP and SIGINT at their usual effect and no signal
// blocked, whatever this program was started with; its standard input is empty unless
// the options give one. Everything the child needs is made before the fork, so that a
// program with threads can start one safely.

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

namespace testsupport {

struct ChildResult {
    int exitCode = -1;  // -1 when it did not exit by itself
    int signal = 0;     // the signal that ended it, or 0
    bool timedOut = false;
    std::string out;
    std::string err;
    std::uint64_t peakResidentBytes = 0;
    // Exited by itself with status 0.
    bool Succeeded() const { return exitCode == 0; }
};

struct ChildOptions {
    // NAME=value sets NAME in the child's environment (a copy of this one); NAME alone
    // removes it.
    std::vector<std::string> environment;
    std::string workingDirectory;  // empty: this program's
    std::string input;             // its standard input
    std::chrono::milliseconds timeLimit = std::chrono::minutes(5);
};

class ChildProcess {
public:
    ChildProcess() = default;
    // Kills a child that still runs and waits for it.
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts the program argv[0] (a path, or a name looked up in PATH) with argv;
    // false when no child could be made. A program that cannot be run ends with exit
    // status 127 and says so on its error.
    bool Start(const std::vector<std::string>& argv, const ChildOptions& options = {});
    // Runs body in a copy of this process; what it returns is the exit status.
    bool Start(const std::function<int()>& body, const ChildOptions& options = {});

    pid_t Pid() const { return m_pid; }
    // Reads the child's output until it holds a line feed, the child ends, or timeout
    // passes; returns all of its output read so far.
    const std::string& ReadLine(std::chrono::milliseconds timeout);
    bool Signal(int number) const;
    // True once the child has ended (its status is then kept for Wait); never waits.
    bool HasEnded();
    // Reads the output to its end and waits for the child, killing it at the time limit.
    ChildResult Wait();

private:
    bool Launch(const std::function<void()>& inChild, const ChildOptions& options);
    // Reads what is ready within ms; false when both streams are at their end.
    bool Pump(int ms);
    void Reap(int flags);

    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    bool m_ended = false;
    std::chrono::steady_clock::time_point m_deadline;
    ChildResult m_result;
};

// Runs argv[0] with argv to its end.
ChildResult RunProgram(const std::vector<std::string>& argv, const ChildOptions& options = {});
// Runs body in a child process to its end; its exit status, or -1.
int RunInChild(const std::function<int()>& body);

}  // namespace testsupport
