// The handlers behind the four calculation commands, which work on the
// editor's text.
#pragma once

namespace kova {
struct RunResults;
}

namespace kova::app {

class EditorView;

class CalculationCommands {
  public:
    virtual ~CalculationCommands() = default;
    virtual void RunOptimization(EditorView& view) = 0;
    virtual void ShowResults(EditorView& view) = 0;
    virtual void EditInitSettings(EditorView& view) = 0;
    virtual void PrintData(EditorView& view) = 0;
    // What the last calculation left; nothing before one.
    virtual const RunResults* LastResults() const { return nullptr; }
    // Another text took the editor (new, opened, handed over, dropped): the
    // results of the old one go.
    virtual void ForgetResults() {}
};

}  // namespace kova::app
