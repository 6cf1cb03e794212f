#pragma once
// A client for the protocol tests: runs the real glossel-lsp with its input from a
// file and its output and log into files, then reads the answers back with a reader of
// its own (written from the framing rules, not from the server's reader).

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>
#include <vector>

namespace lspclient {

using Json = nlohmann::json;

std::string Frame(const std::string& body);
std::string Request(int id, const std::string& method, const Json& params = Json::object());
std::string Notify(const std::string& method, const Json& params = Json::object());
// initialize (id 0, offering the given position encodings) and initialized.
std::string Start(const std::vector<std::string>& encodings = {}, const Json& options = nullptr);
// shutdown (id 999) and exit.
std::string Stop();
std::string Open(const std::string& uri, const std::string& text);

struct ServerRun {
    int status = -1;                  // the exit status, or -1 when it did not exit normally
    std::vector<Json> messages;       // everything on standard output, in order
    bool framingOk = true;            // standard output held nothing but whole messages
    std::string log;                  // standard error
    // The message that answers id (null when there is none).
    const Json* Answer(const Json& id) const;
};

// Runs server with input as its whole standard input, in folder cwd.
ServerRun RunServer(const std::string& server, const std::string& input, const std::filesystem::path& cwd);

// Runs an editor's script of tests/ (Neovim's or eglot's, by client: "neovim" or
// "eglot") in dir, with GLOSSEL_LSP, GLOSSEL_ROOT (dir), GLOSSEL_REQUESTS
// (requests.json) and GLOSSEL_ANSWERS (answers.json) set: the answers it wrote, a
// string when the client failed, or null with a skip reason when the editor is not
// installed.
Json RunEditor(const std::string& client, const std::filesystem::path& dir, const std::string& script, std::string& skip);

// True when every member of expected is in actual with a matching value (objects
// compared member by member, arrays element by element and of equal length). why
// receives the first difference.
bool Matches(const Json& expected, const Json& actual, std::string& why);

}  // namespace lspclient
