#include "run/calculation_run.h"

#include <algorithm>

#include "text/cp932.h"
#include "text/date_time.h"
#include "text/number_text.h"
#include "text/system_texts.h"

namespace kova {

void CalculationRun::Run(std::string_view dataText) {
    tables_.BranchesSolved = 0;
    tables_.IncumbentUpdates = 0;
    results_ = RunResults{};
    end_.reset();
    rootBound_ = NoSolutionCost;
    finalBound_ = NoSolutionCost;
    diagnosis_.reset();
    accepted_ = parser_.ParseProblem(dataText, results_.runList);
    if (accepted_) {
        FillSolutionBounds();
        BranchSearch search(tables_, monitor_, tolerance_, methods_(tables_, monitor_));
        end_ = search.RunSearch(results_.runList, results_.solution);
        if (tables_.BranchList.size() > 0 && tables_.BranchList[0].status != kBranchFree) {
            rootBound_ = tables_.BranchList[0].bound;
        }
        incumbentCost_ = search.IncumbentCost;
        finalBound_ = search.FinalBound();
        results_.bound = finalBound_;
        if (end_ == SearchEnd::NoSolutionAtRoot) {
            Diagnose();
        }
        solverWork_ = search.Work();
        narrowings_ = search.Narrowings();
        branchNarrowings_ = search.BranchNarrowings();
        if (tables_.IncumbentUpdates > 0) {
            KeepSolutionRows();
            results_.total = incumbentCost_;
        }
    }
    if (tables_.ErrorCount == 0 && tables_.IncumbentUpdates != 0) {
        results_.runList += "\r\n";
        results_.runList += Texts().elapsedLabel;
        results_.runList += ElapsedText(tables_.RunStartTime, tables_.RunEndTime);
    }
    tables_.Release();
    if (tables_.ErrorCount != 0) {
        monitor_.ShowMessage(Texts().dataErrorMessage, MessageIcon::Stop);
    }
}

void CalculationRun::FillSolutionBounds() {
    PieceCursor cursor(tables_.PieceTable.data());
    for (std::size_t i = 0; i < tables_.ArcTable.size(); ++i) {
        const ArcRecord& arc = tables_.ArcTable[i];
        SolutionRecord& row = tables_.SolutionTable[i];
        row.lower = arc.lower;
        row.upper = RangeEnd(arc, cursor.Take(arc));
    }
}

std::string CalculationRun::NodeName(std::int32_t node) const {
    std::string slot = tables_.NameSlot(node);
    slot = slot.substr(0, slot.find('\0'));
    return slot.substr(0, slot.find_last_not_of(' ') + 1);
}

void CalculationRun::Diagnose() {
    if (const std::optional<InfeasibleCut> cut = FindInfeasibleCut(tables_)) {
        Diagnosis diagnosis{{}, cut->inward, cut->forced, cut->most};
        for (const std::int32_t node : cut->nodes) {
            diagnosis.nodes.push_back(NodeName(node));
        }
        diagnosis_ = std::move(diagnosis);
        results_.diagnosis = DiagnosisText(*diagnosis_);
    }
}

void CalculationRun::KeepSolutionRows() {
    const auto name = [&](std::int32_t node) { return NodeName(node); };
    for (const SolutionRecord& row : tables_.BestSolutionTable) {
        results_.rows.push_back(
            SolutionRow{name(row.from), name(row.to), row.lower, row.upper, row.cost, row.flow});
    }
}

std::int64_t CalculationRun::ElapsedSeconds() const {
    if (!end_) {
        return 0;
    }
    return std::max<std::int64_t>(
        0, CivilSeconds(tables_.RunEndTime) - CivilSeconds(tables_.RunStartTime));
}

// Names listed up to a dozen; a cut through a large network can hold most of it.
std::string DiagnosisText(const CalculationRun::Diagnosis& diagnosis) {
    constexpr std::size_t kNamesShown = 12;
    const std::size_t count = diagnosis.nodes.size();
    std::string names;
    for (std::size_t i = 0; i < count && i < kNamesShown; ++i) {
        names += i == 0 ? "" : ", ";
        names += Cp932ToUtf8(diagnosis.nodes[i]);
    }
    if (count > kNamesShown) {
        names += " and " + std::to_string(count - kNamesShown) + " more";
    }
    const bool in = diagnosis.inward;
    std::string text = "no flow meets the bounds: the lower bounds of the arcs ";
    text += in ? "into " : "out of ";
    text += count == 1 ? "node " : "nodes ";
    text += names + " force at least " + IntegerText(diagnosis.forced) + (in ? " in" : " out");
    text += ", but the upper bounds of the arcs ";
    text += in ? "out" : "in";
    text += " let at most " + IntegerText(diagnosis.most) + (in ? " out" : " in");
    return text;
}

void AppendNoInputData(RunResults& results) {
    results.runList += Texts().noInputData;
    results.runList += "\r\n";
}

}  // namespace kova
