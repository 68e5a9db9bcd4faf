#include "generator/problem_generator.h"

#include <algorithm>
#include <cmath>
#include <random>
#include <sstream>
#include <vector>

namespace kova {
namespace {

enum class Shape { Convex, Concave, JumpUp, JumpDown, FixedCharge, Random };

class Generator {
  public:
    explicit Generator(const GeneratorOptions& options) : o_(options), random_(options.seed) {}

    std::string Run() {
        const int nodes = std::max(1, o_.nodes);
        std::vector<Arc> arcs;
        // Cycles carrying a flow: the circulation every problem keeps.
        while (static_cast<int>(arcs.size()) < o_.arcs / 2 && nodes >= 2) {
            const int length = Pick(2, std::min(6, nodes));
            std::vector<int> cycle(static_cast<std::size_t>(nodes));
            for (int n = 0; n < nodes; ++n) {
                cycle[static_cast<std::size_t>(n)] = n;
            }
            std::shuffle(cycle.begin(), cycle.end(), random_);
            const int amount = Pick(0, o_.maxFlow);
            for (int i = 0; i < length && static_cast<int>(arcs.size()) < o_.arcs; ++i) {
                arcs.push_back(Arc{cycle[static_cast<std::size_t>(i)],
                                   cycle[static_cast<std::size_t>((i + 1) % length)], amount});
            }
        }
        while (static_cast<int>(arcs.size()) < o_.arcs) {
            arcs.push_back(Arc{Pick(0, nodes - 1), Pick(0, nodes - 1), 0});
        }
        std::shuffle(arcs.begin(), arcs.end(), random_);

        std::ostringstream text;
        text << "TITLE G" << o_.seed << "\r\n";
        for (std::size_t i = 0; i < arcs.size(); ++i) {
            const bool demandTooMuch = !o_.feasible && i == 0;
            WriteArc(text, arcs[i], demandTooMuch);
        }
        text << "END\r\n";
        return text.str();
    }

  private:
    struct Arc {
        int from;
        int to;
        int flow;  // laid flow the bounds must allow
    };

    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random_); }
    bool Chance(double p) { return std::uniform_real_distribution<double>(0, 1)(random_) < p; }
    double Cost(int lo, int hi) {
        if (o_.fractionalCosts) {
            return Pick(lo * 100, hi * 100) / 100.0;
        }
        return Pick(lo, hi);
    }

    void WriteArc(std::ostringstream& text, const Arc& arc, bool demandTooMuch) {
        const int slack = static_cast<int>((1.0 - o_.tightness) * (o_.maxFlow + 4));
        int lower = arc.flow - Pick(0, slack);
        if (!o_.negativeBounds) {
            lower = std::max(0, lower);
        }
        lower = std::min(lower, arc.flow);
        if (demandTooMuch) {
            lower = o_.maxFlow * (o_.arcs + 1) + 1;  // more than all cycles together carry
        }
        const int finalEnd = std::max(arc.flow, lower) + Pick(0, slack + 2);

        const int pieces = Chance(o_.multiPieceShare) ? Pick(2, std::max(2, o_.maxPieces)) : 1;
        std::vector<int> ends(static_cast<std::size_t>(pieces));
        for (int k = 0; k < pieces; ++k) {
            ends[static_cast<std::size_t>(k)] = Pick(lower, finalEnd);
        }
        std::sort(ends.begin(), ends.end());
        ends.back() = finalEnd;

        const Shape shape = static_cast<Shape>(Pick(0, 5));
        const int low = o_.negativeCosts ? -5 : 0;
        double base = Chance(0.4) ? 0.0 : Cost(low, 30);
        double unit = Cost(low, 12);
        if (shape == Shape::FixedCharge && pieces > 1) {
            ends[0] = lower;  // a first piece of length 0, the charge comes at the jump
            unit = 0;
        }
        text << "ARC N" << arc.from << " N" << arc.to << ' ' << lower;
        int start = lower;
        for (int k = 0; k < pieces; ++k) {
            if (k > 0) {
                const double endValue =
                    base + unit * (ends[static_cast<std::size_t>(k - 1)] - start);
                start = ends[static_cast<std::size_t>(k - 1)];
                double next = endValue;
                switch (shape) {
                    case Shape::Convex:
                        unit += Cost(0, 6);
                        break;
                    case Shape::Concave:
                        unit -= Cost(0, 6);
                        break;
                    case Shape::JumpUp:
                        next += Cost(1, 40);
                        unit = Cost(low, 12);
                        break;
                    case Shape::JumpDown:
                        next -= Cost(1, 40);
                        unit = Cost(low, 12);
                        break;
                    case Shape::FixedCharge:
                        next += Cost(20, 200);
                        unit = Cost(0, 10);
                        break;
                    case Shape::Random:
                        next += Cost(-20, 20);
                        unit = Cost(low, 12);
                        break;
                }
                base = std::max(base, next);  // the data language keeps base costs rising
            }
            text << ' ' << base << ' ' << unit << ' ' << ends[static_cast<std::size_t>(k)];
        }
        text << "\r\n";
    }

