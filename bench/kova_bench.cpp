// kova-bench: times the optimiser on seeded generated problems against two
// independent solvers in the same run: LEMON's network simplex on linear
// problems and CBC (a MIP with one binary per cost piece) on piecewise ones.
// Prints one table, each row beside its anchor, then the growth exponent
// and memory. `--quick` runs a small subset for the development loop.
#include <lemon/dimacs.h>
#include <lemon/network_simplex.h>
#include <lemon/smart_graph.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "formats/dimacs.h"
#include "formats/mip_model.h"
#include "generator/problem_generator.h"
#include "parser/problem_parser.h"
#include "run/calculation_run.h"

namespace kova {
namespace {

constexpr double kRootOnly = 1e300;  // a tolerance that ends every search at the root

// No display; stops after a number of branches or seconds.
class BenchMonitor final : public RunMonitor {
  public:
    BenchMonitor(long maxBranches, double maxSeconds)
        : maxBranches_(maxBranches),
          deadline_(std::chrono::steady_clock::now() +
                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::duration<double>(maxSeconds))) {}
    void SetField(LiveField field, std::string_view text) override {
        if (field == LiveField::Branches && std::stol(std::string(text)) >= maxBranches_) {
            stop_ = true;
        }
        if (field == LiveField::BestTotal) {
            shown_.emplace_back(
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count(),
                std::stod(std::string(text)));
        }
    }
    // Each incumbent shown: seconds since the start, total.
    const std::vector<std::pair<double, double>>& Incumbents() const { return shown_; }
    void Pump() override {}
    bool StopRequested() override {
        if (!stop_ && ++calls_ % 1024 == 0 && std::chrono::steady_clock::now() > deadline_) {
            stop_ = true;
        }
        return stop_;
    }
    void ShowMessage(std::string_view, MessageIcon) override {}
    DateTime Now() override { return DateTime{}; }

