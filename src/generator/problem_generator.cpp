#include "generator/problem_generator.h"

#include <algorithm>
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

}  // namespace kova
