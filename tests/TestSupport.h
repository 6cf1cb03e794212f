#pragma once
// Helpers shared by the engine's tests: files, the corpus, and an independent reader
// of the documents the builder makes (written from the document's layout, not from
// the builder's code, so that the two can disagree).

#include "syntax/StyleCodes.h"

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

std::string ReadFile(const std::filesystem::path& path);
void WriteFile(const std::filesystem::path& path, const std::string& bytes);
// Everything written to a temporary stream (tmpfile), which is then closed.
std::string Drain(std::FILE* f);

// A fresh folder under the system's temporary folder, removed with the object.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::filesystem::path& Path() const { return m_path; }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

private:
    std::filesystem::path m_path;
};

// Points XDG_CONFIG_HOME at a fresh empty folder before the program's first test and
// removes it after the last, so that nothing a test runs (in this process or started
// from it) reads or writes the real user's settings. Call once, at namespace scope:
//   const auto* const g_configHome = testsupport::UseTemporaryConfigHome();
const void* UseTemporaryConfigHome();

// The .inf and .h files of the shared corpus, sorted; empty when it is absent.
std::vector<std::filesystem::path> CorpusFiles();
std::filesystem::path ExamplesDir();

// The codes of each line of text as hex digits (one per character, line feed included),
// classified in order by one lexer from LEX_DIRECTIVE_EXPECTED. Stops before a line of
// 1020 or more characters.
std::vector<std::string> ClassifyText(const std::string& text,
                                      std::vector<std::uint32_t>* states = nullptr);

struct RunAttributes {
    std::size_t colourIndex = 0;
    bool bold = false;
    bool italic = false;
    bool operator==(const RunAttributes&) const = default;
};

struct DecodedDocument {
    bool ok = false;
    std::string error;
    std::string fontName;
    std::vector<COLORREF> colours;           // the colour table, in order
    std::string text;                        // the characters of all runs, unescaped
    std::vector<RunAttributes> attributes;   // one per character of text
    std::vector<bool> startsRun;             // one per character: a prefix stands before it
    std::size_t paragraphs = 0;              // count of "\par " marks
};

// Reads a document of the builder's layout; ok is false (with a reason) when the
// bytes do not follow it.
DecodedDocument DecodeDocument(const std::string& rtf);

}  // namespace testsupport
