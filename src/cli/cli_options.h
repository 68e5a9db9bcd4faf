// Command line of the headless solver.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "run/solution_csv.h"
#include "text/date_time.h"

namespace kova::cli {

// Exit statuses (sysexits where one fits).
enum ExitStatus : int {
    kExitSolved = 0,
    kExitNoSolution = 1,
    kExitDataError = 2,
    kExitStoppedWithoutSolution = 3,
    kExitUsage = 64,
    kExitNotReadable = 66,
    kExitCannotWrite = 73,
};

enum class InputEncoding { Cp932, Utf8 };
// Automatic: by the file's extension (.min DIMACS, .csv an arc table).
enum class InputFormat { Automatic, DataLanguage, Dimacs, ArcTable };

struct SolveOptions {
    std::string inputPath;
    InputEncoding inputEncoding = InputEncoding::Cp932;
    InputFormat inputFormat = InputFormat::Automatic;
    // The problem written in these forms instead of solved.
    std::optional<std::string> exportLpPath;
    std::optional<std::string> exportMpsPath;
    std::optional<std::string> exportDimacsPath;
    bool raw = false;
    bool json = false;
    bool quiet = false;
    std::optional<std::string> runListPath;
    std::optional<std::string> solutionPath;
    std::optional<std::string> csvPath;
    CsvEncoding csvEncoding = CsvEncoding::Utf8WithBom;
    std::optional<DateTime> fixedTime;
    std::optional<double> tolerance;
    std::optional<double> timeLimitSeconds;
    std::optional<std::int64_t> maxBranches;
    bool help = false;
    bool version = false;
};

struct ParsedCommandLine {
    SolveOptions options;
    std::string error;  // empty when the command line is usable
};

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments);

std::string UsageText();
std::string VersionText();

}  // namespace kova::cli
