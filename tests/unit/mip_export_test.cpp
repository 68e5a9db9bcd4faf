// The MIP models that kova-solve exports, solved by CBC, give KOVA's total
// or its "no solution": every cost shape, lower bounds, negative costs and
// infeasible problems, in both forms.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "formats/mip_model.h"
#include "generator/problem_generator.h"
#include "parser/problem_parser.h"
#include "run/calculation_run.h"
#include "support/fake_monitor.h"

namespace kova::formats {
namespace {

struct CbcAnswer {
    bool infeasible = false;
    std::optional<double> optimum;
};

CbcAnswer RunCbc(const std::string& path) {
    const std::string command = std::string(KOVA_CBC) + " " + path + " -solve -quit 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string output;
    char buffer[4096];
    while (pipe != nullptr && std::fgets(buffer, sizeof buffer, pipe) != nullptr) {
        output += buffer;
    }
    if (pipe != nullptr) {
        pclose(pipe);
    }
    CbcAnswer answer;
    answer.infeasible = output.find("Result - Problem proven infeasible") != std::string::npos ||
                        output.find("Problem is infeasible") != std::string::npos;
    const auto found = output.find("Objective value:");
    if (output.find("Result - Optimal solution found") != std::string::npos &&
        found != std::string::npos) {
        answer.optimum = std::stod(output.substr(found + 16));
    }
    return answer;
}

std::string MakeProblem(std::uint64_t seed) {
    if (seed % 5 == 0) {
        FixedChargeOptions options;
        options.seed = seed;
        options.layout = static_cast<FixedChargeLayout>(seed % 3);
        options.arcs = 6 + static_cast<int>(seed % 20);
        options.nodes = 4 + static_cast<int>(seed % 6);
        options.sources = 1 + static_cast<int>(seed % 2);
        options.sinks = 1 + static_cast<int>(seed % 3);
        options.maxSupply = 8;
        return GenerateFixedChargeProblem(options);
    }
    GeneratorOptions options;
    options.seed = seed;
    options.arcs = 3 + static_cast<int>(seed % 28);
    options.nodes = 2 + options.arcs / 3;
    options.multiPieceShare = static_cast<double>(seed % 11) / 10.0;
    options.maxPieces = 2 + static_cast<int>(seed % 4);
    options.maxFlow = 12;
    options.negativeBounds = seed % 3 == 0;
    options.negativeCosts = seed % 2 == 0;
    options.feasible = seed % 9 != 0;
    options.fractionalCosts = seed % 4 == 0;
    return GenerateProblem(options);
}

TEST(MipExport, CbcFindsKovasOptimumInBothForms) {
    char folder[] = "/tmp/kova-mip-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string lp = std::string(folder) + "/model.lp";
    const std::string mps = std::string(folder) + "/model.mps";
    // KOVA_MIP_EXPORT_COUNT: fewer where the sanitizers slow KOVA down.
    const char* configured = std::getenv("KOVA_MIP_EXPORT_COUNT");
    const std::uint64_t count = configured != nullptr ? std::strtoull(configured, nullptr, 10) : 500;
    int infeasible = 0;
    for (std::uint64_t seed = 1; seed <= count; ++seed) {
        const std::string text = MakeProblem(seed);
        SCOPED_TRACE("seed " + std::to_string(seed) + "\n" + text);
        testing::FakeMonitor monitor;
        CalculationRun run(monitor, 0.0);
        run.Run(text);
        ASSERT_TRUE(run.End().has_value());
        const bool solved = *run.End() != SearchEnd::NoSolutionAtRoot;
        infeasible += solved ? 0 : 1;

        ProblemTables tables;
        FixedClock clock(DateTime{});
        ProblemParser parser(tables, clock);
        std::string runList;
        ASSERT_TRUE(parser.ParseProblem(text, runList));
        const MipModel model = BuildMipModel(tables);
        std::ofstream(lp) << LpText(model);
        std::ofstream(mps) << MpsText(model);
        for (const std::string& path : {lp, mps}) {
            const CbcAnswer answer = RunCbc(path);
            if (!solved) {
                EXPECT_TRUE(answer.infeasible) << path;
                continue;
            }
            ASSERT_TRUE(answer.optimum.has_value()) << path;
            EXPECT_NEAR(*answer.optimum, run.IncumbentCost(),
                        1e-6 * std::max(1.0, std::fabs(run.IncumbentCost())))
                << path;
        }
        if (::testing::Test::HasFailure()) {
            break;
        }
    }
    EXPECT_GE(infeasible, static_cast<int>(count / 50));
    std::remove(lp.c_str());
    std::remove(mps.c_str());
    rmdir(folder);
}

}  // namespace
}  // namespace kova::formats
