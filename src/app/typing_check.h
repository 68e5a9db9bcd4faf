// Errors while typing: a moment after the last keystroke the reader reads
// the text, as a run would, and the line it refuses is marked. The
// optimiser does not run.
#pragma once

#include <QObject>
#include <QTimer>

namespace kova::app {

class EditorView;

class TypingCheck final : public QObject {
    Q_OBJECT
  public:
    static constexpr int kPauseMs = 700;

    explicit TypingCheck(EditorView& view);

    // Off, its marks go at once.
    void SetEnabled(bool enabled);
    bool IsEnabled() const { return enabled_; }
    // Reads the text now (the timer's work).
    void CheckNow();
    // Whether a check waits for the typing to pause.
    bool IsPending() const { return timer_.isActive(); }

  private:
    EditorView& view_;
    QTimer timer_;
    bool enabled_ = true;
};

}  // namespace kova::app
