#include "layout/print_layout.h"

#include "text/mbcs.h"
#include "text/system_texts.h"

namespace kova {

PrintLayout::PrintLayout(PrintInput input, std::function<std::string()> now)
    : input_(std::move(input)), now_(std::move(now)) {}

std::string PrintLayout::HeaderText(const std::string& dateTime, int page) {
    return Texts().printHeader + dateTime + "      Page    " + std::to_string(page);
}

std::string PrintLayout::ExpandTabs(const std::string& line) {
    std::string expanded;
    expanded.reserve(line.size());
    for (const char byte : line) {
        if (byte == '\t') {
            expanded.append(kTabStop - expanded.size() % kTabStop, ' ');
        } else {
            expanded.push_back(byte);
        }
    }
    return expanded;
}

std::size_t PrintLayout::WrapLength(std::string_view line) {
    if (line.size() <= kWrapBytes) {
        return line.size();
    }
    // Walk the characters: the cut moves back when the 80th byte leads a pair.
    std::size_t i = 0;
    while (i < kWrapBytes) {
        const bool pair = IsLeadByte(static_cast<unsigned char>(line[i])) && i + 1 < line.size();
        if (pair && i + 1 == kWrapBytes) {
            return kWrapBytes - 1;
        }
        i += pair ? 2 : 1;
    }
    return kWrapBytes;
}

bool PrintLayout::InRange(int page) const {
    const auto number = static_cast<std::uint16_t>(page);
    return input_.firstPage <= number && number <= input_.lastPage;
}

bool PrintLayout::NeedsBreak() const {
    return y_ <= kPageBreakDepth || lines_ >= kLinesPerPage;
}

void PrintLayout::LineFeed() {
    x_ = kTextX;
    y_ -= input_.lineHeight;
}

void PrintLayout::DrawLine(const std::string& text) {
    pages_.back().lines.push_back({x_, y_, text});
    LineFeed();
}

void PrintLayout::DrawCell(const std::string& text) {
    if (!text.empty()) {
        pages_.back().lines.push_back({x_, y_, text});
    }
    x_ += kNumberWidth;
}

std::string PrintLayout::NextLine(const std::string& text) {
    while (readPosition_ < text.size() &&
           (text[readPosition_] == '\r' || text[readPosition_] == '\n')) {
        ++readPosition_;
    }
    const std::size_t start = readPosition_;
    while (readPosition_ < text.size() && text[readPosition_] != '\r' &&
           text[readPosition_] != '\n') {
        ++readPosition_;
    }
    return text.substr(start, readPosition_ - start);
}

bool PrintLayout::PageHeader(int page) {
    x_ = kHeaderX;
    y_ = 0;
    const bool started = InRange(page);
    if (started) {
        pages_.push_back({page, {}});
        DrawLine(HeaderText(now_(), page));
    }
    LineFeed();
    return started;
}

void PrintLayout::PageBreak() {
    pageStarted_ = PageHeader(nextPage_);
    ++nextPage_;
    lines_ = 0;
}

std::vector<PrintedPage> PrintLayout::Layout() {
    pages_.clear();
    readPosition_ = 0;
    pageStarted_ = PageHeader(1);
    nextPage_ = 2;
    lines_ = 0;
    if (input_.printData) {
        PrintData();
    }
    if (input_.printRunList) {
        PrintPlain(input_.runList);
    }
    if (input_.printFlow) {
        PrintPlain(input_.solution);
        LineFeed();
    }
    return std::move(pages_);
}

void PrintLayout::PrintData() {
    for (const std::string& banner :
         {Texts().printBannerEdge, Texts().printBanner, Texts().printBannerEdge}) {
        if (pageStarted_) {
            DrawLine(banner);
        } else {
            LineFeed();
        }
    }
    lines_ = 3;
    lineNumber_ = 1;
    const std::string& text = input_.dataText;
    while (readPosition_ < text.size()) {
        if (NeedsBreak()) {
            PageBreak();
        }
        const std::string expanded = ExpandTabs(NextLine(text));
        if (InRange(nextPage_ - 1) && !expanded.empty()) {
            DrawCell(std::to_string(lineNumber_));
            // Cut from the front without moving the rest: a line may be megabytes.
            std::string_view line = expanded;
            while (line.size() > kWrapBytes) {
                const std::size_t cut = WrapLength(line);
                DrawLine(std::string(line.substr(0, cut)));
                ++lines_;
                DrawCell(std::string());
                line.remove_prefix(cut);
            }
            DrawLine(std::string(line));
        }
        ++lineNumber_;
        ++lines_;
    }
    readPosition_ = 0;
}

void PrintLayout::PrintPlain(const std::string& text) {
    readPosition_ = 0;
    while (readPosition_ < text.size()) {
        if (NeedsBreak()) {
            PageBreak();
        }
        const std::string line = NextLine(text);
        if (InRange(nextPage_ - 1) && !line.empty()) {
            DrawLine(line);
        }
        ++lines_;
    }
    readPosition_ = 0;
}

}  // namespace kova
