// The layout of the network picture: complete, inside its box, and the same
// on every run.
#include <gtest/gtest.h>

#include <random>

#include "drawing/network_layout.h"
#include "drawing/network_picture.h"
#include "text/cp932.h"

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

NetworkPicture Chain(std::size_t arcs, std::size_t withFlow) {
    NetworkPicture picture;
    picture.hasFlows = true;
    for (std::size_t i = 0; i <= arcs; ++i) {
        picture.nodes.push_back(std::to_string(i));
    }
    for (std::size_t i = 0; i < arcs; ++i) {
        PictureArc arc;
        arc.number = static_cast<std::int32_t>(i + 1);
        arc.from = static_cast<std::int32_t>(i);
        arc.to = static_cast<std::int32_t>(i + 1);
        arc.flow = i < withFlow ? 3 : 0;
        picture.arcs.push_back(arc);
    }
    return picture;
}

// Small networks are drawn whole; large ones by their flow-carrying arcs;
// the largest are refused with their figures.
TEST(NetworkPicture, DrawsWholeNetworksOrTheirFlowsOrSaysWhy) {
    const struct {
        std::size_t arcs, withFlow;
        bool hideEmpty;
        std::size_t drawn;
        const char* notice;
    } cases[] = {
        {10, 4, false, 10, ""},
        {10, 4, true, 4, ""},
        {kWholeNetworkArcs, 0, false, kWholeNetworkArcs, ""},
        {kWholeNetworkArcs + 1, 7, false, 7, "2 001 arcs: only the 7 with flow are drawn."},
        {100000, kMostArcsDrawn + 1, false, 0,
         "The network is too large to draw whole: 100 000 arcs, 5 001 with flow (at most 5 000 "
         "arcs with flow are drawn)."},
    };
    for (const auto& c : cases) {
        const ArcsToDraw choice = ChooseArcs(Chain(c.arcs, c.withFlow), c.hideEmpty);
        EXPECT_EQ(choice.arcs.size(), c.drawn) << c.arcs;
        EXPECT_EQ(choice.notice, c.notice);
        // Every end of a drawn arc is a drawn node, and no other node is.
        EXPECT_EQ(choice.nodes.size(), c.drawn == 0 ? 0 : c.hideEmpty || c.arcs > kWholeNetworkArcs
                                                              ? c.drawn + 1
                                                              : c.arcs + 1);
    }
}

TEST(NetworkPicture, ReadsTheArcsOfATextWithJapaneseNames) {
    const std::string text = Utf8ToCp932("ARC 東京 大阪 0 0 1 10 20 2 30\nARC 大阪 東京 0 0 0 30\nEND").bytes;
    const std::optional<NetworkPicture> picture = PictureOfText(text);
    ASSERT_TRUE(picture.has_value());
    EXPECT_EQ(picture->nodes, (std::vector<std::string>{"東京", "大阪"}));
    ASSERT_EQ(picture->arcs.size(), 2u);
    EXPECT_EQ(picture->arcs[0].upper, 30);
    EXPECT_EQ(picture->arcs[1].from, 1);
    EXPECT_FALSE(picture->hasFlows);
    EXPECT_FALSE(PictureOfText("ARC A B 5 0 1 3\nEND").has_value());
}

}  // namespace
}  // namespace kova::drawing
