#include "CompilerRun.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char** environ;

namespace fs = std::filesystem;

namespace {

bool IsExecutable(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string OnPath(const std::string& name)
{
    if (name.find('/') != std::string::npos) return IsExecutable(name) ? name : std::string();
    const char* path = std::getenv("PATH");
    std::string_view folders = path ? path : "/usr/local/bin:/usr/bin:/bin";
    while (!folders.empty()) {
        const std::size_t colon = folders.find(':');
        std::string folder(folders.substr(0, colon));
        folders = colon == std::string_view::npos ? std::string_view() : folders.substr(colon + 1);
        if (folder.empty()) folder = ".";
        const std::string candidate = folder + "/" + name;
        if (IsExecutable(candidate)) return candidate;
    }
    return {};
}

}  // namespace

std::vector<CompilerMessage> ParseCompilerOutput(std::string_view output, const std::string& folder)
{
    std::vector<CompilerMessage> messages;
    while (!output.empty()) {
        const std::size_t end = output.find('\n');
        std::string_view line = output.substr(0, end);
        output = end == std::string_view::npos ? std::string_view() : output.substr(end + 1);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        // FILE(LINE): KIND:  text
        const std::size_t close = line.find("): ");
        if (close == std::string_view::npos) continue;
        const std::size_t open = line.rfind('(', close);
        if (open == std::string_view::npos || open == 0 || open + 1 == close) continue;
        std::uint32_t number = 0;
        bool digits = true;
        for (std::size_t i = open + 1; i < close && digits; ++i) {
            digits = line[i] >= '0' && line[i] <= '9' && number < 100000000;
            number = number * 10 + static_cast<std::uint32_t>(line[i] - '0');
        }
        if (!digits || number == 0) continue;
        std::string_view rest = line.substr(close + 3);
        int severity;
        if (rest.rfind("Warning:", 0) == 0) {
            severity = 2;
            rest.remove_prefix(8);
        } else if (rest.rfind("Error:", 0) == 0) {
            severity = 1;
            rest.remove_prefix(6);
        } else if (rest.rfind("Fatal error:", 0) == 0) {
            severity = 1;
            rest.remove_prefix(12);
        } else {
            continue;
        }
        while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
        std::string path(line.substr(0, open));
        if (path.front() != '/') path = (fs::path(folder) / path).lexically_normal().string();
        messages.push_back(CompilerMessage{std::move(path), number, severity, std::string(rest)});
    }
    return messages;
}

std::string FindCompiler(const std::string& configured, bool configuredGiven)
{
    if (configuredGiven) return configured.empty() ? std::string() : OnPath(configured);
    return OnPath("inform6");
}

bool RunCompiler(const std::string& compiler, const std::string& mainPath, const std::vector<std::string>& includeFolders,
                 const std::string& switches, std::vector<CompilerMessage>& messages, std::string& failure)
{
    messages.clear();
    std::string folder = fs::path(mainPath).parent_path().string();
    if (folder.empty()) folder = ".";
    char work[] = "/tmp/glossel-lsp-XXXXXX";
    if (!::mkdtemp(work)) {
        failure = std::string("cannot make a temporary folder: ") + std::strerror(errno);
        return false;
    }
    const std::string output = std::string(work) + "/compiler.txt";
    const std::string story = std::string(work) + "/story";
    std::vector<std::string> args = {compiler, "-E1"};
    // The game's switches, word by word, a quoted part kept whole (no shell reads them).
    for (std::size_t i = 0; i < switches.size();) {
        while (i < switches.size() && (switches[i] == ' ' || switches[i] == '\t')) ++i;
        std::string word;
        while (i < switches.size() && switches[i] != ' ' && switches[i] != '\t') {
            if (switches[i] == '"') {
                const std::size_t close = switches.find('"', i + 1);
                const std::size_t end = close == std::string::npos ? switches.size() : close;
                word.append(switches, i + 1, end - i - 1);
                i = close == std::string::npos ? switches.size() : close + 1;
            } else {
                word.push_back(switches[i++]);
            }
        }
        if (!word.empty()) args.push_back(word);
    }
    if (!includeFolders.empty()) {
        // The editor's folders go before the header's, as ++include_path puts them.
        std::string path = "++include_path=";
        for (std::size_t i = 0; i < includeFolders.size(); ++i) path += (i ? "," : "") + includeFolders[i];
        args.push_back(path);
    }
    args.push_back(mainPath);
    args.push_back(story);
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
    posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, compiler.c_str(), &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    bool ok = false;
    if (spawned != 0) {
        failure = "cannot run " + compiler + ": " + std::strerror(spawned);
    } else {
        int status = 0;
        int waited = 0;
        for (;;) {
            const pid_t done = ::waitpid(pid, &status, WNOHANG);
            if (done == pid) break;
            if (done < 0 && errno != EINTR) break;
            if (waited >= COMPILER_SECONDS * 100) {
                ::kill(pid, SIGKILL);
                ::waitpid(pid, &status, 0);
                failure = compiler + " took more than " + std::to_string(COMPILER_SECONDS) + " seconds and was stopped";
                break;
            }
            const struct timespec tick = {0, 10 * 1000 * 1000};
            ::nanosleep(&tick, nullptr);
            ++waited;
        }
        if (failure.empty()) {
            if (WIFSIGNALED(status)) {
                failure = compiler + " ended by signal " + std::to_string(WTERMSIG(status));
            } else if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
                failure = compiler + " could not be started";
            } else {
                std::string text;
                if (FILE* f = std::fopen(output.c_str(), "rb")) {
                    char buffer[65536];
                    std::size_t n;
                    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0 && text.size() < (std::size_t{16} << 20))
                        text.append(buffer, n);
                    std::fclose(f);
                }
                messages = ParseCompilerOutput(text, folder);
                ok = true;
            }
        }
    }
    std::error_code ignored;
    fs::remove_all(work, ignored);
    return ok;
}
