#include "gui/document_text.h"

#include "text/cp932.h"

namespace kova::gui {

QString BytesToDisplay(std::string_view bytes) {
    const std::u32string characters = DecodeCp932(bytes);
    return QString::fromUcs4(characters.data(), static_cast<qsizetype>(characters.size()));
}

std::u32string RawTextCharacters(const QString& rawText, bool* lost) {
    std::u32string characters;
    characters.reserve(static_cast<std::size_t>(rawText.size()) + 16);
    bool faulty = false;
    for (qsizetype i = 0; i < rawText.size(); ++i) {
        char32_t code = rawText.at(i).unicode();
        if (QChar::isHighSurrogate(code) && i + 1 < rawText.size() &&
            rawText.at(i + 1).isLowSurrogate()) {
            code = QChar::surrogateToUcs4(rawText.at(i), rawText.at(i + 1));
            ++i;
        } else if (QChar::isSurrogate(code)) {
            faulty = true;
            characters.push_back(U'?');
            continue;
        }
        if (code == QChar::ParagraphSeparator || code == QChar::LineSeparator) {
            characters.push_back(U'\r');
            characters.push_back(U'\n');
        } else {
            characters.push_back(code);
        }
    }
    if (lost != nullptr) {
        *lost = faulty;
    }
    return characters;
}

std::string DisplayToBytes(const QString& rawText, bool* lossy) {
    bool lost = false;
    const std::u32string characters = RawTextCharacters(rawText, &lost);
    bool unmapped = false;
    std::string bytes = EncodeCp932(characters, &unmapped);
    if (lossy != nullptr) {
        *lossy = lost || unmapped;
    }
    return bytes;
}

}  // namespace kova::gui
