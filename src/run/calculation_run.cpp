#include "run/calculation_run.h"

#include "text/date_time.h"
#include "text/system_texts.h"

namespace kova {

void CalculationRun::Run(std::string_view dataText) {
    tables_.BranchesSolved = 0;
    tables_.IncumbentUpdates = 0;
    results_ = RunResults{};
    accepted_ = parser_.ParseProblem(dataText, results_.runList);
    if (accepted_) {
        FillSolutionBounds();
        // The branch-and-bound search comes here.
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
    std::size_t piece = 0;
    for (std::size_t i = 0; i < tables_.ArcTable.size(); ++i) {
        const ArcRecord& arc = tables_.ArcTable[i];
        SolutionRecord& row = tables_.SolutionTable[i];
        row.lower = arc.lower;
        piece += static_cast<std::size_t>(arc.pieceCount - 1);
        row.upper = arc.pieceCount == 1 ? arc.upper : tables_.PieceTable[piece - 1].upper;
    }
}

void AppendNoInputData(RunResults& results) {
    results.runList += Texts().noInputData;
    results.runList += "\r\n";
}

}  // namespace kova
