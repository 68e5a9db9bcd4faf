// What the network picture shows: the nodes and arcs of a problem, with the
// flows and costs of its last calculation, and which of them to draw.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "run/calculation_run.h"

namespace kova::drawing {

struct PictureArc {
    std::int32_t number = 0;  // the arc's No. in the solution table (1 the first ARC line)
    std::int32_t from = 0;    // node indices
    std::int32_t to = 0;
    std::int64_t lower = 0;
    std::int64_t upper = 0;
    double cost = 0.0;
    std::int64_t flow = 0;
    std::int32_t line = 0;  // of its ARC statement in the text; 0 when not known
};

struct NetworkPicture {
    std::vector<std::string> nodes;  // names, UTF-8
    std::vector<PictureArc> arcs;
    bool hasFlows = false;  // from a calculation; else flows and costs are 0
    double total = 0.0;
};

// The solution rows of a calculation, node names in order of appearance.
NetworkPicture PictureOfSolution(const std::vector<CalculationRun::SolutionRow>& rows,
                                 double total);

// The arcs of a data-language text (code page 932) without flows; nothing
// when the reader refuses the text.
std::optional<NetworkPicture> PictureOfText(std::string_view text);

// The flows and costs of a calculation on the arcs of a text's picture,
// when the rows are of the same arcs (same count, same ends); false and
// nothing changed when they are not.
bool AddFlows(NetworkPicture& picture, const std::vector<CalculationRun::SolutionRow>& rows,
              double total);

// The arc whose ARC statement holds the text's `line` (the last one that
// starts on or before it); 0 when none does.
std::int32_t ArcAtLine(const NetworkPicture& picture, std::int32_t line);

// Up to this many arcs the whole network is laid out and drawn.
inline constexpr std::size_t kWholeNetworkArcs = 2000;
// Beyond it only arcs with flow are, up to this many.
inline constexpr std::size_t kMostArcsDrawn = 5000;

struct ArcsToDraw {
    std::vector<std::int32_t> arcs;   // indices into NetworkPicture::arcs
    std::vector<std::int32_t> nodes;  // nodes at their ends, in node order
    std::string notice;               // UTF-8; empty when the whole network is drawn
};

// The arcs that are laid out. `hideEmpty` leaves out arcs without flow.
// Which arcs are laid out depends on the network alone up to
// kWholeNetworkArcs, so the picture keeps its place between runs.
ArcsToDraw ChooseArcs(const NetworkPicture& picture, bool hideEmpty);

// Line width in points: 1 for no flow, up to 9 for the largest flow.
double ArcWidth(std::int64_t flow, std::int64_t largestFlow);

// An arc's share of the total cost, 0 to 1, for its colour (0 without a
// positive total or for arcs that earn).
double CostShare(double cost, double total);

}  // namespace kova::drawing
