// kova-bench: times the optimiser on seeded generated problems and compares
// it, in the same run, with its own plain version and with two independent
// solvers: LEMON's network simplex on linear problems and CBC (a MIP with one
// binary per cost piece) on piecewise ones. Prints Google Benchmark's table,
// then a summary with the ratios, the growth exponent and memory.
#include <benchmark/benchmark.h>
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

#include "generator/problem_generator.h"
#include "oracle/plain_branch_selector.h"
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
    }
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
    std::chrono::steady_clock::time_point deadline_;
    long calls_ = 0;
    bool stop_ = false;
};

std::string Problem(int arcs, double multiPieceShare, std::uint64_t seed = 5) {
    GeneratorOptions options;
    options.seed = seed;
    options.arcs = arcs;
    options.nodes = arcs / 5 + 2;
    options.multiPieceShare = multiPieceShare;
    // Transport costs and bounds as practitioners have them: not negative.
    options.negativeBounds = false;
    options.negativeCosts = false;
    return GenerateProblem(options);
}

struct KovaResult {
    bool solved = false;
    bool finished = false;  // not stopped by a limit
    double total = 0.0;
    std::int32_t branches = 0;
};

KovaResult SolveKova(const std::string& text, double tolerance, SearchMethodsFactory methods,
                     long maxBranches = 1L << 40, double maxSeconds = 1e9) {
    BenchMonitor monitor(maxBranches, maxSeconds);
    CalculationRun run(monitor, tolerance, methods);
    run.Run(text);
    KovaResult result;
    result.solved = run.Tables().IncumbentUpdates > 0;
    result.finished = run.End() && *run.End() != SearchEnd::StoppedAtRoot &&
                      *run.End() != SearchEnd::StoppedInBranch;
    result.total = run.IncumbentCost();
    result.branches = run.Tables().BranchesSolved;
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

// The problem as a MIP in LP format: per arc one binary per non-empty piece.
std::string MipText(const ProblemTables& t) {
    std::ostringstream objective, constraints, bounds, general, binary;
    objective.precision(17);
    std::map<std::int32_t, std::map<std::size_t, int>> balance;
    int row = 0;
    std::size_t piece = 0;
    for (std::size_t i = 0; i < t.ArcTable.size(); ++i) {
        const ArcRecord& arc = t.ArcTable[i];
        const std::string x = "x" + std::to_string(i);
        general << ' ' << x;
        balance[arc.from][i] -= 1;
        balance[arc.to][i] += 1;
        struct P {
            double base, unit;
            long long start, lo, hi;
        };
        std::vector<P> pieces;
        pieces.push_back(P{arc.baseCost, arc.unitCost, arc.lower, arc.lower, arc.upper});
        for (std::int32_t k = 0; k < arc.pieceCount - 1; ++k, ++piece) {
            const PieceRecord& extra = t.PieceTable[piece];
            const long long previous = pieces.back().hi;
            pieces.push_back(
                P{extra.baseCost, extra.unitCost, previous, previous + 1, extra.upper});
        }
        const bool fromZero = arc.pieceCount == 1 && arc.baseCost == 0.0;
        bounds << ' ' << arc.lower << " <= " << x << " <= " << pieces.back().hi << '\n';
        std::string choose = "", sum = x;
        for (std::size_t k = 0; k < pieces.size(); ++k) {
            const P& p = pieces[k];
            if (p.lo > p.hi) {
                continue;
            }
            const std::string y = "y" + std::to_string(i) + "_" + std::to_string(k);
            const std::string w = "w" + std::to_string(i) + "_" + std::to_string(k);
            binary << ' ' << y;
            const double constant = fromZero ? 0.0 : p.base - p.unit * static_cast<double>(p.start);
            objective << ' ' << std::showpos << constant << ' ' << y << ' ' << p.unit << ' ' << w
                      << std::noshowpos;
            constraints << " c" << row++ << ": " << w << ' ' << std::showpos << -p.lo << ' ' << y
                        << std::noshowpos << " >= 0\n";
            constraints << " c" << row++ << ": " << w << ' ' << std::showpos << -p.hi << ' ' << y
                        << std::noshowpos << " <= 0\n";
            bounds << " -1e12 <= " << w << " <= 1e12\n";
            choose += (choose.empty() ? "" : " + ") + y;
            sum += " - " + w;
        }
        constraints << " c" << row++ << ": " << choose << " = 1\n";
        constraints << " c" << row++ << ": " << sum << " = 0\n";
    }
    for (const auto& [node, terms] : balance) {
        std::string line;
        for (const auto& [arc, coefficient] : terms) {
            if (coefficient != 0) {
                line += (coefficient > 0 ? " +" : " -") + std::to_string(std::abs(coefficient)) +
                        " x" + std::to_string(arc);
            }
        }
        if (!line.empty()) {
            constraints << " c" << row++ << ":" << line << " = 0\n";
        }
    }
    return "Minimize\n obj:" + objective.str() + "\nSubject To\n" + constraints.str() + "Bounds\n" +
           bounds.str() + "General\n" + general.str() + "\nBinary\n" + binary.str() + "\nEnd\n";
}

struct CbcResult {
    std::optional<double> total;
    double seconds = 0.0;
};

CbcResult SolveCbc(const ProblemTables& t) {
    char path[] = "/tmp/kova-bench-XXXXXX.lp";
    const int fd = mkstemps(path, 3);
    CbcResult result;
    if (fd < 0) {
        return result;
    }
    close(fd);
    std::ofstream(path) << MipText(t);
    const auto start = std::chrono::steady_clock::now();
    FILE* pipe = popen(("cbc " + std::string(path) + " solve quit 2>&1").c_str(), "r");
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
    if (output.find("Result - Optimal solution found") != std::string::npos &&
        found != std::string::npos) {
        result.total = std::stod(output.substr(found + 16));
    }
    return result;
}

// ---- What the summary needs from the benchmark runs.

struct Measured {
    double seconds = 0.0;
    std::map<std::string, double> counters;
};

class CollectingReporter final : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            Measured& m = measured[run.benchmark_name()];
            m.seconds = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
            for (const auto& [name, counter] : run.counters) {
                m.counters[name] = counter.value;
            }
        }
    }
    std::map<std::string, Measured> measured;
};

