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

}  // namespace kova
