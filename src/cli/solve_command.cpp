#include "cli/solve_command.h"

#include <sys/stat.h>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <memory>

#include "cli/json_report.h"
#include "cli/terminal_monitor.h"
#include "run/calculation_run.h"
#include "run/init_settings.h"
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
void ReadStream(std::istream& stream, InputFile& input) {
    char buffer[1 << 16];
    while (stream && input.bytes.size() <= kMaxInputBytes) {
        stream.read(buffer, sizeof buffer);
        input.bytes.append(buffer, static_cast<std::size_t>(stream.gcount()));
    }
    if (stream.bad()) {
        input.error = "read error";
    } else if (input.bytes.size() > kMaxInputBytes) {
        input.error = "too large (more than " + std::to_string(kMaxInputBytes) + " bytes)";
    }
}

InputFile ReadInput(const std::string& path) {
    InputFile input;
    if (path == "-") {
        ReadStream(std::cin, input);
        return input;
    }
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0) {
        input.error = std::strerror(errno);
        return input;
    }
    if (S_ISDIR(info.st_mode)) {
        input.error = "is a directory";
        return input;
    }
    if (S_ISREG(info.st_mode) && static_cast<std::uintmax_t>(info.st_size) > kMaxInputBytes) {
        input.error = "too large (" + std::to_string(info.st_size) + " bytes; at most " +
                      std::to_string(kMaxInputBytes) + ")";
        return input;
    }
    std::ifstream stream(path, std::ios::binary);
    if (!stream) {
        input.error = std::strerror(errno);
        return input;
    }
    ReadStream(stream, input);
    return input;
}

std::size_t LineOfOffset(const std::string& text, std::size_t offset) {
    std::size_t line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        line += text[i] == '\n';
    }
    return line;
}

bool WriteBytes(const std::string& path, const std::string& bytes, std::string& error) {
    std::ofstream stream(path, std::ios::binary | std::ios::trunc);
    if (stream) {
        stream.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        stream.flush();
    }
    if (!stream) {
        error = std::strerror(errno);
        return false;
    }
    return true;
}

}  // namespace

int RunSolve(const SolveOptions& options, SettingsStore& settings, SolveStreams streams) {
    const std::string& path = options.inputPath;
    InputFile input = ReadInput(path);
    if (!input.error.empty()) {
        streams.err << "kova-solve: " << path << ": cannot read: " << input.error << "\n";
        return kExitNotReadable;
    }
    std::string text = std::move(input.bytes);
    if (options.inputEncoding == InputEncoding::Utf8) {
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
                        << Cp932ToUtf8(error->message) << "\n";
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
            }
            const bool stopped =
                end == SearchEnd::StoppedAtRoot || end == SearchEnd::StoppedInBranch;
            if (stopped) {
                status = solved ? kExitSolved : kExitStoppedWithoutSolution;
            } else {
                status = solved ? kExitSolved : kExitNoSolution;
            }
        }
    }

    if (options.json) {
        streams.out << ToJson(report);
    } else if (options.raw) {
        streams.out << results.runList << results.solution;
    } else {
        streams.out << Cp932ToUtf8(results.runList + results.solution);
    }
    streams.out.flush();

    const std::pair<const std::optional<std::string>*, const std::string*> outputs[] = {
        {&options.runListPath, &results.runList},
        {&options.solutionPath, &results.solution},
    };
    for (const auto& [target, bytes] : outputs) {
        std::string error;
        if (*target && !WriteBytes(**target, *bytes, error)) {
            streams.err << "kova-solve: " << **target << ": cannot write: " << error << "\n";
            return kExitCannotWrite;
        }
    }
    return status;
}

}  // namespace kova::cli
