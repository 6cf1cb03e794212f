// Loads a large Inform text into the control offscreen and pages through it, beside
// QPlainTextEdit::setPlainText on the same text in the same run. Prints medians.
//
//   python3 bench/make_input.py /tmp/bench10.inf      (about 10 MB from the corpus)
//   build/bench/bench_control /tmp/bench10.inf [--runs N]
//
// "open" is the time from the call that loads the text until the first frame has been
// painted (the control: hide, RenderSource, show, paint; the peer: setPlainText, paint).
// "page down" is one Page Down key press and the repaint that follows, timed once per
// press: 200 presses from the top, then 100 presses each after a jump to a random line.
// "extra" is the process's resident memory after the open minus before it; "peak" is
// the high-water mark of resident memory during the open, minus the same baseline;
// "after paging" is the extra resident memory once all the paging is done.
//
// The reading tools, on the control's text after the open:
//  - find near the end: a search from the top for a word added on the text's last line
//    (the find bar's default, match case off, and with match case on), until it is found;
//  - the whole count of that word and of "the", counted as the find bar counts them
//    (CFindSession, slice by slice);
//  - the outline of the whole text (COutline::Build), with the memory it holds, the
//    outline model's build, and one pass of the dock's filter over all its names;
//  - Go to Line to the last line and the paint that follows it.

#include "doc/TextLoader.h"
#include "syntax/RtfBuilder.h"
#include "syntax/SyntaxStyleMap.h"
#include "syntax/Outline.h"
#include "view/FindSession.h"
#include "view/OutlineModel.h"
#include "view/RtfReader.h"
#include "view/SyntaxRichEditCtrl.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTextBlock>

#include <malloc.h>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <random>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

double Median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double Max(const std::vector<double>& v) { return v.empty() ? 0 : *std::max_element(v.begin(), v.end()); }

double StatusMb(const char* field)
{
    std::ifstream in("/proc/self/status");
    std::string line;
    const std::size_t n = std::strlen(field);
    while (std::getline(in, line))
        if (line.compare(0, n, field) == 0) return std::stod(line.substr(n + 1)) / 1024.0;  // kB
    return 0;
}

void ResetPeak()
{
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
}

double Baseline()
{
    malloc_trim(0);
    const double rss = StatusMb("VmRSS:");
    ResetPeak();
    return rss;
}

void PageDown(QWidget* target)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_PageDown, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_PageDown, Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

// The widgets count their paints, so that a figure can never come from a repaint that
// did not happen.
int g_paints = 0;

class CCountingCtrl : public CSyntaxRichEditCtrl {
protected:
    void paintEvent(QPaintEvent* e) override
    {
        CSyntaxRichEditCtrl::paintEvent(e);
        ++g_paints;
    }
};

class CCountingPlainTextEdit : public QPlainTextEdit {
protected:
    void paintEvent(QPaintEvent* e) override
    {
        QPlainTextEdit::paintEvent(e);
        ++g_paints;
    }
};

struct Figures {
    std::vector<double> open, extra, peak, pageFromTop, pageAfterJump, extraAfterPaging;
};

struct ReadingFigures {
    std::vector<double> findNear, findNearCase, countWord, countThe, outline, outlineModel, outlineBytes, outlineFilter,
        goToLast;
    std::uint64_t countedWord = 0, countedThe = 0, nearAt = 0, outlineEntries = 0, filtered = 0;
};

std::u16string Utf16(const char* ascii) { return std::u16string(ascii, ascii + std::strlen(ascii)); }

// A word found only on the last line, which the bench adds to the text. It begins with
// 'e', the commonest letter, so that a search without match case meets as many bytes
// that may begin it as it can.
constexpr const char* kLastWord = "eventually_the_last_word";

double CountAll(const CRichTextStore& store, const std::u16string& pattern, std::uint64_t& count)
{
    CFindSession session;
    session.Reset(store);
    const auto t0 = Clock::now();
    session.SetPattern(pattern, false, false);
    while (session.CountStep()) {
    }
    const auto t1 = Clock::now();
    count = session.Count();
    return Ms(t0, t1);
}

