// `kova --print FILE`: the file's text on the default printer (or a PDF),
// with the editor's own pagination, without a window.
#pragma once

#include <QString>
#include <string>

class QPrinter;

namespace kova::app {

class EditorView;

// The exit status (ExitStatus); when the PDF cannot be written an older one
// stays whole.
int PrintFile(const QString& path, const QString& pdfPath);

// The editor's pages of `bytes` (its font and wrapping) on `printer`. Lines
// longer than 80 bytes are cut as the print command cuts them, so only short
// lines are laid out: a line of megabytes would otherwise take minutes.
void PrintEditorPages(const EditorView& view, const std::string& bytes, QPrinter* printer);

}  // namespace kova::app
