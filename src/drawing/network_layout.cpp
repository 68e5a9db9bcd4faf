#include "drawing/network_layout.h"

#include <graphviz/cgraph.h>
#include <graphviz/gvc.h>

#include <memory>
#include <mutex>
#include <string>

namespace kova::drawing {
namespace {

constexpr double kPointsPerInch = 72.0;

// The library keeps state of its own between calls; one layout at a time.
std::mutex& LayoutLock() {
    static std::mutex lock;
    return lock;
}

void Set(void* object, const char* name, const std::string& value) {
    agsafeset(object, const_cast<char*>(name), const_cast<char*>(value.c_str()),
              const_cast<char*>(""));
}

std::string Inches(double points) {
    return std::to_string(points / kPointsPerInch);
}

}  // namespace

NetworkLayout LayOutNetwork(const LayoutInput& input, LayoutMethod method) {
    NetworkLayout layout;
    if (method == LayoutMethod::Automatic) {
        method = input.arcs.size() <= kHierarchicalLimit ? LayoutMethod::Hierarchical
                                                         : LayoutMethod::ForceDirected;
    }
    const std::lock_guard<std::mutex> hold(LayoutLock());
    const std::unique_ptr<GVC_t, int (*)(GVC_t*)> context(gvContext(), gvFreeContext);
    if (!context) {
        layout.error = "the layout library did not start";
        return layout;
    }
    char name[] = "network";
    // Parallel arcs are kept apart: strict graphs would merge them.
    Agraph_t* g = agopen(name, Agdirected, nullptr);
    const std::unique_ptr<Agraph_t, int (*)(Agraph_t*)> owned(g, agclose);
    Set(g, "rankdir", "LR");
    Set(g, "splines", method == LayoutMethod::Hierarchical ? "true" : "line");
    Set(g, "nodesep", "0.3");
    Set(g, "ranksep", "0.6");
    Set(g, "overlap", "prism");
    Set(g, "start", "1");  // a fixed seed: the same picture on every run
    Set(g, "mclimit", "0.5");  // crossing minimisation: fewer passes
    Set(g, "outputorder", "edgesfirst");
    std::vector<Agnode_t*> nodes;
    nodes.reserve(input.nodeWidths.size());
    for (std::size_t i = 0; i < input.nodeWidths.size(); ++i) {
        std::string id = "n";
        id += std::to_string(i);
        Agnode_t* node = agnode(g, id.data(), 1);
        Set(node, "shape", "box");
        Set(node, "fixedsize", "true");
        Set(node, "label", "");
        Set(node, "width", Inches(input.nodeWidths[i]));
        Set(node, "height", Inches(input.nodeHeight));
        nodes.push_back(node);
    }
    std::vector<Agedge_t*> edges;
    edges.reserve(input.arcs.size());
    for (std::size_t i = 0; i < input.arcs.size(); ++i) {
        const LayoutArc& arc = input.arcs[i];
        std::string id = "e";
        id += std::to_string(i);
        edges.push_back(agedge(g, nodes.at(static_cast<std::size_t>(arc.from)),
                               nodes.at(static_cast<std::size_t>(arc.to)), id.data(), 1));
    }
    const char* engine = method == LayoutMethod::Hierarchical ? "dot" : "fdp";
    if (gvLayout(context.get(), g, engine) != 0) {
        layout.error = std::string("the ") + engine + " layout failed";
        return layout;
    }
    const boxf box = GD_bb(g);
    layout.width = box.UR.x - box.LL.x;
    layout.height = box.UR.y - box.LL.y;
    // The library's y axis points up; the picture's points down.
    const auto place = [&](pointf p) { return Point{p.x - box.LL.x, box.UR.y - p.y}; };
    for (Agnode_t* node : nodes) {
        layout.nodes.push_back(place(ND_coord(node)));
    }
    for (Agedge_t* edge : edges) {
        PlacedArc placed;
        const splines* spline = ED_spl(edge);
        if (spline != nullptr && spline->size > 0) {
            const bezier& curve = spline->list[0];
            for (int k = 0; k < curve.size; ++k) {
                placed.path.push_back(place(curve.list[k]));
            }
            placed.arrowAtEnd = curve.eflag != 0;
            if (placed.arrowAtEnd) {
                placed.arrowTip = place(curve.ep);
            }
        }
        layout.arcs.push_back(std::move(placed));
    }
    gvFreeLayout(context.get(), g);
    return layout;
}

}  // namespace kova::drawing
