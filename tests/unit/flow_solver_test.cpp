// The network simplex on hand-made and random circulations, from scratch
// and resumed after arcs changed. A flow is accepted when it is a
// circulation within the bounds and the potentials prove it optimal
// (reduced cost >= 0 where the flow can rise, <= 0 where it can fall).
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "optimiser/network_simplex.h"
#include "support/fake_monitor.h"

namespace kova {
namespace {

struct Arc {
    std::int32_t from, to;
    std::int64_t lower, upper;
    double cost;
};

class FlowSolver : public ::testing::Test {
  protected:
    void Load(std::int32_t nodes, const std::vector<Arc>& arcs) {
        net_.Reset(nodes, static_cast<std::int32_t>(arcs.size()));
        for (std::size_t i = 0; i < arcs.size(); ++i) {
            net_.from[i] = arcs[i].from;
            net_.to[i] = arcs[i].to;
            net_.lower[i] = arcs[i].lower;
            net_.upper[i] = arcs[i].upper;
            net_.cost[i] = arcs[i].cost;
        }
    }
    double Cost() const {
        double total = 0.0;
        for (std::int32_t a = 0; a < net_.ArcCount(); ++a) {
            total += static_cast<double>(net_.flow[At(a)]) * net_.cost[At(a)];
        }
        return total;
    }
    // A circulation within the bounds, proven optimal by the potentials.
    void ExpectOptimal() const {
        std::vector<std::int64_t> balance(At(net_.nodeCount), 0);
        for (std::int32_t a = 0; a < net_.ArcCount(); ++a) {
            const auto i = At(a);
            ASSERT_GE(net_.flow[i], net_.lower[i]) << "arc " << a;
            ASSERT_LE(net_.flow[i], net_.upper[i]) << "arc " << a;
            balance[At(net_.from[i])] -= net_.flow[i];
            balance[At(net_.to[i])] += net_.flow[i];
            const double rc = net_.ReducedCost(a);
            if (net_.flow[i] < net_.upper[i]) {
                EXPECT_GE(rc, -1e-7) << "arc " << a << " could carry more for less";
            }
            if (net_.flow[i] > net_.lower[i]) {
                EXPECT_LE(rc, 1e-7) << "arc " << a << " could carry less for less";
            }
        }
        for (const std::int64_t b : balance) {
            ASSERT_EQ(b, 0);
        }
    }
    static std::size_t At(std::int64_t i) { return static_cast<std::size_t>(i); }

