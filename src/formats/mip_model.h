// A problem as a mixed-integer model, for any MIP solver: per arc an integer
// flow, and per cost piece a binary that selects it with the flow on it.
#pragma once

#include <string>
#include <vector>

#include "model/problem_tables.h"

namespace kova::formats {

struct MipModel {
    struct Variable {
        std::string name;
        double lower = 0.0;
        double upper = 0.0;
        double cost = 0.0;
        bool integer = false;
        bool binary = false;
    };
    struct Term {
        std::size_t variable;
        double coefficient;
    };
    struct Row {
        std::string name;
        std::vector<Term> terms;
        char sense = 'E';  // E, L (<=) or G (>=)
        double rhs = 0.0;
    };
    std::string title;
    std::vector<std::string> nodeNames;  // b_<n> balances node nodeNames[n - 1]
    std::vector<Variable> variables;
    std::vector<Row> rows;
};

// x<n> is the flow on arc No. n; y<n>_<k> is 1 when that flow lies on the
// arc's piece k (1 the first), w<n>_<k> is the flow then and 0 otherwise.
// Arcs of one piece that cost unit * flow have the flow alone.
MipModel BuildMipModel(const ProblemTables& tables);

// CPLEX LP form, comment lines first.
std::string LpText(const MipModel& model);
// Free MPS form, comment lines first.
std::string MpsText(const MipModel& model);

}  // namespace kova::formats