  private:
    long maxBranches_;
    std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::chrono::steady_clock::time_point deadline_;
    std::vector<std::pair<double, double>> shown_;
    long calls_ = 0;
    bool stop_ = false;
};

// Piecewise transport problems: costs and bounds not negative, a share of
// the arcs with 2-4 pieces of every shape (concave, jumps up and down,
// fixed charges, convex).
std::string Piecewise(int arcs, double multiPieceShare, std::uint64_t seed) {
    GeneratorOptions options;
    options.seed = seed;
    options.arcs = arcs;
    options.nodes = arcs / 5 + 2;
    options.multiPieceShare = multiPieceShare;
    options.negativeBounds = false;
    options.negativeCosts = false;
    return GenerateProblem(options);
}

// Uncapacitated fixed-charge networks: charges 10-1000 times the unit costs,
// a node per 4 arcs, a source per 20 nodes and a sink per 5.
std::string FixedCharge(FixedChargeLayout layout, int arcs, std::uint64_t seed) {
    FixedChargeOptions options;
    options.seed = seed;
    options.layout = layout;
    options.arcs = arcs;
    options.nodes = std::max(8, arcs / 4);
    options.sources = std::max(1, options.nodes / 20);
    options.sinks = std::max(2, options.nodes / 5);
    return GenerateFixedChargeProblem(options);
}

// Linear problems with lower bounds and negative costs.
std::string Linear(int arcs) {
    GeneratorOptions options;
    options.seed = 7;
    options.arcs = arcs;
    options.nodes = arcs / 5 + 2;
    options.multiPieceShare = 0.0;
    options.negativeBounds = false;
    options.negativeCosts = true;
    options.tightness = 0.5;
    return GenerateProblem(options);
}

struct KovaResult {
    bool solved = false;
    bool finished = false;  // not stopped by a limit
    double total = 0.0;
    std::int32_t branches = 0;
    std::vector<std::pair<double, double>> incumbents;  // seconds, total
    std::int64_t narrowings = 0;
    std::int64_t branchNarrowings = 0;
};

KovaResult SolveKova(const std::string& text, double tolerance, double maxSeconds = 1e9) {
    BenchMonitor monitor(1L << 40, maxSeconds);
    CalculationRun run(monitor, tolerance);
    run.Run(text);
    KovaResult result;
    result.solved = run.Tables().IncumbentUpdates > 0;
    result.finished = run.End() && *run.End() != SearchEnd::StoppedAtRoot &&
                      *run.End() != SearchEnd::StoppedInBranch;
    result.total = run.IncumbentCost();
    result.branches = run.Tables().BranchesSolved;
    result.incumbents = monitor.Incumbents();
    result.narrowings = run.Narrowings();
    result.branchNarrowings = run.BranchNarrowings();
    return result;
}

// The parsed tables of a problem, for the other solvers.
struct Parsed {
    ProblemTables tables;
    explicit Parsed(const std::string& text) {
        FixedClock clock(DateTime{});
        ProblemParser parser(tables, clock);
        std::string runList;
        parser.ParseProblem(text, runList);
    }
};

// Linear problems only: every arc one piece.
std::optional<double> SolveLemon(const ProblemTables& t) {
    using Graph = lemon::SmartDigraph;
    Graph graph;
    std::vector<Graph::Node> nodes;
    for (std::int32_t n = 0; n < t.NodeCount; ++n) {
        nodes.push_back(graph.addNode());
    }
    Graph::ArcMap<long long> lower(graph), upper(graph);
    Graph::ArcMap<double> cost(graph);
    double constant = 0.0;
    for (const ArcRecord& arc : t.ArcTable) {
        const bool fromZero = arc.baseCost == 0.0;
        if (!fromZero) {
            constant += arc.baseCost - arc.unitCost * arc.lower;
        }
        if (arc.from == arc.to) {  // a loop carries what its cost prefers
            constant += arc.unitCost * (arc.unitCost < 0 ? arc.upper : arc.lower);
            continue;
        }
        const Graph::Arc a = graph.addArc(nodes[static_cast<std::size_t>(arc.from)],
                                          nodes[static_cast<std::size_t>(arc.to)]);
        lower[a] = arc.lower;
        upper[a] = arc.upper;
        cost[a] = arc.unitCost;
    }
    lemon::NetworkSimplex<Graph, long long, double> simplex(graph);
    simplex.lowerMap(lower).upperMap(upper).costMap(cost);
    if (simplex.run() != lemon::NetworkSimplex<Graph, long long, double>::OPTIMAL) {
        return std::nullopt;
    }
    return simplex.totalCost<double>() + constant;
}

struct CbcResult {
    std::optional<double> total;  // proved optimal
    std::optional<double> best;   // the best found, proved or not
    double seconds = 0.0;
};

CbcResult SolveCbc(const ProblemTables& t, double maxSeconds) {
    char path[] = "/tmp/kova-bench-XXXXXX.lp";
    const int fd = mkstemps(path, 3);
    CbcResult result;
    if (fd < 0) {
        return result;
    }
    close(fd);
    std::ofstream(path) << formats::LpText(formats::BuildMipModel(t));
    const auto start = std::chrono::steady_clock::now();
    const std::string command = "cbc " + std::string(path) + " sec " +
                                std::to_string(static_cast<long>(maxSeconds)) + " solve quit 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    char buffer[4096];
    while (pipe != nullptr && fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    if (pipe != nullptr) {
        pclose(pipe);
    }
    result.seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::remove(path);
    const auto found = output.find("Objective value:");
    if (found != std::string::npos && output.find("No feasible solution") == std::string::npos) {
        result.best = std::stod(output.substr(found + 16));
        if (output.find("Result - Optimal solution found") != std::string::npos) {
            result.total = result.best;
        }
    }
    return result;
}

// ---- Timing and the table.

double Now() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The fastest of `repeats` runs of `work`, in seconds.
template <typename Work>
double Fastest(int repeats, Work&& work) {
    double best = 1e300;
    for (int i = 0; i < repeats; ++i) {
        const double start = Now();
        work();
        best = std::min(best, Now() - start);
    }
    return best;
}

std::string Seconds(double s) {
    char buffer[32];
    if (s < 1e-3) {
        std::snprintf(buffer, sizeof buffer, "%.1f µs", s * 1e6);
    } else if (s < 1.0) {
        std::snprintf(buffer, sizeof buffer, "%.1f ms", s * 1e3);
    } else {
        std::snprintf(buffer, sizeof buffer, "%.2f s", s);
    }
    return buffer;
}

bool SameTotal(double a, double b) {
    return std::isfinite(a) && std::isfinite(b) &&
           std::fabs(a - b) <= 1e-6 * std::max(1.0, std::fabs(a));
}

void Row(const std::string& measure, int arcs, const std::string& kova, const std::string& other,
         const std::string& ratio, const std::string& totals) {
    std::printf("| %s | %d | %s | %s | %s | %s |\n", measure.c_str(), arcs, kova.c_str(),
                other.c_str(), ratio.c_str(), totals.c_str());
    std::fflush(stdout);
}

std::string Ratio(double a, double b) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", a / b);
    return buffer;
}

// KOVA's time over CBC's, marked as a bound where only one side was stopped.
std::string StoppedRatio(double ours, bool oursDone, double theirs, bool theirsDone) {
    const char* bound = oursDone && !theirsDone ? "< " : !oursDone && theirsDone ? "> " : "";
    return bound + Ratio(ours, theirs);
}

// Linear root solve against LEMON; returns KOVA's seconds.
double LinearRow(int arcs, int repeats) {
    const std::string text = Linear(arcs);
    KovaResult kova;
    const double ours = Fastest(repeats, [&] { kova = SolveKova(text, 0.0); });
    std::optional<double> lemon;
    const double theirs = Fastest(repeats, [&] {
        Parsed parsed(text);
        lemon = SolveLemon(parsed.tables);
    });
    char totals[96];
    std::snprintf(totals, sizeof totals, "%s (%.0f)",
                  lemon && SameTotal(kova.total, *lemon) ? "equal" : "DIFFER", lemon.value_or(NAN));
    Row("linear, lower bounds, negative costs: KOVA / LEMON network simplex", arcs, Seconds(ours),
        Seconds(theirs), Ratio(ours, theirs), totals);
    return ours;
}

// A linear problem as a DIMACS file: KOVA's conversion into the data
// language against LEMON's own reader of the same file, and both optima.
void DimacsRow(int arcs) {
    const Parsed parsed(Linear(arcs));
    const formats::Conversion dimacs = formats::ProblemToDimacs(parsed.tables);
    formats::Conversion converted;
    const double ours = Fastest(3, [&] { converted = formats::DimacsToProblem(dimacs.text, "b"); });
    using Graph = lemon::SmartDigraph;
    Graph graph;
    Graph::ArcMap<long long> lower(graph), upper(graph), cost(graph);
    Graph::NodeMap<long long> supply(graph);
    const double theirs = Fastest(3, [&] {
        graph.clear();
        std::istringstream in(dimacs.text);
        lemon::readDimacsMin(in, graph, lower, upper, cost, supply);
    });
    lemon::NetworkSimplex<Graph, long long, long long> simplex(graph);
    simplex.lowerMap(lower).upperMap(upper).costMap(cost).supplyMap(supply);
    std::optional<double> lemonTotal;
    if (simplex.run() == lemon::NetworkSimplex<Graph, long long, long long>::OPTIMAL) {
        lemonTotal = static_cast<double>(simplex.totalCost());
    }
    const KovaResult kova = converted.ok() ? SolveKova(converted.text, 0.0) : KovaResult{};
    char totals[128];
    std::snprintf(
        totals, sizeof totals, "%s (%.0f): KOVA's solve of the text, LEMON's of its graph",
        converted.ok() && lemonTotal && SameTotal(kova.total, *lemonTotal) ? "equal" : "DIFFER",
        lemonTotal.value_or(NAN));
    Row("DIMACS file into the data language: KOVA / LEMON reading it", arcs, Seconds(ours),
        Seconds(theirs), Ratio(ours, theirs), totals);
}

// Whole search to tolerance 0 against CBC.
void PiecewiseRow(int arcs, double share, std::uint64_t seed, double maxSeconds, bool withCbc) {
    const std::string text = Piecewise(arcs, share, seed);
    KovaResult kova;
    const double ours = Fastest(1, [&] { kova = SolveKova(text, 0.0, maxSeconds); });
    char measure[128];
    std::snprintf(measure, sizeof measure,
                  "piecewise, %.0f%% multi-piece (seed %llu): KOVA / CBC, whole search",
                  share * 100, static_cast<unsigned long long>(seed));
    const std::string oursText = (kova.finished ? "" : "> ") + Seconds(ours);
    char branches[64];
    std::snprintf(branches, sizeof branches, "%d branches", kova.branches);
    if (!withCbc) {
        Row(measure, arcs, oursText, "", "",
            std::string(branches) + " (" + std::to_string(static_cast<long long>(kova.total)) +
                ")");
        return;
    }
    Parsed parsed(text);
    const CbcResult cbc = SolveCbc(parsed.tables, maxSeconds);
    const std::string theirs = (cbc.total ? "" : "> ") + Seconds(cbc.seconds);
    std::string totals;
    if (kova.finished && !cbc.total) {
        totals = "KOVA proves, CBC unfinished:";
    } else if (!kova.finished && cbc.total) {
        totals = "KOVA unfinished, CBC proves:";
    } else if (!kova.finished) {
        totals = "both unfinished:";
    } else {
        totals = SameTotal(kova.total, *cbc.total) ? "equal" : "DIFFER";
    }
    char value[64];
    std::snprintf(value, sizeof value, " (%.0f), ", kova.total);
    Row(measure, arcs, oursText, theirs,
        StoppedRatio(ours, kova.finished, cbc.seconds, cbc.total.has_value()),
        totals + value + branches);
}

std::string Thousands(double value) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.0f", std::fabs(value));
    const std::string digits = buffer;
    std::string grouped = value < 0 ? "-" : "";
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) {
            grouped += ' ';
        }
        grouped += digits[i];
    }
    return grouped;
}