void RootSolve(benchmark::State& state, int arcs, double share, SearchMethodsFactory methods,
               double maxSeconds) {
    const std::string text = Problem(arcs, share);
    KovaResult result;
    for (auto _ : state) {
        result = SolveKova(text, kRootOnly, methods, 1L << 40, maxSeconds);
    }
    state.counters["total"] = result.total;
    state.counters["finished"] = result.finished;
}

void WholeSearch(benchmark::State& state, int arcs, double maxSeconds) {
    const std::string text = Problem(arcs, 0.2);
    KovaResult result;
    for (auto _ : state) {
        result = SolveKova(text, 0.0, FastSearchMethods, 1L << 40, maxSeconds);
    }
    state.counters["total"] = result.total;
    state.counters["branches"] = result.branches;
    state.counters["finished"] = result.finished;
}

void Lemon(benchmark::State& state, int arcs) {
    const std::string text = Problem(arcs, 0.0);
    std::optional<double> total;
    for (auto _ : state) {
        Parsed parsed(text);
        total = SolveLemon(parsed.tables);
    }
    state.counters["total"] = total.value_or(NAN);
}

void Cbc(benchmark::State& state, int arcs) {
    const std::string text = Problem(arcs, 0.2);
    Parsed parsed(text);
    CbcResult result;
    for (auto _ : state) {
        result = SolveCbc(parsed.tables);
        state.SetIterationTime(result.seconds);
    }
    state.counters["total"] = result.total.value_or(NAN);
}

