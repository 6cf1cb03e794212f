#include "LspClient.h"

#include "TestSupport.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace lspclient {

std::string Frame(const std::string& body)
{
    return "Content-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

std::string Request(int id, const std::string& method, const Json& params)
{
    return Frame(Json{{"jsonrpc", "2.0"}, {"id", id}, {"method", method}, {"params", params}}.dump());
}

std::string Notify(const std::string& method, const Json& params)
{
    return Frame(Json{{"jsonrpc", "2.0"}, {"method", method}, {"params", params}}.dump());
}

std::string Start(const std::vector<std::string>& encodings, const Json& options)
{
    Json capabilities = Json::object();
    if (!encodings.empty()) capabilities["general"]["positionEncodings"] = encodings;
    Json params = {{"processId", nullptr}, {"rootUri", nullptr}, {"capabilities", capabilities}};
    if (!options.is_null()) params["initializationOptions"] = options;
    return Request(0, "initialize", params) + Notify("initialized");
}

std::string Stop()
{
    return Request(999, "shutdown", nullptr) + Notify("exit", nullptr);
}

std::string Open(const std::string& uri, const std::string& text)
{
    return Notify("textDocument/didOpen",
                  {{"textDocument", {{"uri", uri}, {"languageId", "inform6"}, {"version", 1}, {"text", text}}}});
}

const Json* ServerRun::Answer(const Json& id) const
{
    for (const Json& m : messages)
        if (m.is_object() && m.contains("id") && m["id"] == id && !m.contains("method")) return &m;
    return nullptr;
}

namespace {

// Content-Length: N CR LF CR LF, then N bytes, and nothing else.
bool ReadFrames(const std::string& bytes, std::vector<Json>& out)
{
    const std::string head = "Content-Length: ";
    std::size_t at = 0;
    while (at < bytes.size()) {
        if (bytes.compare(at, head.size(), head) != 0) return false;
        at += head.size();
        std::size_t length = 0;
        std::size_t digits = 0;
        while (at < bytes.size() && bytes[at] >= '0' && bytes[at] <= '9') {
            length = length * 10 + static_cast<std::size_t>(bytes[at++] - '0');
            ++digits;
        }
        if (digits == 0 || bytes.compare(at, 4, "\r\n\r\n") != 0) return false;
        at += 4;
        if (bytes.size() - at < length) return false;
        Json message = Json::parse(bytes.substr(at, length), nullptr, false);
        if (message.is_discarded()) return false;
        out.push_back(std::move(message));
        at += length;
    }
    return true;
}

}  // namespace

ServerRun RunServer(const std::string& server, const std::string& input, const std::filesystem::path& cwd)
{
    testsupport::WriteFile(cwd / ".lsp-input", input);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, (cwd / ".lsp-input").c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, (cwd / ".lsp-output").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, (cwd / ".lsp-log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
    std::vector<char*> argv = {const_cast<char*>(server.c_str()), nullptr};
    pid_t pid = 0;
    ServerRun run;
    if (posix_spawn(&pid, server.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }
    posix_spawn_file_actions_destroy(&actions);
    run.framingOk = ReadFrames(testsupport::ReadFile(cwd / ".lsp-output"), run.messages);
    run.log = testsupport::ReadFile(cwd / ".lsp-log");
    return run;
}

bool Matches(const Json& expected, const Json& actual, std::string& why)
{
    if (expected.is_object()) {
        if (!actual.is_object()) {
            why = "expected an object, got " + actual.dump();
            return false;
        }
        for (const auto& [key, value] : expected.items()) {
            if (!actual.contains(key)) {
                why = "no member " + key + " in " + actual.dump();
                return false;
            }
            if (!Matches(value, actual[key], why)) {
                why = key + ": " + why;
                return false;
            }
        }
        return true;
    }
    if (expected.is_array()) {
        if (!actual.is_array() || actual.size() != expected.size()) {
            why = "expected " + expected.dump() + ", got " + actual.dump();
            return false;
        }
        for (std::size_t i = 0; i < expected.size(); ++i)
            if (!Matches(expected[i], actual[i], why)) {
                why = "[" + std::to_string(i) + "]: " + why;
                return false;
            }
        return true;
    }
    if (expected != actual) {
        why = "expected " + expected.dump() + ", got " + actual.dump();
        return false;
    }
    return true;
}



Json RunEditor(const std::string& client, const std::filesystem::path& dir, const std::string& script, std::string& skip)
{
    const std::string env = "cd '" + dir.string() + "' && GLOSSEL_LSP='" GLOSSEL_LSP_EXE "' GLOSSEL_ROOT='" + dir.string() +
                            "' GLOSSEL_REQUESTS=requests.json GLOSSEL_ANSWERS=answers.json HOME='" + dir.string() + "' ";
    std::string command;
    if (client == "neovim") {
        if (std::system("command -v nvim >/dev/null 2>&1") != 0) {
            skip = "nvim is not installed (bash setup.sh installs neovim)";
            return nullptr;
        }
        command = env + "timeout 120 nvim --headless --clean -n -c 'luafile " GLOSSEL_SOURCE_DIR "/tests/" + script + "'";
    } else {
        if (std::system("emacs --batch -Q --eval '(progn (require (quote package)) (add-to-list (quote "
                        "package-directory-list) \"/usr/share/emacs/site-lisp/elpa\") (package-initialize) "
                        "(require (quote eglot)))' >/dev/null 2>&1") != 0) {
            skip = "emacs with eglot is not installed (bash setup.sh installs emacs-nox and elpa-eglot)";
            return nullptr;
        }
        command = env + "timeout 120 emacs --batch -Q -l " GLOSSEL_SOURCE_DIR "/tests/" + script;
    }
    command += " > client.log 2>&1";
    if (std::system(command.c_str()) != 0) return Json("the client failed: " + testsupport::ReadFile(dir / "client.log"));
    return Json::parse(testsupport::ReadFile(dir / "answers.json"), nullptr, false);
}

}  // namespace lspclient
