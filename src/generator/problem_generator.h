// Seeded random problems for tests and benchmarks: a circulation is laid in
// first, so the problem is feasible unless asked otherwise, then every arc
// gets bounds around it and a cost of a chosen shape.
#pragma once

#include <cstdint>
#include <string>

namespace kova {

struct GeneratorOptions {
    std::uint64_t seed = 1;
    int nodes = 8;
    int arcs = 20;
    double multiPieceShare = 0.3;  // arcs with 2..maxPieces cost pieces
    int maxPieces = 4;
    double tightness = 0.5;      // 0: wide bounds around the laid flow, 1: lower = flow
    int maxFlow = 20;            // largest flow of a laid cycle
    bool negativeBounds = true;  // some lower bounds below 0
    bool negativeCosts = true;
    bool feasible = true;          // false: one arc demands more than any cycle can carry
    bool fractionalCosts = false;  // costs in hundredths
};

// The problem as data-language text (ASCII, CR LF).
std::string GenerateProblem(const GeneratorOptions& options);

// Uncapacitated fixed-charge networks: sources and sinks joined through a
// super source and sink by arcs fixed to their supplies and demands, and a
// return arc; every other arc costs f + c x for a flow x >= 1 and 0 at 0,
// with room for the whole supply. Every sink is reachable from a source.
enum class FixedChargeLayout {
    Random,   // random arcs over a spanning tree, parallel arcs allowed
    Grid,     // a grid with arcs both ways, sources left, sinks right
    Layered,  // arcs from each layer to the next, sources first, sinks last
};

struct FixedChargeOptions {
    std::uint64_t seed = 1;
    FixedChargeLayout layout = FixedChargeLayout::Random;
    int arcs = 100;  // network arcs, the supply, demand and return arcs aside
    int nodes = 25;
    int sources = 3;
    int sinks = 8;
    int maxSupply = 40;  // per source
    int maxUnitCost = 10;
    // A fixed charge is the arc's unit cost times a ratio drawn from this span.
    double chargeRatioLow = 10.0;
    double chargeRatioHigh = 1000.0;
    double linearShare = 0.0;  // arcs with a unit cost only, no charge
};

std::string GenerateFixedChargeProblem(const FixedChargeOptions& options);

}  // namespace kova
