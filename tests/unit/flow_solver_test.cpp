// The network simplex on hand-made and random circulations, from scratch
// and resumed after arcs changed. A flow is accepted when it is a
// circulation within the bounds and the potentials prove it optimal
// (reduced cost >= 0 where the flow can rise, <= 0 where it can fall).
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "optimiser/cut_rates.h"
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

// A uniform draw from lo..hi.
struct Pick {
    std::mt19937& random;
    int operator()(int lo, int hi) const {
        return std::uniform_int_distribution<int>(lo, hi)(random);
    }
};

// Random networks of every kind: parallel and opposite arcs, loops, lower
// and negative bounds, negative and fractional costs, some infeasible.
std::vector<Arc> RandomNetwork(std::mt19937& random, std::int32_t nodes, int arcs) {
    const Pick pick{random};
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
    const Pick pick{random};
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

// Vector pricing must pick the very arcs plain pricing picks, ties
// included (half-unit costs make many), or searches would part ways.
TEST_F(FlowSolver, VectorAndPlainPricingPivotAlike) {
    std::mt19937 random(31);
    const Pick pick{random};
    FlowNetwork plainNet;
    NetworkSimplex plain(plainNet, ticker_);
    plain.UsePlainPricing();
    for (int problem = 0; problem < 200; ++problem) {
        const std::int32_t nodes = pick(2, 40);
        std::vector<Arc> arcs = RandomNetwork(random, nodes, pick(1, 300));
        Load(nodes, arcs);
        plainNet = net_;
        FlowOutcome outcome = simplex_.Run();
        FlowOutcome plainOutcome = plain.Run();
        for (int round = 0; round < 4; ++round) {
            SCOPED_TRACE("problem " + std::to_string(problem) + ", round " + std::to_string(round));
            ASSERT_EQ(outcome, plainOutcome);
            ASSERT_EQ(simplex_.Pivots(), plain.Pivots());
            ASSERT_EQ(net_.flow, plainNet.flow);
            ASSERT_EQ(net_.potential, plainNet.potential);
            if (!simplex_.CanResolve() || !plain.CanResolve()) {
                break;
            }
            bool warm = true;
            for (int k = pick(1, 6); warm && k > 0; --k) {
                const auto a = pick(0, static_cast<int>(arcs.size()) - 1);
                const double cost = pick(-20, 60) / 2.0;
                const std::int64_t upper = arcs[At(a)].lower + pick(0, 10);
                warm = simplex_.ChangeArc(a, arcs[At(a)].lower, upper, cost) &&
                       plain.ChangeArc(a, arcs[At(a)].lower, upper, cost);
            }
            if (!warm) {
                break;
            }
            outcome = simplex_.Resolve();
            plainOutcome = plain.Resolve();
        }
    }
}

// The rates of all the arcs whose tree slot lies within its bounds, taken
// together, never ask more of a circulation than the reduced costs of the
// solve give: for every other circulation z within the bounds,
// cost(z) - cost(z*) >= sum over those arcs of rate * |z - z*| on the arc.
// The other circulations are optimal ones for random costs; some solves are
// resumed, so that spare arcs may sit in the tree.
TEST_F(FlowSolver, CutRatesNeverAskMoreThanTheReducedCostsGive) {
    std::mt19937 random(31);
    const Pick pick{random};
    FlowNetwork other;
    NetworkSimplex otherSimplex(other, ticker_);
    CutRates rates;
    std::vector<CutRates::Arc> arcs;
    std::vector<double> up, down;
    int checked = 0;
    for (int problem = 0; problem < 400; ++problem) {
        const std::int32_t nodes = pick(2, 9);
        std::vector<Arc> network = RandomNetwork(random, nodes, pick(2, 24));
        Load(nodes, network);
        if (simplex_.Run() != FlowOutcome::Optimal) {
            continue;
        }
        if (pick(0, 1) == 0) {
            for (int k = pick(1, 3); k > 0; --k) {
                const auto a =
                    static_cast<std::size_t>(pick(0, static_cast<int>(network.size()) - 1));
                network[a].cost = pick(-20, 40) / 2.0;
                ASSERT_TRUE(simplex_.ChangeArc(static_cast<std::int32_t>(a), network[a].lower,
                                               network[a].upper, network[a].cost));
            }
            if (simplex_.Resolve() != FlowOutcome::Optimal) {
                continue;
            }
        }
        arcs.clear();
        for (std::int32_t a = 0; a < net_.ArcCount(); ++a) {
            const auto i = At(a);
            // Needs beyond any rate, or small, so that both the caps and the
            // later rounds are at work. A slot at a bound is off the tree: its
            // arc must get the rates 0.
            const double need = pick(0, 1) == 0 ? 1e9 : pick(0, 8) / 2.0;
            if ((net_.flow[i] > net_.lower[i] && net_.flow[i] < net_.upper[i]) || pick(0, 5) == 0) {
                arcs.push_back(CutRates::Arc{a, a, a + 1, need, need});
            }
        }
        rates.Find(net_, simplex_, arcs, up, down);
        const double base = Cost();
        for (int sample = 0; sample < 20; ++sample) {
            other = net_;
            for (double& cost : other.cost) {
                cost = pick(-30, 30);
            }
            ASSERT_EQ(otherSimplex.Run(), FlowOutcome::Optimal);
            double rise = -base;
            for (std::size_t i = 0; i < network.size(); ++i) {
                rise += static_cast<double>(other.flow[i]) * net_.cost[i];
            }
            double asked = 0.0;
            for (std::size_t k = 0; k < arcs.size(); ++k) {
                const auto i = At(arcs[k].treeSlot);
                const double moved = static_cast<double>(other.flow[i] - net_.flow[i]);
                asked += moved > 0.0 ? up[k] * moved : -down[k] * moved;
            }
            EXPECT_GE(rise, asked - 1e-7) << "problem " << problem << ", sample " << sample;
            ++checked;
        }
        if (::testing::Test::HasFailure()) {
            FAIL();
        }
    }
    EXPECT_GT(checked, 2000);
}

}  // namespace
}  // namespace kova
