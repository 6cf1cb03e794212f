#pragma once
// CTokenHistory: what the last semantic-token answer of one document held, line by
// line, so that the next one can be a delta (`semanticTokens/full/delta`): one edit
// that replaces the tokens of the lines that changed since.
//
// It keeps the count of tokens of each lexer line (at most MAX_LINE_LENGTH). Edits of
// the document tell it which lines may have changed (CLspDocument::LastEdit); all lines
// outside those have the tokens of the last answer, moved. The delta's edit covers the
// changed lines and the first line with tokens after them (its first token counts its
// line from the token before, which may have moved).
// A document with lone CRs (whose client lines are not the lexer's) is answered whole.

#include "JsonText.h"
#include "LspDocument.h"

#include <cstdint>
#include <string>
#include <vector>

class CTokenHistory {
public:
    // The document's whole text was set: the next delta answers everything.
    void Reset() { m_valid = false; }
    void Edited(const CLspDocument::LineEdit& edit);

    // Writes a full answer, {"resultId": ..., "data": [...]}, and keeps what it held.
    void WriteFull(CLspDocument& document, PositionEncoding encoding, CJsonText& out);
    // Writes a delta from previousId, {"resultId": ..., "edits": [...]}, or a full answer
    // when previousId is not the last answer's. Answer() may call it twice with the same
    // document (counting, then writing): it changes nothing until Commit.
    void WriteDelta(CLspDocument& document, PositionEncoding encoding, const std::string& previousId, CJsonText& out);
    // After the answer went out: it is the last answer now.
    void Commit();

    const std::string& ResultId() const { return m_resultId; }

private:
    struct Plan {
        bool full = true;
        std::size_t from = 0;       // the lines replaced: new [from, newEnd), old [from, oldEnd)
        std::size_t newEnd = 0;
        std::size_t oldEnd = 0;
        std::size_t start = 0;      // tokens before them
        std::size_t deleted = 0;    // tokens of the old lines
        std::size_t lastLine = 0;   // the line of the token before them
        bool lastLineSet = false;
    };

    void WriteLines(CLspDocument& document, PositionEncoding encoding, std::size_t from, std::size_t to,
                    const Plan* after, CJsonText& out, std::vector<std::uint16_t>& counts);
    Plan MakePlan(CLspDocument& document, const std::string& previousId) const;
    std::string NextId() const { return std::to_string(m_serial + 1); }

    bool m_valid = false;
    std::string m_resultId;
    std::uint64_t m_serial = 0;
    std::vector<std::uint16_t> m_lines;  // of the last answer: the tokens of each line
    // Lines that may have changed since, in the document's numbering now.
    std::size_t m_dirtyFrom = 0;
    std::size_t m_dirtyTo = 0;
    std::ptrdiff_t m_lineShift = 0;  // lines now minus lines then
    // What the answer being written will leave behind (for Commit).
    bool m_pending = false;
    Plan m_plan;
    std::vector<std::uint16_t> m_written;
};
