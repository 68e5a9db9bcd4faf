// Where the nodes and arcs of a network go on a drawing: a hierarchical
// layout for small networks, a force-directed one for large ones, both by
// the Graphviz layout library. No drawing here; the view and the exports
// paint what this places.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace kova::drawing {

struct Point {
    double x = 0.0;
    double y = 0.0;
};

struct LayoutArc {
    std::int32_t from = 0;  // node indices
    std::int32_t to = 0;
};

struct LayoutInput {
    // Node widths in points, so each node fits its name as the view writes it.
    std::vector<double> nodeWidths;
    double nodeHeight = 24.0;
    std::vector<LayoutArc> arcs;
};

enum class LayoutMethod {
    Automatic,     // hierarchical up to kHierarchicalLimit arcs, else force-directed
    Hierarchical,
    ForceDirected,
};

// Above this many arcs the hierarchical layout can take seconds (a random
// network of 400 arcs takes 12 s); the force-directed one lays out 2 000 in
// under a second.
inline constexpr std::size_t kHierarchicalLimit = 200;

struct PlacedArc {
    // A cubic Bezier path: the start, then three points per segment; y down.
    std::vector<Point> path;
    bool arrowAtEnd = true;
    Point arrowTip;  // where the head's arrow ends, when arrowAtEnd
};

struct NetworkLayout {
    std::vector<Point> nodes;  // centres, y down, the picture's top left at (0, 0)
    std::vector<PlacedArc> arcs;
    double width = 0.0;
    double height = 0.0;
    std::string error;  // empty when laid out
};

// The same input gives the same layout (to a hundredth of a point: the
// library's floating-point sums may round differently from call to call).
NetworkLayout LayOutNetwork(const LayoutInput& input,
                            LayoutMethod method = LayoutMethod::Automatic);

}  // namespace kova::drawing
