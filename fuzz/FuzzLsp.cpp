// Fuzz body for the language server: any bytes on its input.

#include "FuzzTargets.h"

#include "lsp/LspServer.h"
#include "lsp/MessageReader.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace {

std::vector<LspFrame> ReadAll(const std::uint8_t* data, std::size_t size, std::size_t step)
{
    CMessageReader reader;
    std::vector<LspFrame> frames;
    std::size_t at = 0;
    while (at < size) {
        // Pieces of varying sizes: 1, 2, ... step, 1, 2, ...
        const std::size_t n = std::min(size - at, step == 0 ? size : 1 + at % step);
        reader.Feed(reinterpret_cast<const char*>(data) + at, n);
        at += n;
        LspFrame frame;
        while (reader.Next(frame)) frames.push_back(std::move(frame));
    }
    return frames;
}

bool SameFrames(const std::vector<LspFrame>& a, const std::vector<LspFrame>& b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].ok != b[i].ok || a[i].body != b[i].body) return false;
    return true;
}

}  // namespace

int FuzzLspMessages(const std::uint8_t* data, std::size_t size)
{
    // The reader: the same frames however the bytes are cut.
    const std::vector<LspFrame> whole = ReadAll(data, size, 0);
    Require(SameFrames(whole, ReadAll(data, size, 7)), "frames do not depend on how the input is cut");
    for (const LspFrame& frame : whole)
        Require(!frame.ok || frame.body.size() <= CMessageReader::MAX_BODY, "no body is longer than the limit");

    // The server: whatever it is sent, it answers with whole messages of JSON-RPC 2.0.
    std::vector<std::string> output;
    CLspServer server([&](const std::string& bytes) { output.push_back(bytes); }, [](const std::string&) {});
    server.SetSandboxed(true);
    CMessageReader reader;
    reader.Feed(reinterpret_cast<const char*>(data), size);
    server.Receive(reader);
    server.EndOfInput(reader.Pending());
    // A large answer comes in pieces: the output as a whole is whole messages.
    std::string all;
    for (const std::string& bytes : output) all += bytes;
    const std::vector<LspFrame> frames = ReadAll(reinterpret_cast<const std::uint8_t*>(all.data()), all.size(), 0);
    Require(std::all_of(frames.begin(), frames.end(), [](const LspFrame& f) { return f.ok; }), "the output is whole messages");
    for (const LspFrame& frame : frames) {
        const nlohmann::json message = nlohmann::json::parse(frame.body, nullptr, false);
        Require(message.is_object() && message.value("jsonrpc", "") == "2.0", "every output is JSON-RPC 2.0");
        if (message.contains("id") && message.contains("method"))
            Require(message.value("method", "") == "client/registerCapability", "the server asks only for file watchers");
        else if (message.contains("id"))
            Require(message.contains("result") != message.contains("error"), "a response has a result or an error");
        else
            Require(message.value("method", "") == "textDocument/publishDiagnostics", "the server sends only diagnostics");
    }

    // Documents edited through the protocol are lexed as the same text lexed afresh.
    std::set<std::string> uris;
    for (const LspFrame& frame : whole) {
        const nlohmann::json message = nlohmann::json::parse(frame.body, nullptr, false);
        if (!message.is_object()) continue;
        const auto params = message.find("params");
        if (params == message.end() || !params->is_object()) continue;
        const auto item = params->find("textDocument");
        if (item != params->end() && item->is_object() && item->contains("uri") && (*item)["uri"].is_string())
            uris.insert((*item)["uri"].get<std::string>());
    }
    for (const std::string& uri : uris) {
        CLspDocument* document = server.FindOpenDocument(uri);
        if (!document) continue;
        CLspDocument fresh(document->Text(), document->GetEncoding());
        Require(fresh.LineCount() == document->LineCount(), "edits keep the lines");
        ClassifiedLine a;
        ClassifiedLine b;
        for (std::size_t line = 0; line < fresh.LineCount(); ++line) {
            const bool shown = fresh.Classify(line, b);
            Require(document->Classify(line, a) == shown, "an edited document shows the same lines");
            if (!shown) break;
            Require(a.length == b.length && std::equal(a.classes, a.classes + a.length + 1, b.classes),
                    "an edited document is classified as the same text afresh");
        }
    }
    return 0;
}