// Whole search on a fixed-charge network against CBC, both under the same
// limit; with the first incumbent's time and distance from the best total.
void FixedChargeRow(FixedChargeLayout layout, int arcs, std::uint64_t seed, double maxSeconds) {
    static const char* const names[] = {"random", "grid", "layered"};
    const std::string text = FixedCharge(layout, arcs, seed);
    KovaResult kova;
    const double ours = Fastest(1, [&] { kova = SolveKova(text, 0.0, maxSeconds); });
    Parsed parsed(text);
    const CbcResult cbc = SolveCbc(parsed.tables, maxSeconds);
    char measure[128];
    std::snprintf(measure, sizeof measure, "fixed charge, %s (seed %llu): KOVA / CBC, whole search",
                  names[static_cast<int>(layout)], static_cast<unsigned long long>(seed));
    const double best = std::min(kova.total, cbc.best.value_or(kova.total));
    const auto above = [&](double total) {
        char buffer[32];
        std::snprintf(buffer, sizeof buffer, "%+.2f %%", 100.0 * (total - best) / std::fabs(best));
        return std::string(buffer);
    };
    std::string totals;
    if (kova.finished && cbc.total) {
        totals = (SameTotal(kova.total, *cbc.total) ? "equal (" : "DIFFER (") +
                 Thousands(kova.total) + ")";
    } else {
        totals = "KOVA " + Thousands(kova.total) + (kova.finished ? " proved" : "") + ", CBC " +
                 (cbc.best ? Thousands(*cbc.best) + (cbc.total ? " proved" : "") : "none");
    }
    totals += ", " + Thousands(kova.branches) + " branches, " + Thousands(kova.narrowings) +
              " ranges cut by the root's prices, " + Thousands(kova.branchNarrowings) +
              " found by branches' own";
    if (!kova.incumbents.empty()) {
        totals += "; first " + above(kova.incumbents.front().second) + " at " +
                  Seconds(kova.incumbents.front().first);
        for (const auto& [seconds, total] : kova.incumbents) {
            if (total <= best + 0.05 * std::fabs(best)) {
                totals += ", within 5 % at " + Seconds(seconds);
                break;
            }
        }
    }
    Row(measure, arcs, (kova.finished ? "" : "> ") + Seconds(ours),
        (cbc.total ? "" : "> ") + Seconds(cbc.seconds),
        StoppedRatio(ours, kova.finished, cbc.seconds, cbc.total.has_value()), totals);
}

