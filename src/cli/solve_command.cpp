#include "cli/solve_command.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <algorithm>
#include <cctype>
#include <memory>

#include "cli/json_report.h"
#include "cli/terminal_monitor.h"
#include "files/output_file.h"
#include "formats/arc_table.h"
#include "formats/dimacs.h"
#include "formats/mip_model.h"
#include "parser/problem_parser.h"
#include "run/calculation_run.h"
#include "run/solution_csv.h"
#include "settings/init_settings.h"
#include "text/cp932.h"
#include "text/number_text.h"
#include "text/system_texts.h"

namespace kova::cli {
namespace {

// Larger texts would need more table memory than a desktop has.
constexpr std::uintmax_t kMaxInputBytes = 256u * 1024 * 1024;

struct InputFile {
    std::string bytes;
    std::string error;  // empty when read
};

// Reads at most one byte past the limit, so an endless stream is refused too.
void ReadDescriptor(int fd, InputFile& input) {
    char buffer[1 << 16];
    while (input.bytes.size() <= kMaxInputBytes) {
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) {
            continue;
        }
        if (count < 0) {
            input.error = std::strerror(errno);
            return;
        }
        if (count == 0) {
            return;
        }
        input.bytes.append(buffer, static_cast<std::size_t>(count));
    }
    input.error = "too large (more than " + std::to_string(kMaxInputBytes) + " bytes)";
}

InputFile ReadInput(const std::string& path) {
    InputFile input;
    if (path == "-") {
        ReadDescriptor(STDIN_FILENO, input);
        return input;
    }
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        input.error = std::strerror(errno);
        return input;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        input.error = std::strerror(errno);
    } else if (S_ISDIR(info.st_mode)) {
        input.error = "is a directory";
    } else if (S_ISREG(info.st_mode) &&
               static_cast<std::uintmax_t>(info.st_size) > kMaxInputBytes) {
        input.error = "too large (" + std::to_string(info.st_size) + " bytes; at most " +
                      std::to_string(kMaxInputBytes) + ")";
    } else {
        ReadDescriptor(fd, input);
    }
    ::close(fd);
    return input;
}

std::size_t LineOfOffset(const std::string& text, std::size_t offset) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        line += text[i] == '\n';
    }
    return line;
}

// Control bytes (a UTF-16 file read as code page 932 is full of NULs) shown
// as \xNN, so a message on a terminal or in a log stays one readable line.
std::string Printable(std::string_view utf8) {
    std::string out;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out;
}


InputFormat FormatOf(const SolveOptions& options) {
    if (options.inputFormat != InputFormat::Automatic) {
        return options.inputFormat;
    }
    const std::string& path = options.inputPath;
    const auto endsWith = [&](std::string_view suffix) {
        return path.size() >= suffix.size() &&
               std::equal(suffix.begin(), suffix.end(), path.end() - static_cast<std::ptrdiff_t>(suffix.size()),
                          [](char a, char b) { return std::tolower(static_cast<unsigned char>(b)) == a; });
    };
    if (endsWith(".min")) {
        return InputFormat::Dimacs;
    }
    if (endsWith(".csv")) {
        return InputFormat::ArcTable;
    }
    return InputFormat::DataLanguage;
}

// The file's name without folder and extension: the title of a converted problem.
std::string Stem(const std::string& path) {
    std::string name = path.substr(path.find_last_of('/') + 1);
    return name.substr(0, name.find_last_of('.'));
}

