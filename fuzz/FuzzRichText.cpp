// Fuzz body for the control's RTF reader: any bytes give a well-formed store, and
// reading them in two pieces gives the same store as reading them whole.

#include "FuzzTargets.h"

#include "view/RtfReader.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void RequireWellFormed(const CRichTextStore& store)
{
    const std::string_view bytes = store.Bytes();
    Require(store.LineCount() >= 1 && store.LineStart(0) == 0, "the first line starts at 0");
    std::size_t line = 1;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\n') continue;
        Require(line < store.LineCount() && store.LineStart(line) == i + 1, "a line starts after each line feed");
        ++line;
    }
    Require(line == store.LineCount(), "no line starts elsewhere");
    Require(bytes.empty() == (store.RunCount() == 0), "runs exactly when there is text");
    for (std::size_t r = 0; r < store.RunCount(); ++r) {
        Require(store.RunStart(r) < bytes.size(), "a run starts inside the text");
        Require(r > 0 || store.RunStart(0) == 0, "the first run starts at 0");
        Require(r == 0 || store.RunStart(r - 1) < store.RunStart(r), "runs go forward");
        Require(r == 0 || !(store.RunFormat(r - 1) == store.RunFormat(r)), "neighbouring runs differ");
        Require(store.RunAt(store.RunStart(r)) == r, "RunAt finds each run's first byte");
    }
    std::uint64_t units = 0;
    for (std::size_t row = 0; row < store.RowCount(); ++row) {
        Require(store.RowStart(row) == units, "rows follow each other");
        Require(store.RowEnd(row) - store.RowStart(row) <= CRichTextStore::MAX_ROW_UNITS + 1, "rows are bounded");
        units = store.RowEnd(row) + (store.RowEndsWithLineFeed(row) ? 1 : 0);
    }
    Require(units == store.Length(), "rows cover the text");
    Require(store.Text(0, store.Length()).size() == store.Length(), "the text has its length");
    if (store.Encoding() == display::Encoding::Windows1252) Require(store.Length() == bytes.size(), "one unit per byte");
}

}  // namespace

int FuzzRtfReader(const std::uint8_t* data, std::size_t size)
{
    const std::string_view rtf(reinterpret_cast<const char*>(data), size);
    const CRichTextStore whole = ReadRtf(rtf);
    RequireWellFormed(whole);

    const std::size_t cut = size ? data[0] % size : 0;
    CRichTextStore pieces;
    CRtfReader reader(pieces);
    reader.Feed(rtf.data(), cut);
    reader.Feed(rtf.data() + cut, size - cut);
    Require(reader.Finish(), "reading never runs out of memory here");
    Require(pieces.Bytes() == whole.Bytes(), "pieces read as the whole");
    Require(pieces.RunCount() == whole.RunCount(), "pieces give the same runs");
    for (std::size_t r = 0; r < whole.RunCount(); ++r)
        Require(pieces.RunStart(r) == whole.RunStart(r) && pieces.RunFormat(r) == whole.RunFormat(r),
                "pieces give the same runs");
    return 0;
}
