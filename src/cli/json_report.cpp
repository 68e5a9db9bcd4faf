#include "cli/json_report.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "text/cp932.h"
#include "text/number_text.h"

namespace kova::cli {
namespace {

void AppendString(std::string& out, std::string_view utf8) {
    out += '"';
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    out += '"';
}

void AppendNumber(std::string& out, double value) {
    if (!std::isfinite(value)) {
        out += "null";
        return;
    }
    if (value == 0.0) {
        value = 0.0;  // no "-0"
    }
    char buffer[64];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    out.append(buffer, result.ptr);
}

}  // namespace

std::string EndName(SearchEnd end, bool withSolution) {
    switch (end) {
        case SearchEnd::NoSolutionAtRoot:
            return "no-solution-root";
        case SearchEnd::StoppedAtRoot:
            return "stopped-root";
        case SearchEnd::OptimalAtRoot:
            return "optimal-root";
        case SearchEnd::StoppedInBranch:
            return "stopped-branch";
        case SearchEnd::OptimalInBranch:
            return "optimal-branch";
        case SearchEnd::Exhausted:
        case SearchEnd::ExhaustedNoSolution:
            return withSolution ? "exhausted" : "no-solution-exhausted";
    }
    return "exhausted";
}

std::string ToJson(const JsonReport& report) {
    std::string out = "{\"end\":";
    AppendString(out, report.end);
    const auto appendOptional = [&](const std::optional<double>& value) {
        if (value) {
            AppendNumber(out, *value);
        } else {
            out += "null";
        }
    };
    out += ",\"total\":";
    appendOptional(report.total);
    out += ",\"bound\":";
    appendOptional(report.bound);
    out += ",\"gap\":";
    appendOptional(report.total && report.bound
                       ? std::optional<double>(*report.total - *report.bound)
                       : std::nullopt);
    out += ",\"branches\":" + IntegerText(report.branches);
    out += ",\"updates\":" + IntegerText(report.updates);
    out += ",\"elapsed_seconds\":" + IntegerText(report.elapsedSeconds);
    out += ",\"arcs\":[";
    for (std::size_t i = 0; i < report.arcs.size(); ++i) {
        const auto& arc = report.arcs[i];
        out += i == 0 ? "{" : ",{";
        out += "\"no\":" + IntegerText(static_cast<std::int64_t>(i) + 1);
        out += ",\"from\":";
        AppendString(out, Cp932ToUtf8(arc.from));
        out += ",\"to\":";
        AppendString(out, Cp932ToUtf8(arc.to));
        out += ",\"lower\":" + IntegerText(arc.lower);
        out += ",\"upper\":" + IntegerText(arc.upper);
        out += ",\"cost\":";
        AppendNumber(out, arc.cost);
        out += ",\"flow\":" + IntegerText(arc.flow);
        out += "}";
    }
    out += "],\"diagnosis\":";
    if (report.diagnosis) {
        out += "{\"nodes\":[";
        for (std::size_t i = 0; i < report.diagnosis->nodes.size(); ++i) {
            out += i == 0 ? "" : ",";
            AppendString(out, Cp932ToUtf8(report.diagnosis->nodes[i]));
        }
        const bool in = report.diagnosis->inward;
        out += "],\"forced_" + std::string(in ? "in" : "out") +
               "\":" + IntegerText(report.diagnosis->forced);
        out += ",\"most_" + std::string(in ? "out" : "in") +
               "\":" + IntegerText(report.diagnosis->most) + "}";
    } else {
        out += "null";
    }
    out += ",\"error\":";
    if (report.error) {
        out += "{\"line\":" + IntegerText(report.error->line) + ",\"message\":";
        AppendString(out, Cp932ToUtf8(report.error->message));
        out += "}";
    } else {
        out += "null";
    }
    out += "}\n";
    return out;
}

}  // namespace kova::cli