// Writes the problem in the export forms asked for; nothing is solved.
int Export(const SolveOptions& options, const std::string& text, SolveStreams streams) {
    ProblemTables tables;
    SystemClock clock;
    ProblemParser parser(tables, clock);
    std::string runList;
    if (text.empty() || !parser.ParseProblem(text, runList)) {
        const std::optional<DataError>& error = parser.Error();
        streams.err << "kova-solve: " << options.inputPath << ": "
                    << (error ? "Line " + IntegerText(error->line) + " : " +
                                    Printable(Cp932ToUtf8(error->message))
                              : std::string("the file is empty"))
                    << "\n";
        return kExitDataError;
    }
    int status = kExitSolved;
    const auto write = [&](const std::optional<std::string>& target, const std::string& bytes) {
        if (!target) {
            return;
        }
        if (const std::string error = ReplaceFile(*target, bytes); !error.empty()) {
            streams.err << "kova-solve: " << *target << ": cannot write: " << error << "\n";
            status = kExitCannotWrite;
        }
    };
    if (options.exportLpPath || options.exportMpsPath) {
        const formats::MipModel model = formats::BuildMipModel(tables);
        write(options.exportLpPath, formats::LpText(model));
        write(options.exportMpsPath, formats::MpsText(model));
    }
    if (options.exportDimacsPath) {
        const formats::Conversion dimacs = formats::ProblemToDimacs(tables);
        if (!dimacs.ok()) {
            streams.err << "kova-solve: " << *options.exportDimacsPath << ": not written: "
                        << Printable(Cp932ToUtf8(dimacs.error)) << "\n";
            return kExitDataError;
        }
        write(options.exportDimacsPath, dimacs.text);
    }
    return status;
}

}  // namespace