    GeneratorOptions o_;
    std::mt19937_64 random_;
};

}  // namespace

std::string GenerateProblem(const GeneratorOptions& options) {
    return Generator(options).Run();
}

namespace {

class FixedChargeGenerator {
  public:
    explicit FixedChargeGenerator(const FixedChargeOptions& options)
        : o_(options), random_(options.seed) {}

    std::string Run() {
        const int nodes = std::max(2, o_.nodes);
        const int sources = std::clamp(o_.sources, 1, nodes - 1);
        const int sinks = std::clamp(o_.sinks, 1, nodes - sources);
        // Sources are the first nodes, sinks the last.
        std::vector<std::pair<int, int>> arcs;
        switch (o_.layout) {
            case FixedChargeLayout::Random:
                RandomArcs(nodes, sources, arcs);
                break;
            case FixedChargeLayout::Grid:
                GridArcs(nodes, arcs);
                break;
            case FixedChargeLayout::Layered:
                LayeredArcs(nodes, sources, sinks, arcs);
                break;
        }
        std::vector<int> supply(static_cast<std::size_t>(sources));
        int total = 0;
        for (int& s : supply) {
            s = Pick(1, std::max(1, o_.maxSupply));
            total += s;
        }
        // Demands split the total supply among the sinks, each at least 1
        // where the supply allows.
        std::vector<int> demand(static_cast<std::size_t>(sinks), 0);
        for (int unit = 0; unit < total; ++unit) {
            const auto k = static_cast<std::size_t>(unit < sinks ? unit : Pick(0, sinks - 1));
            ++demand[k];
        }

        std::ostringstream text;
        text << "TITLE FC" << o_.seed << "\r\n";
        for (int s = 0; s < sources; ++s) {
            const int amount = supply[static_cast<std::size_t>(s)];
            text << "ARC SRC N" << s << ' ' << amount << " 0 0 " << amount << "\r\n";
        }
        for (int k = 0; k < sinks; ++k) {
            const int amount = demand[static_cast<std::size_t>(k)];
            text << "ARC N" << nodes - sinks + k << " SNK " << amount << " 0 0 " << amount
                 << "\r\n";
        }
        text << "ARC SNK SRC " << total << " 0 0 " << total << "\r\n";
        for (const auto& [from, to] : arcs) {
            const int unit = Pick(1, std::max(1, o_.maxUnitCost));
            const double ratio = std::uniform_real_distribution<double>(
                o_.chargeRatioLow, std::max(o_.chargeRatioLow, o_.chargeRatioHigh))(random_);
            const long charge = std::max(1L, std::lround(unit * ratio));
            if (std::uniform_real_distribution<double>(0, 1)(random_) < o_.linearShare) {
                text << "ARC N" << from << " N" << to << " 0 0 " << unit << ' ' << total << "\r\n";
            } else {
                text << "ARC N" << from << " N" << to << " 0 0 0 0 " << charge << ' ' << unit
                     << ' ' << total << "\r\n";
            }
        }
        text << "END\r\n";
        return text.str();
    }

