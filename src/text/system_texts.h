// Every text the core writes, in code page 932, converted once from the
// UTF-8 written here.
#pragma once

#include <string>

namespace kova {

struct SystemTexts {
    SystemTexts();

    // Run list: header and parser.
    std::string runListBanner;
    std::string dataInputHeader;
    std::string dataLabel;
    std::string defaultTitle;
    std::string summaryHas;
    std::string summaryNodes;
    std::string summaryArcs;
    std::string linePrefix;
    std::string undefinedStatement;
    std::string missingEnd;
    std::string contradictoryBounds;
    std::string contradictoryUpper;
    std::string nameTooLong;
    std::string boundTooLarge;
    std::string costTooLarge;
    std::string costTotalTooLarge;

    // Run command and run driver.
    std::string noInputData;
    std::string dataErrorMessage;
    std::string elapsedLabel;
    std::string nonJapaneseLocale;

    // Ends of the search.
    std::string endNoSolution;
    std::string endStopped;
    std::string endStoppedRunList;
    std::string endOptimal;
    std::string branchesLabel;

    // Solution table.
    std::string solutionBanner;
    std::string noSolutionBeforeStop;  // the solution text of a stop before any solution
    std::string solutionHeading;
    std::string totalLabel;

    // Live fields of the status display.
    std::string feasible;
    std::string infeasible;
    std::string initialGap;
    std::string initialZero;
    std::string initialElapsed;

    // Printing.
    std::string printHeader;
    std::string printBannerEdge;
    std::string printBanner;
    std::string printNoInputData;
    std::string printNotRun;
    std::string printFailed;
};

const SystemTexts& Texts();

}  // namespace kova
