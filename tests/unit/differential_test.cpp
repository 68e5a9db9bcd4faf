// The fast optimiser against the plain one on seeded generated problems:
// every observable must be identical, bit for bit.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>

#include "generator/problem_generator.h"
#include "oracle/plain_branch_selector.h"
#include "run/calculation_run.h"
#include "support/fake_monitor.h"

namespace kova {
namespace {

struct Observed {
    RunResults results;
    std::optional<SearchEnd> end;
    double incumbent = 0.0;
    std::int64_t labelSearches = 0;
    std::int32_t branches = 0;
    std::int32_t updates = 0;
    std::vector<BranchRecord> tree;
    std::vector<std::pair<LiveField, std::string>> fieldWrites;
    std::vector<std::pair<std::string, MessageIcon>> messages;
};

Observed Observe(const std::string& text, double tolerance, long branchLimit,
                 SearchMethodsFactory methods) {
    testing::FakeMonitor monitor;
    monitor.stopAfterBranches = branchLimit;
    CalculationRun run(monitor, tolerance, methods);
    run.Run(text);
    return Observed{run.Results(),
                    run.End(),
                    run.IncumbentCost(),
                    run.LabelSearches(),
                    run.Tables().BranchesSolved,
                    run.Tables().IncumbentUpdates,
                    run.BranchTree(),
                    monitor.fieldWrites,
                    monitor.messages};
}

bool SameRecord(const BranchRecord& a, const BranchRecord& b) {
    return a.parent == b.parent && a.firstChild == b.firstChild && a.secondChild == b.secondChild &&
           a.branchFrom == b.branchFrom && a.branchTo == b.branchTo && a.rangeLow == b.rangeLow &&
           a.rangeHigh == b.rangeHigh && a.status == b.status && a.branchArc == b.branchArc &&
           (a.bound == b.bound || (a.bound != a.bound && b.bound != b.bound));
}

void ExpectSame(const Observed& fast, const Observed& plain, const std::string& text) {
    EXPECT_EQ(fast.results.runList, plain.results.runList) << text;
    EXPECT_EQ(fast.results.solution, plain.results.solution) << text;
    EXPECT_EQ(fast.end, plain.end) << text;
    EXPECT_TRUE(fast.incumbent == plain.incumbent ||
                (fast.incumbent != fast.incumbent && plain.incumbent != plain.incumbent))
        << text;
    EXPECT_EQ(fast.labelSearches, plain.labelSearches) << text;
    EXPECT_EQ(fast.branches, plain.branches) << text;
    EXPECT_EQ(fast.updates, plain.updates) << text;
    EXPECT_EQ(fast.fieldWrites, plain.fieldWrites) << text;
    EXPECT_EQ(fast.messages, plain.messages) << text;
    ASSERT_EQ(fast.tree.size(), plain.tree.size()) << text;
    for (std::size_t i = 0; i < fast.tree.size(); ++i) {
        EXPECT_TRUE(SameRecord(fast.tree[i], plain.tree[i])) << "record " << i << "\n" << text;
    }
}

// A mix of sizes, shapes, bounds and tolerances from one seed.
struct Case {
    std::string text;
    double tolerance;
    int arcs;
};

Case MakeCase(std::uint64_t seed) {
    std::mt19937_64 random(seed);
    const auto pick = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    };
    GeneratorOptions options;
    options.seed = seed;
    const int size = pick(0, 19);
    options.arcs = size < 14 ? pick(1, 12) : size < 19 ? pick(13, 80) : pick(81, 300);
    options.nodes = std::max(1, options.arcs / pick(2, 5) + pick(1, 3));
    options.multiPieceShare = pick(0, 10) / 10.0;
    options.maxPieces = pick(2, 5);
    options.tightness = pick(0, 10) / 10.0;
    options.maxFlow = pick(1, 30);
    options.negativeBounds = pick(0, 3) == 0;
    options.negativeCosts = pick(0, 2) == 0;
    options.feasible = pick(0, 9) != 0;
    options.fractionalCosts = pick(0, 2) == 0;
    const double tolerances[] = {0.0, 0.0, 0.0, 0.5, 5.0, -1.0};
    return Case{GenerateProblem(options), tolerances[pick(0, 5)], options.arcs};
}

TEST(Differential, FastEqualsPlainOnGeneratedProblems) {
    // KOVA_DIFFERENTIAL_COUNT runs a longer soak.
    const char* configured = std::getenv("KOVA_DIFFERENTIAL_COUNT");
    const int count = configured != nullptr ? std::atoi(configured) : 1500;
    const char* first = std::getenv("KOVA_DIFFERENTIAL_SEED");
    const std::uint64_t base = first != nullptr ? std::strtoull(first, nullptr, 10) : 1;
    for (int i = 0; i < count; ++i) {
        const Case c = MakeCase(base + static_cast<std::uint64_t>(i));
        // Both stop at the same branch; large problems after a few.
        const long branchLimit = c.arcs <= 12 ? 200 : c.arcs <= 80 ? 40 : 4;
        const Observed fast = Observe(c.text, c.tolerance, branchLimit, FastSearchMethods);
        const Observed plain = Observe(c.text, c.tolerance, branchLimit, PlainSearchMethods);
        ExpectSame(fast, plain, c.text);
        if (::testing::Test::HasFailure()) {
            FAIL() << "seed " << base + static_cast<std::uint64_t>(i) << ", tolerance "
                   << c.tolerance;
        }
    }
}

}  // namespace
}  // namespace kova
