// Feeds arbitrary texts, flags, page ranges and line heights to the print
// layout and checks what holds for every input: pages come in range and in
// order, each starts with its header, every line lies on the page and data
// pieces never exceed 80 bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "layout/print_layout.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 6) {
        return 0;
    }
    kova::PrintInput input;
    input.printData = (data[0] & 1) != 0;
    input.printRunList = (data[0] & 2) != 0;
    input.printFlow = (data[0] & 4) != 0;
    input.firstPage = static_cast<std::uint16_t>(data[1] % 8);
    input.lastPage = static_cast<std::uint16_t>(input.firstPage + data[2] % 8);
    input.lineHeight = data[3] * 4;  // 0 included: the 62-line rule still ends pages
    const std::string rest(reinterpret_cast<const char*>(data + 6), size - 6);
    const std::size_t cut1 = rest.size() * data[4] / 256;
    const std::size_t cut2 = cut1 + (rest.size() - cut1) * data[5] / 256;
    input.dataText = rest.substr(0, cut1);
    input.runList = rest.substr(cut1, cut2 - cut1);
    input.solution = rest.substr(cut2);

    kova::PrintLayout layout(input, [] { return std::string("2026/12/07 09:30:00"); });
    const auto pages = layout.Layout();
    int previous = 0;
    for (const kova::PrintedPage& page : pages) {
        Require(page.number > previous);
        previous = page.number;
        Require(input.firstPage <= page.number && page.number <= input.lastPage);
        Require(!page.lines.empty());
        for (const kova::PrintedLine& line : page.lines) {
            Require(line.y <= 0);
            Require(line.x == 480 || line.x == 720 || line.x == 1320);
            Require(line.x != 1320 || line.text.size() <= kova::PrintLayout::kWrapBytes);
        }
    }
    return 0;
}