    FlowNetwork net_;
    ProblemTables tables_;
    testing::FakeMonitor monitor_;
    SolveTicker ticker_{tables_, monitor_};
    NetworkSimplex simplex_{net_, ticker_};
};

TEST_F(FlowSolver, HandMadeNetworks) {
    const struct {
        const char* name;
        std::int32_t nodes;
        std::vector<Arc> arcs;
        FlowOutcome outcome;
        std::vector<std::int64_t> flows;
    } cases[] = {
        {"an arc in kilter at 0", 2, {{0, 1, 0, 10, 3}}, FlowOutcome::Optimal, {0}},
        {"a lower bound pulls flow round a cycle",
         3,
         {{0, 1, 5, 5, 2}, {1, 2, 0, 10, 1}, {2, 0, 0, 10, 1}},
         FlowOutcome::Optimal,
         {5, 5, 5}},
        {"the way back is the opposite arc",
         2,
         {{0, 1, 5, 5, 2}, {1, 0, 0, 10, 1}},
         FlowOutcome::Optimal,
         {5, 5}},
        {"too narrow a cycle",
         3,
         {{0, 1, 5, 5, 2}, {1, 2, 0, 3, 1}, {2, 0, 0, 10, 1}},
         FlowOutcome::Infeasible,
         {}},
        {"a negative cycle is filled",
         3,
         {{0, 1, 0, 5, -1}, {1, 2, 0, 7, 0}, {2, 0, 0, 9, 0}},
         FlowOutcome::Optimal,
         {5, 5, 5}},
        {"a loop with a negative cost", 1, {{0, 0, -2, 4, -1}}, FlowOutcome::Optimal, {4}},
        {"negative bounds",
         2,
         {{0, 1, -5, -2, 1}, {1, 0, -6, 6, 0}},
         FlowOutcome::Optimal,
         {-5, -5}},
        {"no arcs", 0, {}, FlowOutcome::Optimal, {}},
    };
    for (const auto& c : cases) {
        Load(c.nodes, c.arcs);
        EXPECT_EQ(simplex_.Run(), c.outcome) << c.name;
        if (c.outcome == FlowOutcome::Optimal) {
            EXPECT_EQ(net_.flow, c.flows) << c.name;
            ExpectOptimal();
        }
    }
}

TEST_F(FlowSolver, AStopRequestEndsTheSolveAtOnce) {
    Load(3, {{0, 1, 5, 5, 2}, {1, 2, 0, 10, 1}, {2, 0, 0, 10, 1}});
    monitor_.stop = true;
    EXPECT_EQ(simplex_.Run(), FlowOutcome::Stopped);
    EXPECT_EQ(monitor_.pumps, 1);
    EXPECT_FALSE(simplex_.CanResolve());
}

// Random networks of every kind: parallel and opposite arcs, loops, lower
// and negative bounds, negative and fractional costs, some infeasible.
std::vector<Arc> RandomNetwork(std::mt19937& random, std::int32_t nodes, int arcs) {
    const auto pick = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    };
    std::vector<Arc> result;
    for (int a = 0; a < arcs; ++a) {
        const std::int64_t lower = pick(0, 3) == 0 ? pick(-4, 6) : 0;
        result.push_back(Arc{pick(0, nodes - 1), pick(0, nodes - 1), lower, lower + pick(0, 12),
                             pick(-20, 40) / (pick(0, 1) == 0 ? 1.0 : 4.0)});
    }
    return result;
}

TEST_F(FlowSolver, RandomNetworksFromScratchAndResumed) {
    std::mt19937 random(12);
    const auto pick = [&](int lo, int hi) {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    };
    // A chain of resumed solves beside fresh solves of the same data.
    FlowNetwork chain;
    NetworkSimplex resumer(chain, ticker_);
    int optimal = 0, infeasible = 0, resumed = 0;
    for (int problem = 0; problem < 300; ++problem) {
        const std::int32_t nodes = pick(1, 30);
        std::vector<Arc> arcs = RandomNetwork(random, nodes, pick(1, 120));
        Load(nodes, arcs);
        chain = net_;
        FlowOutcome chained = resumer.Run();
        for (int round = 0; round < 8; ++round) {
            SCOPED_TRACE("problem " + std::to_string(problem) + ", round " + std::to_string(round));
            Load(nodes, arcs);
            const FlowOutcome fresh = simplex_.Run();
            ASSERT_EQ(chained, fresh);
            if (fresh == FlowOutcome::Optimal) {
                ++optimal;
                ExpectOptimal();
                double chainCost = 0.0;
                for (std::size_t i = 0; i < arcs.size(); ++i) {
                    chainCost += static_cast<double>(chain.flow[i]) * arcs[i].cost;
                }
                EXPECT_NEAR(chainCost, Cost(), 1e-7);
                std::swap(chain, net_);
                ExpectOptimal();  // the chain's own flow and potentials
                std::swap(chain, net_);
            } else {
                ++infeasible;
            }
            if (::testing::Test::HasFailure()) {
                FAIL();
            }
            // A few arcs narrowed and repriced, as a branch does.
            bool warm = resumer.CanResolve();
            for (int k = pick(1, 4); k > 0; --k) {
                const auto a = static_cast<std::size_t>(pick(0, static_cast<int>(arcs.size()) - 1));
                Arc& arc = arcs[a];
                const std::int64_t mid =
                    arc.lower + pick(0, static_cast<int>(arc.upper - arc.lower));
                (pick(0, 1) == 0 ? arc.upper : arc.lower) = mid;
                arc.cost = pick(-20, 60) / 2.0;
                if (warm) {
                    warm = resumer.ChangeArc(static_cast<std::int32_t>(a), arc.lower, arc.upper,
                                             arc.cost);
                }
            }
            if (warm) {
                ++resumed;
                chained = resumer.Resolve();
            } else {
                Load(nodes, arcs);
                chain = net_;
                chained = resumer.Run();
            }
        }
    }
    EXPECT_GT(optimal, 500);
    EXPECT_GT(infeasible, 100);
    EXPECT_GT(resumed, 1000);
}

}  // namespace
}  // namespace kova