  private:
    int Pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(random_); }

    // A tree from the sources reaches every node; the other arcs are random,
    // parallel ones included.
    void RandomArcs(int nodes, int sources, std::vector<std::pair<int, int>>& arcs) {
        for (int v = sources; v < nodes; ++v) {
            arcs.emplace_back(Pick(0, v - 1), v);
        }
        while (static_cast<int>(arcs.size()) < o_.arcs) {
            const int from = Pick(0, nodes - 1);
            int to = Pick(0, nodes - 2);
            to += to >= from ? 1 : 0;
            arcs.emplace_back(from, to);
        }
    }

    // Nodes in row-major order; sources and sinks by number, so the first
    // nodes (top left) feed the last (bottom right). Arcs both ways.
    void GridArcs(int nodes, std::vector<std::pair<int, int>>& arcs) {
        const int columns = std::max(2, static_cast<int>(std::lround(std::sqrt(nodes))));
        for (int v = 0; v < nodes; ++v) {
            if ((v + 1) % columns != 0 && v + 1 < nodes) {
                arcs.emplace_back(v, v + 1);
                arcs.emplace_back(v + 1, v);
            }
            if (v + columns < nodes) {
                arcs.emplace_back(v, v + columns);
                arcs.emplace_back(v + columns, v);
            }
        }
        // Shortcuts make up the arc count.
        while (static_cast<int>(arcs.size()) < o_.arcs) {
            const int from = Pick(0, nodes - 1);
            const int to = std::clamp(from + Pick(-2, 2) * columns + Pick(-2, 2), 0, nodes - 1);
            if (to != from) {
                arcs.emplace_back(from, to);
            }
        }
    }

    // Sources form the first layer and sinks the last; every node gets an
    // arc from the layer before it, the rest run between neighbouring layers.
    void LayeredArcs(int nodes, int sources, int sinks, std::vector<std::pair<int, int>>& arcs) {
        const int middle = nodes - sources - sinks;
        const int layers = std::max(1, static_cast<int>(std::lround(std::sqrt(middle / 2.0))));
        std::vector<std::vector<int>> layer(static_cast<std::size_t>(layers + 2));
        for (int v = 0; v < sources; ++v) {
            layer.front().push_back(v);
        }
        for (int k = 0; k < middle; ++k) {
            layer[static_cast<std::size_t>(1 + k * layers / std::max(1, middle))].push_back(sources +
                                                                                           k);
        }
        for (int v = nodes - sinks; v < nodes; ++v) {
            layer.back().push_back(v);
        }
        std::erase_if(layer, [](const std::vector<int>& l) { return l.empty(); });
        const auto any = [&](std::size_t l) {
            return layer[l][static_cast<std::size_t>(Pick(0, static_cast<int>(layer[l].size()) - 1))];
        };
        for (std::size_t l = 1; l < layer.size(); ++l) {
            for (const int v : layer[l]) {
                arcs.emplace_back(any(l - 1), v);
            }
        }
        while (static_cast<int>(arcs.size()) < o_.arcs && layer.size() >= 2) {
            const auto l = static_cast<std::size_t>(Pick(0, static_cast<int>(layer.size()) - 2));
            arcs.emplace_back(any(l), any(l + 1));
        }
    }

    FixedChargeOptions o_;
    std::mt19937_64 random_;
};

}  // namespace

std::string GenerateFixedChargeProblem(const FixedChargeOptions& options) {
    return FixedChargeGenerator(options).Run();
}

}  // namespace kova
