// glossel-lsp: the language server over standard input and output.

#include "LspServer.h"
#include "MessageReader.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <poll.h>
#include <string>
#include <unistd.h>

namespace {

const char kUsage[] =
    "Usage: glossel-lsp [--stdio]\n"
    "The language server for Inform 6 source: Glossel's colours, outline and\n"
    "navigation in any editor that speaks the Language Server Protocol. It reads\n"
    "the protocol on standard input and writes it on standard output; its log goes\n"
    "to standard error.\n"
    "\n"
    "Options:\n"
    "  --stdio         talk over standard input and output (the only way; accepted\n"
    "                  because many clients pass it)\n"
    "  -h, --help      show this help and exit\n"
    "  -V, --version   show the version and exit\n";

bool WriteAll(int fd, const std::string& bytes)
{
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "-h" || arg == "--help") {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (arg == "-V" || arg == "--version") {
            std::printf("glossel-lsp %s\n", GLOSSEL_VERSION_STRING);
            return 0;
        }
        if (arg == "--stdio") continue;
        std::fprintf(stderr, "glossel-lsp: unknown option '%s'\n%s", arg.c_str(), kUsage);
        return 2;
    }
    // A client that goes away makes writes fail; that ends the server, not a signal.
    std::signal(SIGPIPE, SIG_IGN);

    bool outputLost = false;
    CLspServer server(
        [&](const std::string& bytes) {
            if (!outputLost && !WriteAll(STDOUT_FILENO, bytes)) outputLost = true;
        },
        [](const std::string& line) { std::fprintf(stderr, "glossel-lsp: %s\n", line.c_str()); });
    CMessageReader reader;
    static char buffer[65536];
    bool inputEnded = false;
    // While a request runs, what has come in is read without waiting, so that a
    // $/cancelRequest for it is seen (at most a few MiB at a time).
    server.SetInputPoll([&] {
        for (int pieces = 0; pieces < 64 && !inputEnded; ++pieces) {
            pollfd in{STDIN_FILENO, POLLIN, 0};
            if (::poll(&in, 1, 0) <= 0 || !(in.revents & (POLLIN | POLLHUP))) return;
            const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) {
                // The end of the input (or a failed read) ends the server once what
                // came before it is answered.
                inputEnded = true;
                return;
            }
            reader.Feed(buffer, static_cast<std::size_t>(n));
        }
    });
    while (!server.Finished() && !outputLost) {
        if (inputEnded) {
            server.EndOfInput(reader.Pending());
            break;
        }
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            std::fprintf(stderr, "glossel-lsp: cannot read the input: %s\n", std::strerror(errno));
            break;
        }
        if (n == 0) {
            server.EndOfInput(reader.Pending());
            break;
        }
        reader.Feed(buffer, static_cast<std::size_t>(n));
        server.Receive(reader);
    }
    if (outputLost) std::fputs("glossel-lsp: the client is gone (its end of the output is closed)\n", stderr);
    return server.ExitStatus();
}