// Peak resident memory of a fresh process solving one root relaxation.
double PeakBytesPerArc(int arcs) {
    int pipeEnds[2];
    if (pipe(pipeEnds) != 0) {
        return NAN;
    }
    const pid_t child = fork();
    if (child == 0) {
        rusage before{};
        getrusage(RUSAGE_SELF, &before);
        const std::string text = Problem(arcs, 0.2);
        SolveKova(text, kRootOnly, FastSearchMethods);
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

void PrintSummary(const std::map<std::string, Measured>& m, double bytesPerArc) {
    // By name, whatever Google Benchmark appended ("/iterations:1", "/real_time").
    const auto get = [&](const std::string& name) -> const Measured* {
        for (const auto& [full, measured] : m) {
            if (full == name || full.rfind(name + "/", 0) == 0) {
                return &measured;
            }
        }
        return nullptr;
    };
    std::printf("\n## Summary\n\n| measure | arcs | KOVA | other | ratio | totals |\n");
    std::printf("|---|---:|---:|---:|---:|---|\n");
    std::vector<std::pair<double, double>> points;
    for (const int arcs : {100, 1000, 10000, 100000}) {
        if (const Measured* root = get("root/" + std::to_string(arcs))) {
            const bool finished = root->counters.at("finished") > 0;
            std::printf("| root solve, 20%% multi-piece | %d | %s%s | | | |\n", arcs,
                        finished ? "" : "> ", Seconds(root->seconds).c_str());
            if (finished) {
                points.emplace_back(std::log(arcs), std::log(root->seconds));
            }
        }
    }
    for (const int arcs : {100, 1000, 10000, 100000}) {
        if (const Measured* whole = get("search/" + std::to_string(arcs))) {
            const bool finished = whole->counters.at("finished") > 0;
            std::printf("| whole search, 20%% multi-piece | %d | %s%s | | | %.0f branches |\n",
                        arcs, finished ? "" : "> ", Seconds(whole->seconds).c_str(),
                        whole->counters.at("branches"));
        }
    }
    if (points.size() >= 2) {
        double sx = 0, sy = 0, sxx = 0, sxy = 0;
        for (const auto& [x, y] : points) {
            sx += x, sy += y, sxx += x * x, sxy += x * y;
        }
        const double n = static_cast<double>(points.size());
        std::printf("| growth exponent of the root solve (finished sizes) | | %.2f | | | |\n",
                    (n * sxy - sx * sy) / (n * sxx - sx * sx));
    }
    for (const int arcs : {300, 2000}) {
        const Measured* fast = get("root/" + std::to_string(arcs));
        const Measured* plain = get("plain-root/" + std::to_string(arcs));
        if (fast != nullptr && plain != nullptr) {
            std::printf("| plain / fast, root solve | %d | %s | %s | %.0f× | %s |\n", arcs,
                        Seconds(fast->seconds).c_str(), Seconds(plain->seconds).c_str(),
                        plain->seconds / fast->seconds,
                        SameTotal(fast->counters.at("total"), plain->counters.at("total"))
                            ? "equal"
                            : "DIFFER");
        }
    }
    for (const int arcs : {2000, 10000}) {
        const Measured* ours = get("linear/" + std::to_string(arcs));
        const Measured* lemon = get("lemon/" + std::to_string(arcs));
        if (ours != nullptr && lemon != nullptr) {
            std::printf("| linear vs LEMON network simplex | %d | %s | %s | %.1f× | %s (%.0f) |\n",
                        arcs, Seconds(ours->seconds).c_str(), Seconds(lemon->seconds).c_str(),
                        ours->seconds / lemon->seconds,
                        SameTotal(ours->counters.at("total"), lemon->counters.at("total"))
                            ? "equal"
                            : "DIFFER",
                        lemon->counters.at("total"));
        }
    }
    for (const int arcs : {1000, 2000}) {
        const Measured* ours = get("search/" + std::to_string(arcs));
        const Measured* cbc = get("cbc/" + std::to_string(arcs));
        if (ours != nullptr && cbc != nullptr) {
            const bool finished = ours->counters.at("finished") > 0;
            std::printf("| piecewise vs CBC (MIP) | %d | %s%s | %s | %.1f× | %s (%.0f) |\n", arcs,
                        finished ? "" : "> ", Seconds(ours->seconds).c_str(),
                        Seconds(cbc->seconds).c_str(), ours->seconds / cbc->seconds,
                        !finished ? "unfinished"
                        : SameTotal(ours->counters.at("total"), cbc->counters.at("total"))
                            ? "equal"
                            : "DIFFER",
                        cbc->counters.at("total"));
        }
    }
    std::printf("| peak memory per arc (root solve) | 30000 | %.0f B | | | |\n", bytesPerArc);
    std::printf("| memory per branch record | | %zu B | | | list record + heap entry |\n",
                sizeof(BranchRecord) + sizeof(std::pair<double, std::int32_t>));
}

}  // namespace
}  // namespace kova

int main(int argc, char** argv) {
    using namespace kova;
    // Solves that do not end within this many seconds are stopped and shown as "> t".
    double searchSeconds = 60.0;
    if (const char* limit = std::getenv("KOVA_BENCH_SEARCH_SECONDS")) {
        searchSeconds = std::atof(limit);
    }
    const double bytesPerArc = PeakBytesPerArc(30000);

    for (const int arcs : {100, 300, 1000, 2000, 10000, 100000}) {
        auto* b = benchmark::RegisterBenchmark(("root/" + std::to_string(arcs)).c_str(), RootSolve,
                                               arcs, 0.2, FastSearchMethods, searchSeconds);
        b->Unit(benchmark::kMillisecond);
        if (arcs >= 10000) {
            b->Iterations(1);
        }
    }
    for (const int arcs : {300, 2000}) {
        benchmark::RegisterBenchmark(("plain-root/" + std::to_string(arcs)).c_str(), RootSolve,
                                     arcs, 0.2, PlainSearchMethods, 1e9)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(arcs >= 2000 ? 1 : 3);
    }
    for (const int arcs : {100, 1000, 2000, 10000, 100000}) {
        benchmark::RegisterBenchmark(("search/" + std::to_string(arcs)).c_str(), WholeSearch, arcs,
                                     searchSeconds)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->UseRealTime();
    }
    for (const int arcs : {2000, 10000}) {
        benchmark::RegisterBenchmark(("linear/" + std::to_string(arcs)).c_str(), RootSolve, arcs,
                                     0.0, FastSearchMethods, 1e9)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("lemon/" + std::to_string(arcs)).c_str(), Lemon, arcs)
            ->Unit(benchmark::kMillisecond);
    }
    for (const int arcs : {1000, 2000}) {
        benchmark::RegisterBenchmark(("cbc/" + std::to_string(arcs)).c_str(), Cbc, arcs)
            ->Unit(benchmark::kMillisecond)
            ->Iterations(1)
            ->UseManualTime();
    }
    benchmark::Initialize(&argc, argv);
    CollectingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    PrintSummary(reporter.measured, bytesPerArc);
    benchmark::Shutdown();
    return 0;
}