int RunSolve(const SolveOptions& options, SettingsStore& settings, SolveStreams streams) {
    const std::string& path = options.inputPath;
    const std::pair<const char*, const std::optional<std::string>*> outputs[] = {
        {"--run-list", &options.runListPath},
        {"--solution", &options.solutionPath},
        {"--csv", &options.csvPath},
        {"--export-lp", &options.exportLpPath},
        {"--export-mps", &options.exportMpsPath},
        {"--export-dimacs", &options.exportDimacsPath},
    };
    for (const auto& [option, target] : outputs) {
        if (*target && path != "-" && SameRegularFile(**target, path)) {
            streams.err << "kova-solve: " << option << " " << **target
                        << ": is the problem file itself; choose another file\n";
            return kExitUsage;
        }
    }
    InputFile input = ReadInput(path);
    if (!input.error.empty()) {
        streams.err << "kova-solve: " << path << ": cannot read: " << input.error << "\n";
        return kExitNotReadable;
    }
    if (streams.inputRead) {
        streams.inputRead();
    }
    std::string text = std::move(input.bytes);
    const InputFormat format = FormatOf(options);
    if (format == InputFormat::Dimacs || format == InputFormat::ArcTable) {
        const std::string title = Stem(path);
        const formats::Conversion converted = format == InputFormat::Dimacs
                                                  ? formats::DimacsToProblem(text, title)
                                                  : formats::ArcTableToProblem(text, title);
        if (!converted.ok()) {
            streams.err << "kova-solve: " << path << ": " << Printable(converted.error) << "\n";
            return kExitDataError;
        }
        text = converted.text;
    } else if (options.inputEncoding == InputEncoding::Utf8) {
        std::string_view utf8 = text;
        if (utf8.substr(0, 3) == "\xEF\xBB\xBF") {
            utf8.remove_prefix(3);
        }
        const Utf8Conversion converted = Utf8ToCp932(utf8);
        if (!converted.ok) {
            streams.err << "kova-solve: " << path << ": line "
                        << LineOfOffset(std::string(utf8), converted.errorOffset) << ": "
                        << (converted.invalidUtf8 ? "not valid UTF-8"
                                                  : "a character without a code page 932 form")
                        << " (byte " << converted.errorOffset << ")\n";
            return kExitNotReadable;
        }
        text = converted.bytes;
    }

    if (options.exportLpPath || options.exportMpsPath || options.exportDimacsPath) {
        return Export(options, text, streams);
    }

    InitSettings init;
    init.ReadAll(settings);
    const double tolerance = options.tolerance.value_or(init.tolerance);

    std::unique_ptr<Clock> clock;
    if (options.fixedTime) {
        clock = std::make_unique<FixedClock>(*options.fixedTime);
    } else {
        clock = std::make_unique<SystemClock>();
    }
    const bool statusLine = streams.errIsTerminal && !options.quiet;
    TerminalMonitor monitor(
        *clock, statusLine ? &streams.err : nullptr,
        StopLimits{options.timeLimitSeconds, options.maxBranches, streams.interrupts});

    RunResults results;
    JsonReport report;
    int status = kExitSolved;
    if (text.empty()) {
        AppendNoInputData(results);
        streams.err << "kova-solve: " << path << ": the file is empty\n";
        report.end = "data-error";
        report.error = JsonError{0, Texts().noInputData};
        status = kExitDataError;
    } else {
        CalculationRun run(monitor, tolerance);
        run.Run(text);
        monitor.ClearStatusLine();
        results = run.Results();
        const ProblemTables& tables = run.Tables();
        report.branches = tables.BranchesSolved;
        report.updates = tables.IncumbentUpdates;
        report.elapsedSeconds = run.ElapsedSeconds();
        if (const auto& error = run.Error()) {
            streams.err << "kova-solve: " << path << ": Line " << IntegerText(error->line) << " : "
                        << Printable(Cp932ToUtf8(error->message)) << "\n";
            report.end = "data-error";
            report.error = JsonError{error->line, error->message};
            status = kExitDataError;
        } else {
            const SearchEnd end = *run.End();
            const bool solved = tables.IncumbentUpdates > 0;
            report.end = EndName(end, solved);
            if (solved) {
                report.total = run.IncumbentCost();
                report.arcs = run.SolutionRows();
                if (run.FinalBound() < NoSolutionCost) {
                    report.bound = run.FinalBound();
                }
            }
            report.diagnosis = run.Infeasibility();
            if (report.diagnosis) {
                streams.err << "kova-solve: " << path << ": " << Printable(DiagnosisText(*report.diagnosis))
                            << "\n";
            }
            const bool stopped =
                end == SearchEnd::StoppedAtRoot || end == SearchEnd::StoppedInBranch;
            if (stopped && solved && !options.quiet) {
                streams.err << "kova-solve: stopped with total " << NumberText(run.IncumbentCost());
                if (report.bound) {
                    streams.err << ", bound " << NumberText(*report.bound) << ", gap "
                                << NumberText(run.IncumbentCost() - *report.bound);
                }
                streams.err << "\n";
            }
            if (stopped) {
                status = solved ? kExitSolved : kExitStoppedWithoutSolution;
            } else {
                status = solved ? kExitSolved : kExitNoSolution;
            }
        }
    }

    errno = 0;
    if (options.json) {
        streams.out << ToJson(report);
    } else {
        // The run list ends without a line end, so the table would start on
        // its last line.
        const std::string joined =
            results.runList + (results.solution.empty() ? "" : "\r\n") + results.solution;
        streams.out << (options.raw ? joined : Cp932ToUtf8(joined));
    }
    streams.out.flush();
    if (!streams.out) {
        const int error = errno;
        streams.err << "kova-solve: standard output: cannot write: "
                    << (error != 0 ? std::strerror(error) : "write error") << "\n";
        status = kExitCannotWrite;
    }

    std::string csv;
    if (options.csvPath) {
        if (report.total) {
            csv = SolutionCsv(report.arcs, options.csvEncoding);
        } else {
            streams.err << "kova-solve: " << *options.csvPath
                        << ": not written: there is no solution\n";
        }
    }
    const std::pair<const std::optional<std::string>*, const std::string*> files[] = {
        {&options.runListPath, &results.runList},
        {&options.solutionPath, &results.solution},
        {report.total ? &options.csvPath : nullptr, &csv},
    };
    for (const auto& [target, bytes] : files) {
        if (target == nullptr || !*target) {
            continue;
        }
        if (const std::string error = ReplaceFile(**target, *bytes); !error.empty()) {
            streams.err << "kova-solve: " << **target << ": cannot write: " << error << "\n";
            status = kExitCannotWrite;
        }
    }
    return status;
}

}  // namespace kova::cli
