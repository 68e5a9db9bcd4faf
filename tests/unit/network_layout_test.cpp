// The layout of the network picture: complete, inside its box, and the same
// on every run.
#include <gtest/gtest.h>

#include <random>

#include "drawing/network_layout.h"

namespace kova::drawing {
namespace {

LayoutInput RandomNetwork(int nodes, int arcs, unsigned seed) {
    std::mt19937 random(seed);
    LayoutInput input;
    for (int i = 0; i < nodes; ++i) {
        input.nodeWidths.push_back(30.0 + 10.0 * (i % 4));
    }
    for (int i = 0; i < arcs; ++i) {
        // A path through every node, then random arcs, parallel and opposite
        // ones and loops among them.
        const int from = i < nodes - 1 ? i : static_cast<int>(random() % nodes);
        const int to = i < nodes - 1 ? i + 1 : static_cast<int>(random() % nodes);
        input.arcs.push_back(LayoutArc{from, to});
    }
    input.arcs.push_back(input.arcs.front());
    return input;
}

TEST(NetworkLayout, PlacesEveryNodeAndArcInsideItsBoxTheSameEachTime) {
    const struct {
        int nodes, arcs;
        LayoutMethod method;
    } cases[] = {
        {2, 1, LayoutMethod::Automatic},
        {12, 30, LayoutMethod::Hierarchical},
        {12, 30, LayoutMethod::ForceDirected},
        {300, 900, LayoutMethod::Automatic},  // force-directed
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.nodes) + " nodes, " + std::to_string(c.arcs) + " arcs");
        const LayoutInput input = RandomNetwork(c.nodes, c.arcs, 7);
        const NetworkLayout first = LayOutNetwork(input, c.method);
        ASSERT_EQ(first.error, "");
        ASSERT_EQ(first.nodes.size(), input.nodeWidths.size());
        ASSERT_EQ(first.arcs.size(), input.arcs.size());
        for (const Point& p : first.nodes) {
            EXPECT_GE(p.x, 0.0);
            EXPECT_LE(p.x, first.width);
            EXPECT_GE(p.y, 0.0);
            EXPECT_LE(p.y, first.height);
        }
        for (const PlacedArc& arc : first.arcs) {
            EXPECT_GE(arc.path.size(), 4u);
            EXPECT_EQ(arc.path.size() % 3, 1u);  // cubic segments
        }
        const NetworkLayout again = LayOutNetwork(input, c.method);
        ASSERT_EQ(again.nodes.size(), first.nodes.size());
        for (std::size_t i = 0; i < first.nodes.size(); ++i) {
            EXPECT_NEAR(again.nodes[i].x, first.nodes[i].x, 0.01);
            EXPECT_NEAR(again.nodes[i].y, first.nodes[i].y, 0.01);
        }
    }
}

// Nodes of a small network do not cover each other.
TEST(NetworkLayout, SmallNetworksKeepNodesApart) {
    const LayoutInput input = RandomNetwork(20, 40, 3);
    const NetworkLayout layout = LayOutNetwork(input);
    for (std::size_t i = 0; i < layout.nodes.size(); ++i) {
        for (std::size_t j = i + 1; j < layout.nodes.size(); ++j) {
            const bool apartX = std::abs(layout.nodes[i].x - layout.nodes[j].x) >=
                                (input.nodeWidths[i] + input.nodeWidths[j]) / 2;
            const bool apartY = std::abs(layout.nodes[i].y - layout.nodes[j].y) >= input.nodeHeight;
            EXPECT_TRUE(apartX || apartY) << i << " " << j;
        }
    }
}

}  // namespace
}  // namespace kova::drawing
