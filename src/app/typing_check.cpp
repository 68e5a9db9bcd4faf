#include "app/typing_check.h"

#include "app/editor_view.h"
#include "model/problem_tables.h"
#include "parser/problem_parser.h"
#include "text/clock.h"

namespace kova::app {

TypingCheck::TypingCheck(EditorView& view) : QObject(&view), view_(view) {
    timer_.setSingleShot(true);
    timer_.setInterval(kPauseMs);
    connect(&timer_, &QTimer::timeout, this, &TypingCheck::CheckNow);
    // Only typing starts a check, not a text that was opened.
    connect(&view_, &EditorView::TextReplaced, &timer_, &QTimer::stop);
    connect(view_.document(), &QTextDocument::contentsChange, this,
            [this](int, int removed, int added) {
                if (enabled_ && !view_.isReadOnly() && (removed != 0 || added != 0)) {
                    timer_.start();
                }
            });
}

void TypingCheck::SetEnabled(bool enabled) {
    enabled_ = enabled;
    if (!enabled) {
        timer_.stop();
        view_.ClearMarks(EditorView::MarkKind::Typing);
    }
}

void TypingCheck::CheckNow() {
    timer_.stop();
    if (!enabled_) {
        return;
    }
    const std::string text = view_.TextBytes();
    if (text.empty()) {
        view_.ClearMarks(EditorView::MarkKind::Typing);
        return;
    }
    ProblemTables tables;
    SystemClock clock;
    ProblemParser parser(tables, clock);
    std::string runList;
    QList<LineMark> marks;
    if (!parser.ParseProblem(text, runList) && parser.Error()) {
        marks.append(MarkOfError(*parser.Error()));
    }
    view_.SetMarks(EditorView::MarkKind::Typing, marks);
}

}  // namespace kova::app