// Peak resident memory of a fresh process solving a linear problem's root.
double PeakBytesPerArc(int arcs) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return NAN;
    }
    const pid_t child = fork();
    if (child == 0) {
        const std::string text = Linear(arcs);
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        SolveKova(text, 0.0);
        rusage after{};
        getrusage(RUSAGE_SELF, &after);
        const double bytes = (after.ru_maxrss - before.ru_maxrss) * 1024.0 / arcs;
        if (write(pipeEnds[1], &bytes, sizeof bytes) != sizeof bytes) {
            _exit(1);
        }
        _exit(0);
    }
    double bytes = NAN;
    if (read(pipeEnds[0], &bytes, sizeof bytes) != sizeof bytes) {
        bytes = NAN;
    }
    waitpid(child, nullptr, 0);
    close(pipeEnds[0]);
    close(pipeEnds[1]);
    return bytes;
}

}  // namespace
}  // namespace kova

int main(int argc, char** argv) {
    using namespace kova;
    bool quick = false;
    bool fixedChargeOnly = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--quick") {
            quick = true;
        } else if (std::string(argv[i]) == "--formats") {
            std::printf("| measure | arcs | KOVA | other | KOVA / other | totals |\n");
            std::printf("|---|---:|---:|---:|---:|---|\n");
            DimacsRow(100000);
            return 0;
        } else if (std::string(argv[i]) == "--fixed-charge") {
            fixedChargeOnly = true;
        } else {
            std::fprintf(stderr, "usage: kova-bench [--quick] [--fixed-charge] [--formats]\n");
            return 64;
        }
    }
    // Solves that do not end within this many seconds are stopped and shown as "> t".
    double searchSeconds = quick ? 30.0 : 120.0;
    if (const char* limit = std::getenv("KOVA_BENCH_SEARCH_SECONDS")) {
        searchSeconds = std::atof(limit);
    }

    std::printf("| measure | arcs | KOVA | other | KOVA / other | totals |\n");
    std::printf("|---|---:|---:|---:|---:|---|\n");
    std::vector<std::pair<double, double>> points;
    for (const int arcs : fixedChargeOnly ? std::vector<int>{}
                          : quick         ? std::vector<int>{1000, 20000}
                                          : std::vector<int>{1000, 20000, 100000}) {
        const double seconds = LinearRow(arcs, arcs >= 100000 ? 2 : 5);
        points.emplace_back(std::log(arcs), std::log(seconds));
    }
    if (!fixedChargeOnly) {
        DimacsRow(quick ? 20000 : 100000);
    }
    struct Piecewise {
        int arcs;
        double share;
        std::uint64_t seed;
    };
    const std::vector<Piecewise> piecewise =
        quick ? std::vector<Piecewise>{{300, 0.2, 5}, {1000, 0.2, 5}}
              : std::vector<Piecewise>{{1000, 0.2, 5}, {1000, 0.2, 6}, {2000, 0.2, 5},
                                       {1000, 0.4, 5}, {2000, 0.4, 5}, {5000, 0.1, 5}};
    for (const Piecewise& p : fixedChargeOnly ? std::vector<Piecewise>{} : piecewise) {
        PiecewiseRow(p.arcs, p.share, p.seed, searchSeconds, true);
    }
    struct FixedChargeCase {
        FixedChargeLayout layout;
        int arcs;
    };
    const std::vector<FixedChargeCase> fixedCharge =
        quick ? std::vector<FixedChargeCase>{{FixedChargeLayout::Random, 100},
                                             {FixedChargeLayout::Grid, 300}}
              : std::vector<FixedChargeCase>{
                    {FixedChargeLayout::Random, 100},   {FixedChargeLayout::Random, 300},
                    {FixedChargeLayout::Grid, 300},     {FixedChargeLayout::Layered, 300},
                    {FixedChargeLayout::Random, 1000},  {FixedChargeLayout::Grid, 1000},
                    {FixedChargeLayout::Layered, 1000}, {FixedChargeLayout::Random, 2000}};
    for (const FixedChargeCase& f : fixedCharge) {
        FixedChargeRow(f.layout, f.arcs, 1, searchSeconds);
    }
    if (points.size() >= 2) {
        double sx = 0, sy = 0, sxx = 0, sxy = 0;
        for (const auto& [x, y] : points) {
            sx += x, sy += y, sxx += x * x, sxy += x * y;
        }
        const double n = static_cast<double>(points.size());
        std::printf("\nGrowth exponent of the linear root solve, %d to %d arcs: %.2f\n",
                    static_cast<int>(std::exp(points.front().first) + 0.5),
                    static_cast<int>(std::exp(points.back().first) + 0.5),
                    (n * sxy - sx * sy) / (n * sxx - sx * sx));
    }
    if (fixedChargeOnly) {
        return 0;
    }
    const int memoryArcs = quick ? 20000 : 100000;
    std::printf("Peak memory per arc, linear root solve of %d arcs: %.0f B\n", memoryArcs,
                PeakBytesPerArc(memoryArcs));
    std::printf(
        "Memory per branch record: %zu B (list record, heap entry and kept-range index),"
        " 12 B more with its share of kept ranges\n",
        sizeof(BranchRecord) + sizeof(std::pair<double, std::int32_t>) + 2 * sizeof(std::uint32_t));
    return 0;
}
