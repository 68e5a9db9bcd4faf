// kova-editor-bench: how the editor and both ways of printing cope with one
// very long line (10 MB by default; the first argument gives the bytes),
// and how the editor's colours and checks keep up with 100 000 lines.
// Runs offscreen; prints two tables.
#include <QApplication>
#include <QElapsedTimer>
#include <QPrinter>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTextBlock>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "app/editor_view.h"
#include "app/typing_check.h"
#include "app/print_file.h"
#include "layout/print_layout.h"
#include "printing/page_painter.h"
#include "text/system_texts.h"

namespace {

double Seconds(const std::function<void()>& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    QCoreApplication::processEvents();
    return static_cast<double>(timer.nsecsElapsed()) / 1e9;
}

void Row(const char* measure, double seconds) {
    std::printf("| %s | %.3f s |\n", measure, seconds);
}

std::string ManyLines(int lines) {
    std::string text = "TITLE many\r\n! one arc a line\r\n";
    for (int i = 0; i < lines; ++i) {
        text += "ARC N";
        text += std::to_string(i % 997);
        text += " N";
        text += std::to_string((i * 7 + 1) % 997);
        text += " 0 0 1.5 40 60 3 80\r\n";
    }
    text += "END\r\n";
    return text;
}

// Opening, a keystroke, END typed near the top (every later line changes
// colour) and the check while typing, on a text of many lines.
void ManyLinesTable() {
    constexpr int kLines = 100000;
    const std::string text = ManyLines(kLines);
    std::printf("\n| measure (%d lines) | time |\n|---|---:|\n", kLines);
    kova::app::EditorView view;
    view.resize(800, 600);
    view.show();
    Row("editor: open, colour and show", Seconds([&] { view.SetTextBytes(text); }));
    QTextCursor cursor(view.document()->findBlockByNumber(kLines / 2));
    cursor.movePosition(QTextCursor::EndOfWord);
    Row("editor: a keystroke in the middle", Seconds([&] { cursor.insertText(QStringLiteral("7")); }));
    QTextCursor top(view.document()->findBlockByNumber(10));
    Row("editor: END typed at line 11", Seconds([&] { top.insertText(QStringLiteral("END ")); }));
    Row("editor: that END taken back", Seconds([&] { view.undo(); }));
    kova::app::TypingCheck check(view);
    Row("check while typing: read the text", Seconds([&] { check.CheckNow(); }));
}

std::string Text(std::size_t lineBytes) {
    return "ARC S A 0 0 1 10\r\n!" + std::string(lineBytes, 'x') + "\r\nEND\r\n";
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    using namespace kova;
    const std::size_t bytes = argc > 1 ? std::strtoull(argv[1], nullptr, 10) : 10'000'000;
    const std::string longText = Text(bytes);
    QTemporaryDir scratch;

    std::printf("| measure (a line of %zu bytes) | time |\n|---|---:|\n", bytes);
    app::EditorView view;
    view.resize(800, 600);
    view.show();
    Row("editor: open and show", Seconds([&] { view.SetTextBytes(longText); }));
    Row("editor: resize", Seconds([&] { view.resize(640, 480); }));
    Row("editor: scroll to the end",
        Seconds([&] { view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum()); }));
    // The longest line that stays editable: one keystroke in its middle.
    const std::string editable = Text(app::EditorView::kLongestEditedLine - 1);
    view.SetTextBytes(editable);
    QCoreApplication::processEvents();
    QTextCursor cursor(view.document());
    cursor.setPosition(static_cast<int>(editable.size() / 2));
    Row("editor: a keystroke in the longest editable line",
        Seconds([&] { cursor.insertText(QStringLiteral("y")); }));

    QPrinter printer;
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(scratch.filePath(QStringLiteral("editor.pdf")));
    Row("print preview pages (editor's pagination) to PDF",
        Seconds([&] { app::PrintEditorPages(view, longText, &printer); }));

    PrintInput input;
    input.dataText = longText;
    input.printRunList = input.printFlow = false;
    input.lineHeight = printing::PagePainter::LineHeight();
    std::vector<PrintedPage> pages;
    Row("print command: layout",
        Seconds([&] { pages = PrintLayout(input, [] { return std::string(); }).Layout(); }));
    printer.setOutputFileName(scratch.filePath(QStringLiteral("command.pdf")));
    Row("print command: pages to PDF", Seconds([&] {
            printing::PagePainter painter;
            if (painter.Begin(printer)) {
                painter.DrawAndEnd(pages);
            }
        }));
    ManyLinesTable();
    return 0;
}
