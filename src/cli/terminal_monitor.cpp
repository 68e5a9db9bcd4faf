#include "cli/terminal_monitor.h"

#include "text/c_runtime.h"
#include "text/cp932.h"

namespace kova::cli {
namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

}  // namespace

TerminalMonitor::TerminalMonitor(Clock& clock, std::ostream* statusLine, StopLimits limits)
    : clock_(clock),
      statusLine_(statusLine),
      limits_(limits),
      started_(std::chrono::steady_clock::now()),
      stop_(limits.maxBranches && *limits.maxBranches <= 0) {}

bool TerminalMonitor::StopRequested() {
    if (stop_) {
        return true;
    }
    if (limits_.interrupts != nullptr && limits_.interrupts->load(std::memory_order_relaxed) > 0) {
        stop_ = true;
    } else if (limits_.timeLimitSeconds) {
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - started_;
        stop_ = elapsed.count() >= *limits_.timeLimitSeconds;
    }
    return stop_;
}

TerminalMonitor::~TerminalMonitor() {
    ClearStatusLine();
}

void TerminalMonitor::SetField(LiveField field, std::string_view text) {
    fields_.Set(field, text);
    if (field == LiveField::Branches && limits_.maxBranches && Atoi(text) >= *limits_.maxBranches) {
        stop_ = true;
    }
    if (statusLine_ == nullptr) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    if (!drawn_ || now - lastDraw_ >= kRedrawInterval) {
        lastDraw_ = now;
        DrawStatusLine();
    }
}

void TerminalMonitor::ShowMessage(std::string_view text, MessageIcon /*icon*/) {
    messages_.emplace_back(text);
}

void TerminalMonitor::DrawStatusLine() {
    const auto field = [&](LiveField f) { return Cp932ToUtf8(fields_.Get(f)); };
    *statusLine_ << "\r\x1b[K" << field(LiveField::Feasibility) << "  gap " << field(LiveField::Gap)
                 << "  total " << field(LiveField::BestTotal) << "  code "
                 << field(LiveField::ResultCode) << "  branches " << field(LiveField::Branches)
                 << "  " << field(LiveField::Elapsed) << std::flush;
    drawn_ = true;
}

void TerminalMonitor::ClearStatusLine() {
    if (statusLine_ != nullptr && drawn_) {
        *statusLine_ << "\r\x1b[K" << std::flush;
        drawn_ = false;
    }
}

}  // namespace kova::cli
