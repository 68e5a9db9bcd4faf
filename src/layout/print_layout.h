// The pages of the print command, laid out without a printer: which pages
// are printed and every line's text and position on them.
//
// Positions are in 1/1440 inch with y growing upward from the top of the
// printable area (so every line has y <= 0).
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace kova {

struct PrintedLine {
    int x;
    int y;
    std::string text;  // code page 932
};

struct PrintedPage {
    int number;
    std::vector<PrintedLine> lines;
};

struct PrintInput {
    std::string dataText;  // the editor's text
    std::string runList;
    std::string solution;
    bool printData = true;
    bool printRunList = true;
    bool printFlow = true;
    // The page range of the printer dialog; all pages is 1 to 0xFFFF.
    std::uint16_t firstPage = 1;
    std::uint16_t lastPage = 0xFFFF;
    int lineHeight = 276;  // text height plus external leading of the print font
};

class PrintLayout {
  public:
    static constexpr int kHeaderX = 480;
    static constexpr int kTextX = 720;
    static constexpr int kNumberWidth = 600;
    static constexpr int kPageBreakDepth = -16000;
    static constexpr int kLinesPerPage = 62;
    static constexpr std::size_t kWrapBytes = 80;
    static constexpr int kTabStop = 8;

    // `now` gives the date-time text of each page header as it is drawn.
    PrintLayout(PrintInput input, std::function<std::string()> now);

    // The printed pages in order; pages outside the range are left out.
    std::vector<PrintedPage> Layout();

    // Tabs to blanks up to the next multiple of eight bytes.
    static std::string ExpandTabs(const std::string& line);
    // Where a data line is cut: after 80 bytes, or 79 when byte 80 would
    // split a double-byte character.
    static std::size_t WrapLength(std::string_view line);
    // The header of one page (code page 932).
    static std::string HeaderText(const std::string& dateTime, int page);

  private:
    void LineFeed();
    void DrawLine(const std::string& text);
    void DrawCell(const std::string& text);
    std::string NextLine(const std::string& text);
    bool PageHeader(int page);
    void PageBreak();
    bool InRange(int page) const;
    bool NeedsBreak() const;
    void PrintData();
    void PrintPlain(const std::string& text);

    PrintInput input_;
    std::function<std::string()> now_;
    std::vector<PrintedPage> pages_;
    int x_ = 0;
    int y_ = 0;
    std::size_t readPosition_ = 0;
    int nextPage_ = 2;
    bool pageStarted_ = false;
    int lines_ = 0;
    int lineNumber_ = 1;
};

}  // namespace kova
