#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <sstream>

#include "layout/print_layout.h"
#include "run/calculation_run.h"
#include "support/fake_monitor.h"
#include "text/cp932.h"

namespace kova {
namespace {

constexpr int kLine = 276;  // a line height the print font gives

std::vector<PrintedPage> Lay(const PrintInput& input) {
    int calls = 0;
    PrintLayout layout(input, [&calls] {
        std::string text = "2026/12/07 09:30:0";
        return text.append(std::to_string(calls++ % 10));
    });
    return layout.Layout();
}

PrintInput DataOnly(std::string text) {
    PrintInput input;
    input.dataText = std::move(text);
    input.printRunList = input.printFlow = false;
    input.lineHeight = kLine;
    return input;
}

// A page image as text: "x y text" per line, UTF-8.
std::string Image(const std::vector<PrintedPage>& pages) {
    std::ostringstream out;
    for (const PrintedPage& page : pages) {
        out << "page " << page.number << "\n";
        for (const PrintedLine& line : page.lines) {
            out << line.x << " " << line.y << " " << Cp932ToUtf8(line.text) << "\n";
        }
    }
    return out.str();
}

// KOVA_UPDATE_GOLDEN=1 writes the actual image instead of comparing.
std::string Golden(const std::string& name, const std::string& actual) {
    const std::string path = std::string(KOVA_GOLDEN_DIR) + "/print/" + name;
    if (std::getenv("KOVA_UPDATE_GOLDEN") != nullptr) {
        std::ofstream(path, std::ios::binary) << actual;
    }
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// The data lines of a page (the header and the banner left out).
std::vector<PrintedLine> Body(const PrintedPage& page, std::size_t skip) {
    return {page.lines.begin() + static_cast<std::ptrdiff_t>(skip), page.lines.end()};
}

TEST(PrintLayout, AllFlagsClearPrintsTheHeaderOnly) {
    PrintInput input;
    input.printData = input.printRunList = input.printFlow = false;
    const auto pages = Lay(input);
    ASSERT_EQ(pages.size(), 1u);
    ASSERT_EQ(pages[0].lines.size(), 1u);
    EXPECT_EQ(pages[0].lines[0].x, 480);
    EXPECT_EQ(pages[0].lines[0].y, 0);
    EXPECT_EQ(Cp932ToUtf8(pages[0].lines[0].text),
              "KOVA(ネットワーク輸送問題最適流量費用計算)          2026/12/07 09:30:00      "
              "Page    1");
}

TEST(PrintLayout, DataLinesAreNumberedSkippingBlankLines) {
    const auto pages = Lay(DataOnly("TITLE t\r\n\r\n\r\nARC S T 0 0 1 5\nEND\r\n"));
    EXPECT_EQ(Image(pages), Golden("data-only.txt", Image(pages)));
}

TEST(PrintLayout, LongLinesWrapAtEightyBytesAndCountEachPiece) {
    const std::string line(200, 'x');
    const auto pages = Lay(DataOnly(std::string(line).append("\r\nEND")));
    const auto body = Body(pages.at(0), 4);
    ASSERT_EQ(body.size(), 6u);  // number, 80, 80, 40, number, "END"
    EXPECT_EQ(body[0].x, 720);
    EXPECT_EQ(body[0].text, "1");
    for (int i = 1; i <= 3; ++i) {
        EXPECT_EQ(body[i].x, 1320);
        EXPECT_EQ(body[i].y, body[0].y - (i - 1) * kLine);
    }
    EXPECT_EQ(body[1].text.size(), 80u);
    EXPECT_EQ(body[2].text.size(), 80u);
    EXPECT_EQ(body[3].text.size(), 40u);
    EXPECT_EQ(body[4].text, "2");
}

TEST(PrintLayout, WrapNeverSplitsADoubleByteCharacter) {
    // 79 bytes, then a kanji whose second byte would be byte 81.
    const std::string line = std::string(79, 'a').append(
        "\x8a\xbf"
        "zz");
    EXPECT_EQ(PrintLayout::WrapLength(line), 79u);
    EXPECT_EQ(PrintLayout::WrapLength(std::string(78, 'a').append("\x8a\xbf"
                                                                  "zz")),
              80u);
    // A pair that ends at byte 80 stays whole.
    EXPECT_EQ(PrintLayout::WrapLength(std::string(78, 'b').append("\x83\x69"
                                                                  "cc")),
              80u);
    const auto pages = Lay(DataOnly(line));
    const auto body = Body(pages.at(0), 4);
    ASSERT_EQ(body.size(), 3u);
    EXPECT_EQ(body[1].text, std::string(79, 'a'));
    EXPECT_EQ(body[2].text, "\x8a\xbfzz");
}

TEST(PrintLayout, TabsReachTheNextMultipleOfEight) {
    struct Case {
        const char* in;
        const char* out;
    };
    for (const Case& c : {Case{"\tA", "        A"}, Case{"ABCDE\tF", "ABCDE   F"},
                          Case{"ABCDEFGH\tI", "ABCDEFGH        I"},
                          Case{"\t\tX", "                X"}, Case{"ABCDEFG\tH", "ABCDEFG H"}}) {
        EXPECT_EQ(PrintLayout::ExpandTabs(c.in), c.out) << c.in;
    }
}

TEST(PrintLayout, SixtyTwoLinesEndAPage) {
    std::string text;
    for (int i = 1; i <= 70; ++i) {
        text.append("L").append(std::to_string(i)).append("\r\n");
    }
    PrintInput input = DataOnly(text);
    input.lineHeight = 100;  // y never reaches the depth first
    const auto pages = Lay(input);
    ASSERT_EQ(pages.size(), 2u);
    // The banner counts three lines: 59 data lines fit on page 1.
    EXPECT_EQ(pages[0].lines.size(), 1u + 3u + 2u * 59u);
    EXPECT_EQ(Cp932ToUtf8(pages[1].lines[0].text).substr(0, 4), "KOVA");
    EXPECT_EQ(pages[1].lines[1].text, "60");
    EXPECT_EQ(pages[1].lines[1].y, -200);
}

TEST(PrintLayout, DepthEndsAPageBeforeSixtyTwoLines) {
    std::string text;
    for (int i = 1; i <= 60; ++i) {
        text.append("L").append(std::to_string(i)).append("\r\n");
    }
    const auto pages = Lay(DataOnly(text));
    ASSERT_EQ(pages.size(), 2u);
    // From y = -1380 after the banner, 53 lines take y to -16008.
    EXPECT_EQ(pages[0].lines.size(), 1u + 3u + 2u * 53u);
    EXPECT_EQ(pages[1].lines[1].text, "54");
}

TEST(PrintLayout, PagesOutsideTheRangeAdvanceWithoutBeingDrawn) {
    std::string text;
    for (int i = 1; i <= 200; ++i) {
        text.append("L").append(std::to_string(i)).append("\r\n");
    }
    PrintInput input = DataOnly(text);
    input.firstPage = 2;
    input.lastPage = 3;
    const auto pages = Lay(input);
    ASSERT_EQ(pages.size(), 2u);
    EXPECT_EQ(pages[0].number, 2);
    EXPECT_EQ(pages[1].number, 3);
    EXPECT_NE(Cp932ToUtf8(pages[0].lines[0].text).find("Page    2"), std::string::npos);
    // Page 1 was not drawn, so it broke after 59 lines (3 of banner + 59 = 62).
    EXPECT_EQ(pages[0].lines[1].text, "60");
    // The date is taken for each printed page's header.
    EXPECT_NE(pages[0].lines[0].text, pages[1].lines[0].text);
}

TEST(PrintLayout, TextEndingInCrLfPrintsNoExtraLine) {
    const auto with = Lay(DataOnly("A\r\nB\r\n"));
    const auto without = Lay(DataOnly("A\r\nB"));
    EXPECT_EQ(Image(with), Image(without));
}

TEST(PrintLayout, FlowAloneWithAnEmptySolutionPrintsTheHeaderPage) {
    PrintInput input;
    input.printData = input.printRunList = false;
    input.runList = "//\r\nsomething\r\n";
    const auto pages = Lay(input);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_EQ(pages[0].lines.size(), 1u);
}

TEST(PrintLayout, RunListAndSolutionOfARealCalculation) {
    testing::FakeMonitor monitor;
    CalculationRun run(monitor, 0.0);
    const std::string data =
        "TITLE sample\r\n! two routes\r\nARC S A 0 0 5 10\r\n"
        "ARC S B 0 0 4 8 40 2 20\r\nARC A T 0 0 1 10\r\n"
        "ARC B T 0 0 1 20\r\nARC T S 15 0 0 15\r\nEND\r\n";
    run.Run(data);
    PrintInput input;
    input.dataText = data;
    input.runList = run.Results().runList;
    input.solution = run.Results().solution;
    input.lineHeight = kLine;
    const std::string image = Image(Lay(input));
    EXPECT_EQ(image, Golden("sample.txt", image));
}

}  // namespace
}  // namespace kova