void MeasureReading(CSyntaxRichEditCtrl& w, ReadingFigures& f)
{
    const CRichTextStore& store = w.GetStore();
    const std::u16string late = Utf16(kLastWord);
    for (const bool matchCase : {false, true}) {
        CTextSearch search;
        const auto t0 = Clock::now();
        search.Prepare(store, late, matchCase, false);
        const auto match = search.Next(0);
        const auto t1 = Clock::now();
        if (!match) {
            std::fprintf(stderr, "bench_control: the late word was not found\n");
            std::exit(3);
        }
        (matchCase ? f.findNearCase : f.findNear).push_back(Ms(t0, t1));
        f.nearAt = match->from;
    }
    f.countWord.push_back(CountAll(store, late, f.countedWord));
    f.countThe.push_back(CountAll(store, Utf16("the"), f.countedThe));

    COutline outline;
    const auto o0 = Clock::now();
    outline.Build(store.Bytes().data(), store.Bytes().size());
    const auto o1 = Clock::now();
    f.outline.push_back(Ms(o0, o1));
    f.outlineBytes.push_back(static_cast<double>(outline.GetMemoryUse()));
    f.outlineEntries = outline.GetEntries().size();
    COutlineModel model(w);
    const auto m0 = Clock::now();
    model.Update();
    const auto m1 = Clock::now();
    f.outlineModel.push_back(Ms(m0, m1));
    QSortFilterProxyModel filter;
    filter.setSourceModel(&model);
    filter.setFilterCaseSensitivity(Qt::CaseInsensitive);
    const auto p0 = Clock::now();
    filter.setFilterFixedString(QStringLiteral("pars"));
    f.filtered = static_cast<std::uint64_t>(filter.rowCount());  // the proxy filters when asked
    const auto p1 = Clock::now();
    f.outlineFilter.push_back(Ms(p0, p1));

    const int paintsBefore = g_paints;
    const auto g0 = Clock::now();
    w.GoToLine(static_cast<long long>(store.RowCount()) - 1);
    w.viewport()->repaint();
    const auto g1 = Clock::now();
    if (g_paints == paintsBefore) {
        std::fprintf(stderr, "bench_control: no paint after Go to Line\n");
        std::exit(3);
    }
    f.goToLast.push_back(Ms(g0, g1));
    w.GoToLine(0);
}

