#include "optimiser/infeasible_cut.h"

#include <algorithm>
#include <limits>

namespace kova {
namespace {

// Maximum flow by blocking flows over level graphs.
class BlockingFlow {
  public:
    explicit BlockingFlow(std::int32_t nodes)
        : first_(static_cast<std::size_t>(nodes), -1), level_(first_.size()), next_(first_.size()) {}

    void AddArc(std::int32_t from, std::int32_t to, std::int64_t capacity) {
        Add(from, to, capacity);
        Add(to, from, 0);
    }

    std::int64_t Run(std::int32_t source, std::int32_t sink) {
        std::int64_t total = 0;
        while (Levels(source, sink)) {
            std::copy(first_.begin(), first_.end(), next_.begin());
            while (const std::int64_t pushed = Push(source, sink)) {
                total += pushed;
            }
        }
        return total;
    }

    // After Run: the nodes with a residual path from the source (the
    // smallest source side of a minimum cut), or, `towards` set, those with
    // one to the sink (the smallest sink side).
    std::vector<bool> Reached(std::int32_t end, bool towards) {
        std::vector<bool> reached(first_.size());
        queue_.assign(1, end);
        reached[Index(end)] = true;
        for (std::size_t head = 0; head < queue_.size(); ++head) {
            const std::int32_t v = queue_[head];
            for (std::int32_t e = first_[Index(v)]; e >= 0; e = edges_[Index(e)].next) {
                const std::int32_t w = edges_[Index(e)].to;
                // Away from v on e, or towards v on e's partner.
                const std::int64_t residual = edges_[Index(towards ? e ^ 1 : e)].residual;
                if (residual > 0 && !reached[Index(w)]) {
                    reached[Index(w)] = true;
                    queue_.push_back(w);
                }
            }
        }
        return reached;
    }

  private:
    struct Edge {
        std::int32_t to;
        std::int32_t next;
        std::int64_t residual;
    };

    void Add(std::int32_t from, std::int32_t to, std::int64_t capacity) {
        edges_.push_back(Edge{to, first_[Index(from)], capacity});
        first_[Index(from)] = static_cast<std::int32_t>(edges_.size() - 1);
    }

    bool Levels(std::int32_t source, std::int32_t sink) {
        std::fill(level_.begin(), level_.end(), -1);
        queue_.assign(1, source);
        level_[Index(source)] = 0;
        for (std::size_t head = 0; head < queue_.size(); ++head) {
            const std::int32_t v = queue_[head];
            for (std::int32_t e = first_[Index(v)]; e >= 0; e = edges_[Index(e)].next) {
                const Edge& edge = edges_[Index(e)];
                if (edge.residual > 0 && level_[Index(edge.to)] < 0) {
                    level_[Index(edge.to)] = level_[Index(v)] + 1;
                    queue_.push_back(edge.to);
                }
            }
        }
        return sink >= 0 && level_[Index(sink)] >= 0;
    }

    // One augmenting path along the levels, found without recursion.
    std::int64_t Push(std::int32_t source, std::int32_t sink) {
        path_.clear();
        std::int32_t v = source;
        while (v != sink) {
            std::int32_t& e = next_[Index(v)];
            while (e >= 0 && (edges_[Index(e)].residual == 0 ||
                              level_[Index(edges_[Index(e)].to)] != level_[Index(v)] + 1)) {
                e = edges_[Index(e)].next;
            }
            if (e >= 0) {
                path_.push_back(e);
                v = edges_[Index(e)].to;
                continue;
            }
            if (v == source) {
                return 0;
            }
            level_[Index(v)] = -1;  // a dead end: never entered again in this phase
            path_.pop_back();
            v = path_.empty() ? source : edges_[Index(path_.back())].to;
        }
        std::int64_t amount = std::numeric_limits<std::int64_t>::max();
        for (const std::int32_t e : path_) {
            amount = std::min(amount, edges_[Index(e)].residual);
        }
        for (const std::int32_t e : path_) {
            edges_[Index(e)].residual -= amount;
            edges_[Index(e ^ 1)].residual += amount;
        }
        return amount;
    }

    std::vector<Edge> edges_;
    std::vector<std::int32_t> first_;
    std::vector<std::int32_t> level_;
    std::vector<std::int32_t> next_;
    std::vector<std::int32_t> queue_;
    std::vector<std::int32_t> path_;
};

}  // namespace

std::optional<InfeasibleCut> FindInfeasibleCut(const ProblemTables& tables) {
    // The arcs' ends, with the bounds the solution table prints.
    struct Arc {
        std::int32_t from, to;
        std::int64_t lower, upper;
    };
    std::vector<Arc> arcs;
    std::int32_t nodes = tables.NodeCount;
    for (std::size_t i = 0; i < tables.ArcTable.size(); ++i) {
        const ArcRecord& arc = tables.ArcTable[i];
        const SolutionRecord& row = tables.SolutionTable[i];
        arcs.push_back(Arc{arc.from, arc.to, row.lower, row.upper});
        nodes = std::max({nodes, arc.from + 1, arc.to + 1});
    }
    // Flow l + y with 0 <= y <= u - l: each node must pass on what the lower
    // bounds force into it, less what they force out.
    std::vector<std::int64_t> excess(static_cast<std::size_t>(nodes), 0);
    const std::int32_t source = nodes;
    const std::int32_t sink = nodes + 1;
    BlockingFlow flow(nodes + 2);
    for (const Arc& arc : arcs) {
        excess[static_cast<std::size_t>(arc.to)] += arc.lower;
        excess[static_cast<std::size_t>(arc.from)] -= arc.lower;
        flow.AddArc(arc.from, arc.to, arc.upper - arc.lower);
    }
    std::int64_t forced = 0;
    for (std::int32_t v = 0; v < nodes; ++v) {
        const std::int64_t e = excess[static_cast<std::size_t>(v)];
        if (e > 0) {
            flow.AddArc(source, v, e);
            forced += e;
        } else if (e < 0) {
            flow.AddArc(v, sink, -e);
        }
    }
    if (flow.Run(source, sink) == forced) {
        return std::nullopt;
    }
    const std::vector<bool> sourceSide = flow.Reached(source, false);
    const std::vector<bool> sinkSide = flow.Reached(sink, true);
    const auto count = [&](const std::vector<bool>& side) {
        return std::count(side.begin(), side.begin() + nodes, true);
    };
    InfeasibleCut cut;
    cut.inward = count(sourceSide) <= count(sinkSide);
    const std::vector<bool>& inside = cut.inward ? sourceSide : sinkSide;
    for (std::int32_t v = 0; v < nodes; ++v) {
        if (inside[static_cast<std::size_t>(v)]) {
            cut.nodes.push_back(v);
        }
    }
    for (const Arc& arc : arcs) {
        const bool from = inside[static_cast<std::size_t>(arc.from)];
        const bool to = inside[static_cast<std::size_t>(arc.to)];
        const bool enters = !from && to;
        const bool leaves = from && !to;
        if (cut.inward ? enters : leaves) {
            cut.forced += arc.lower;
        } else if (cut.inward ? leaves : enters) {
            cut.most += arc.upper;
        }
    }
    return cut;
}

}  // namespace kova
