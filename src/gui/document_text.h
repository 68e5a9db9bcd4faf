// The editor shows code page 932 bytes as Unicode and gives them back.
#pragma once

#include <QString>
#include <string>
#include <string_view>

namespace kova::gui {

// Lossless: bytes that are no character show as private-use characters.
QString BytesToDisplay(std::string_view bytes);

// The characters of QTextDocument::toRawText(): every block or line
// separator becomes CR LF; a lone surrogate becomes '?' and sets `lost`.
std::u32string RawTextCharacters(const QString& rawText, bool* lost);

// From QTextDocument::toRawText(): every block or line separator becomes
// CR LF. Characters without a code page 932 form become '?' and set `lossy`.
std::string DisplayToBytes(const QString& rawText, bool* lossy);

}  // namespace kova::gui