// Pages through a shown widget: from the top, then after jumps to random lines.
template <class Jump>
void PageThrough(QAbstractScrollArea* w, Figures& f, Jump jump, std::size_t lines)
{
    w->setFocus();
    const int paintsBefore = g_paints;
    for (int i = 0; i < 200; ++i) {
        const auto t0 = Clock::now();
        PageDown(w);
        w->viewport()->repaint();
        f.pageFromTop.push_back(Ms(t0, Clock::now()));
    }
    std::mt19937 random(7);
    for (int i = 0; i < 100; ++i) {
        jump(random() % lines);
        w->viewport()->repaint();
        const auto t0 = Clock::now();
        PageDown(w);
        w->viewport()->repaint();
        f.pageAfterJump.push_back(Ms(t0, Clock::now()));
    }
    if (g_paints - paintsBefore < 400) {
        std::fprintf(stderr, "bench_control: only %d paints while paging; the figures are void\n", g_paints - paintsBefore);
        std::exit(3);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    std::string path = "/tmp/bench10.inf";
    int runs = 5;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc)
            runs = std::max(1, std::atoi(argv[++i]));
        else
            path = argv[i];
    }
    std::string text;
    LoadFailure failure;
    if (!LoadTextFile(path, text, &failure)) {
        std::fprintf(stderr, "%s: %s\n(make it with: python3 bench/make_input.py %s)\n", path.c_str(),
                     failure.reason.c_str(), path.c_str());
        return 1;
    }
    theStyleMap.BuildDefaults();
    // The word the find figures look for, found nowhere else (see kLastWord).
    text += std::string("! ") + kLastWord + "\n";
    const std::size_t lines = static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')) + 1;
    const QString qtext = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    QFont font(QStringLiteral("Courier New"), 10);
    font.setStyleHint(QFont::Monospace);

    Figures control, peer;
    ReadingFigures reading;
    std::vector<double> build, read, runsOfDoc, docBytes, storeMb;
    for (int run = 0; run < runs; ++run) {
        // The parts of the control's open, one by one.
        {
            CRtfBuilder builder;
            COutputBuffer out;
            const auto t0 = Clock::now();
            builder.BuildDocument(text.data(), text.size(), theStyleMap, out);
            const auto t1 = Clock::now();
            const CRichTextStore store = ReadRtf(out.View());
            const auto t2 = Clock::now();
            build.push_back(Ms(t0, t1));
            read.push_back(Ms(t1, t2));
            runsOfDoc.push_back(static_cast<double>(store.RunCount()));
            docBytes.push_back(static_cast<double>(out.Length()));
        }
        // The control.
        {
            // As in the viewer: a child over the whole of its window, hidden while it renders.
            QWidget window;
            window.resize(1000, 700);
            auto* w = new CCountingCtrl;
            w->Create(WS_CHILD | WS_VISIBLE | ES_MULTILINE | ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_READONLY |
                          ES_WANTRETURN,
                      QRect(0, 0, 1000, 700), &window, 1000);
            window.show();
            QApplication::processEvents();
            const int paintsBefore = g_paints;
            const double base = Baseline();
            const auto t0 = Clock::now();
            w->hide();
            w->RenderSource(text);
            w->show();
            w->viewport()->repaint();
            const auto t1 = Clock::now();
            if (g_paints == paintsBefore) {
                std::fprintf(stderr, "bench_control: the control did not paint after rendering\n");
                return 3;
            }
            control.open.push_back(Ms(t0, t1));
            control.extra.push_back(StatusMb("VmRSS:") - base);
            control.peak.push_back(StatusMb("VmHWM:") - base);
            storeMb.push_back(static_cast<double>(w->GetStore().MemoryBytes()) / (1024.0 * 1024.0));
            MeasureReading(*w, reading);
            PageThrough(w, control, [&](std::size_t line) {
                const long long pos = static_cast<long long>(w->GetStore().RowStart(line));
                w->SetSel(pos, pos);
            }, w->GetStore().RowCount());
            control.extraAfterPaging.push_back(StatusMb("VmRSS:") - base);
        }
        // The peer.
        {
            QWidget window;
            window.resize(1000, 700);
            auto* p = new CCountingPlainTextEdit;
            p->setParent(&window);
            p->setGeometry(0, 0, 1000, 700);
            p->setFont(font);
            p->setLineWrapMode(QPlainTextEdit::NoWrap);
            p->setReadOnly(true);
            window.show();
            QApplication::processEvents();
            const int paintsBefore = g_paints;
            const double base = Baseline();
            const auto t0 = Clock::now();
            p->setPlainText(qtext);
            p->viewport()->repaint();
            const auto t1 = Clock::now();
            if (g_paints == paintsBefore) {
                std::fprintf(stderr, "bench_control: QPlainTextEdit did not paint after setPlainText\n");
                return 3;
            }
            peer.open.push_back(Ms(t0, t1));
            peer.extra.push_back(StatusMb("VmRSS:") - base);
            peer.peak.push_back(StatusMb("VmHWM:") - base);
            PageThrough(p, peer, [&](std::size_t line) {
                QTextCursor c(p->document()->findBlockByNumber(static_cast<int>(line)));
                p->setTextCursor(c);
            }, static_cast<std::size_t>(p->document()->blockCount()));
            peer.extraAfterPaging.push_back(StatusMb("VmRSS:") - base);
        }
        QApplication::processEvents();
    }

    const double mb = static_cast<double>(text.size()) / (1024.0 * 1024.0);
    std::printf("input: %s, %zu bytes (%.1f MiB), %zu lines; document %.0f bytes, %.0f runs; %d runs, medians\n\n",
                path.c_str(), text.size(), mb, lines, Median(docBytes), Median(runsOfDoc), runs);
    std::printf("%-22s %8s %22s %22s %10s %10s %12s\n", "", "open ms", "page down ms (top)", "page down ms (jump)",
                "extra MiB", "peak MiB", "after paging");
    auto row = [&](const char* name, const Figures& f) {
        std::printf("%-22s %8.1f %10.2f (max %6.2f) %10.2f (max %6.2f) %10.1f %10.1f %12.1f\n", name, Median(f.open),
                    Median(f.pageFromTop), Max(f.pageFromTop), Median(f.pageAfterJump), Max(f.pageAfterJump),
                    Median(f.extra), Median(f.peak), Median(f.extraAfterPaging));
    };
    row("CSyntaxRichEditCtrl", control);
    row("QPlainTextEdit", peer);
    std::printf("\nthe control's open, its two big parts timed on their own (so they need not add up to it):\n"
                "engine BuildDocument %.1f ms, RTF reader and display index %.1f ms\n",
                Median(build), Median(read));
    std::printf("the control's store (text, runs, line starts) has room for %.1f MiB (pages never written take no memory)\n", Median(storeMb));
    std::printf("targets: open < 300 ms, page down < 16 ms, extra < 3 x %.1f MiB = %.1f MiB\n", mb, 3 * mb);

    std::printf("\nreading tools (medians):\n");
    std::printf("  find from the top to a word first found at %.2f%% of the text: %.2f ms (match case: %.2f ms)"
                "   target < 20 ms\n",
                100.0 * static_cast<double>(reading.nearAt) / static_cast<double>(text.size()),
                Median(reading.findNear), Median(reading.findNearCase));
    std::printf("  count all matches: that word %.2f ms (%llu), \"the\" %.2f ms (%llu)   target < 100 ms\n",
                Median(reading.countWord), static_cast<unsigned long long>(reading.countedWord),
                Median(reading.countThe), static_cast<unsigned long long>(reading.countedThe));
    std::printf("  outline of the whole text: %.1f ms, %llu definitions, %.2f MiB = %.2f%% of the text"
                "   target < 100 ms, < 10%%\n",
                Median(reading.outline), static_cast<unsigned long long>(reading.outlineEntries),
                Median(reading.outlineBytes) / (1024.0 * 1024.0),
                100.0 * Median(reading.outlineBytes) / static_cast<double>(text.size()));
    std::printf("  the outline dock's model (it holds the outline alone): %.1f ms; its filter, \"pars\" over all names:"
                " %.1f ms (%llu left)\n",
                Median(reading.outlineModel), Median(reading.outlineFilter),
                static_cast<unsigned long long>(reading.filtered));
    std::printf("  Go to Line to the last line and its paint: %.2f ms   target < 16 ms\n", Median(reading.goToLast));
    return 0;
}
