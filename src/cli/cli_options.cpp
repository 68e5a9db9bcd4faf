#include "cli/cli_options.h"

#include <charconv>
#include <cmath>
#include <functional>
#include <map>

#include "text/number_text.h"
#include "version.h"

namespace kova::cli {
namespace {

std::optional<std::int64_t> ParseCount(const std::string& text) {
    std::int64_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || result.ec != std::errc{} || result.ptr != text.data() + text.size() ||
        value < 0) {
        return std::nullopt;
    }
    return value;
}


// An option whose value is a path, stored as it is.
std::function<std::string(const std::string&)> PathInto(std::optional<std::string>& target) {
    return [&target](const std::string& value) -> std::string {
        target = value;
        return {};
    };
}

bool NamesUtf8(const std::string& v) {
    return v == "utf-8" || v == "utf8" || v == "UTF-8";
}

bool NamesCp932(const std::string& v) {
    return v == "cp932" || v == "CP932" || v == "shift_jis";
}

}  // namespace

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& arguments) {
    ParsedCommandLine parsed;
    SolveOptions& options = parsed.options;
    using Setter = std::function<std::string(const std::string&)>;
    const std::map<std::string, Setter> valued = {
        {"--input-encoding",
         [&](const std::string& v) -> std::string {
             if (NamesUtf8(v)) {
                 options.inputEncoding = InputEncoding::Utf8;
             } else if (NamesCp932(v)) {
                 options.inputEncoding = InputEncoding::Cp932;
             } else {
                 return "unknown input encoding '" + v + "' (use utf-8 or cp932)";
             }
             return {};
         }},
        {"--input-format",
         [&](const std::string& v) -> std::string {
             if (v == "kvf") {
                 options.inputFormat = InputFormat::DataLanguage;
             } else if (v == "dimacs") {
                 options.inputFormat = InputFormat::Dimacs;
             } else if (v == "csv") {
                 options.inputFormat = InputFormat::ArcTable;
             } else {
                 return "unknown input format '" + v + "' (use kvf, dimacs or csv)";
             }
             return {};
         }},
        {"--export-lp", PathInto(options.exportLpPath)},
        {"--export-mps", PathInto(options.exportMpsPath)},
        {"--export-dimacs", PathInto(options.exportDimacsPath)},
        {"--run-list", PathInto(options.runListPath)},
        {"--solution", PathInto(options.solutionPath)},
        {"--csv", PathInto(options.csvPath)},
        {"--csv-encoding",
         [&](const std::string& v) -> std::string {
             if (NamesUtf8(v)) {
                 options.csvEncoding = CsvEncoding::Utf8WithBom;
             } else if (NamesCp932(v)) {
                 options.csvEncoding = CsvEncoding::Cp932;
             } else {
                 return "unknown CSV encoding '" + v + "' (use utf-8 or cp932)";
             }
             return {};
         }},
        {"--fixed-time",
         [&](const std::string& v) -> std::string {
             options.fixedTime = ParseDateTimeText(v);
             return options.fixedTime
                        ? std::string()
                        : "--fixed-time needs \"YYYY/MM/DD HH:MM:SS\", got '" + v + "'";
         }},
        {"--tolerance",
         [&](const std::string& v) -> std::string {
             options.tolerance = ReadNumberText(v);
             return options.tolerance ? std::string()
                                      : "--tolerance needs a number, got '" + v + "'";
         }},
        {"--time-limit",
         [&](const std::string& v) -> std::string {
             options.timeLimitSeconds = ReadNumberText(v);
             if (!options.timeLimitSeconds || *options.timeLimitSeconds < 0) {
                 return "--time-limit needs a number of seconds (0 or more), got '" + v + "'";
             }
             return {};
         }},
        {"--max-branches",
         [&](const std::string& v) -> std::string {
             options.maxBranches = ParseCount(v);
             return options.maxBranches
                        ? std::string()
                        : "--max-branches needs a whole number (0 or more), got '" + v + "'";
         }},
    };
    const std::map<std::string, bool*> flags = {
        {"--raw", &options.raw},         {"--json", &options.json}, {"--quiet", &options.quiet},
        {"-q", &options.quiet},          {"--help", &options.help}, {"-h", &options.help},
        {"--version", &options.version},
    };

    std::vector<std::string> files;
    bool optionsEnded = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& argument = arguments[i];
        if (optionsEnded || argument.empty() || argument[0] != '-' || argument == "-") {
            files.push_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }
        if (const auto flag = flags.find(argument); flag != flags.end()) {
            *flag->second = true;
            continue;
        }
        std::string name = argument;
        std::optional<std::string> value;
        if (const auto equals = argument.find('='); equals != std::string::npos) {
            name = argument.substr(0, equals);
            value = argument.substr(equals + 1);
        }
        const auto setter = valued.find(name);
        if (setter == valued.end()) {
            parsed.error = "unknown option '" + argument + "'";
            return parsed;
        }
        if (!value) {
            if (i + 1 >= arguments.size()) {
                parsed.error = name + " needs a value";
                return parsed;
            }
            value = arguments[++i];
        }
        if (std::string error = setter->second(*value); !error.empty()) {
            parsed.error = error;
            return parsed;
        }
    }
    if (options.help || options.version) {
        return parsed;
    }
    if (files.empty()) {
        parsed.error = "no problem file given";
    } else if (files.size() > 1) {
        parsed.error = "one problem file at a time (got " + std::to_string(files.size()) + ")";
    } else {
        options.inputPath = files.front();
    }
    return parsed;
}

std::string UsageText() {
    return "Usage: kova-solve [options] FILE\n"
           "Solve the KOVA problem in FILE (.kvf, code page 932; - for standard input)\n"
           "and print the run list and the solution.\n"
           "\n"
           "Options:\n"
           "  --input-format FMT    kvf, dimacs (p min) or csv (an arc table); by\n"
           "                        default .min and .csv files by their extension\n"
           "  --input-encoding ENC  read FILE as cp932 (default) or utf-8\n"
           "  --tolerance X         solution tolerance (default: the stored setting)\n"
           "  --raw                 print the exact code page 932 bytes, not UTF-8\n"
           "  --json                print one JSON object instead of the texts\n"
           "  --run-list PATH       also write the run list's exact bytes to PATH\n"
           "  --solution PATH       also write the solution's exact bytes to PATH\n"
           "  --csv PATH            also write the solution as CSV to PATH\n"
           "  --csv-encoding ENC    the CSV in utf-8 with a BOM (default) or cp932\n"
           "  --export-lp PATH      write the problem as a MIP in LP form, do not solve\n"
           "  --export-mps PATH     write the problem as a MIP in free MPS form, do not solve\n"
           "  --export-dimacs PATH  write a linear problem as DIMACS (p min), do not solve\n"
           "  --fixed-time T        read every clock as T, \"YYYY/MM/DD HH:MM:SS\"\n"
           "  --time-limit SECONDS  stop the search after SECONDS\n"
           "  --max-branches N      stop the search after N branches\n"
           "  -q, --quiet           no status line on standard error\n"
           "  -h, --help            show this help\n"
           "  --version             show the version\n"
           "\n"
           "Exit status: 0 solved, 1 no solution, 2 data error, 3 stopped without a\n"
           "solution, 64 usage error, 66 file not readable, 73 output not writable.\n";
}

std::string VersionText() {
    return std::string("kova-solve ") + KOVA_VERSION_TEXT + "\n";
}

}  // namespace kova::cli
