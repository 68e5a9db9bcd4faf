// Reader of the data language: a counting pass that sizes the problem
// tables, then a main pass that stores the arcs and their cost pieces and
// writes the run-list header with either the problem size or one error line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "model/problem_tables.h"
#include "text/clock.h"

namespace kova {

// The one data error of a rejected problem.
struct DataError {
    std::int32_t line = 0;
    std::string message;  // code page 932, the run-list line after "Line n : ", without CR LF
};

// The data errors that a run list names, in its order: the lines
// "Line n : message".
std::vector<DataError> DataErrorsOf(std::string_view runList);

class ProblemParser {
  public:
    ProblemParser(ProblemTables& tables, Clock& clock) : tables_(tables), clock_(clock) {}

    // Replaces `runList` by the header and appends the title and the summary
    // or the error line. True when the problem is accepted.
    bool ParseProblem(std::string_view text, std::string& runList);

    const std::optional<DataError>& Error() const { return error_; }
    // The line of each stored arc's ARC statement, in arc order.
    const std::vector<std::int32_t>& ArcLines() const { return arcLines_; }

    // The passes and tokenizer, public for tests.
    void PreScan(std::string_view text);
    std::string NextToken(std::string_view text);
    std::int32_t FindName() const;
    static bool IsNumber(std::string_view token);
    // Where the next token starts, and the line of the token read last.
    std::size_t TextPos() const { return textPos_; }
    std::int32_t LineNo() const { return lineNo_; }

  private:
    void ReadToken(std::string_view text) {
        previousTokenLine_ = tokenLine_;
        token_ = NextToken(text);
        tokenLine_ = lineNo_;
    }
    void ReadTitle(std::string_view text);
    void AddName(std::size_t& room);

    bool ParseArcs(std::string_view text, std::string& runList);
    bool CheckPieceChain(std::int32_t arc, std::int32_t firstPiece, std::int32_t pieceCount,
                         std::string& runList);
    // Bounds beyond +-LargeInt and costs that are not finite are refused:
    // the calculation could not carry them exactly.
    bool ReadBound(std::int32_t& value) const;
    bool ReadCost(double& value) const;
    bool CheckCostRange(std::int32_t arc, std::int32_t firstPiece, std::int32_t pieceCount,
                        double& costRange, std::string& runList);
    bool DispatchStatement(std::string& runList);

    bool ReportTokenError(const std::string& kind, std::string& runList);
    bool ReportBounds(const std::string& first, const std::string& second, std::string& runList);
    bool Report(std::int32_t line, const std::string& message, std::string& runList);
    std::int32_t BoundsLine() const;

    ProblemTables& tables_;
    Clock& clock_;
    // The reader's cursor.
    std::size_t textPos_ = 0;
    std::int32_t lineNo_ = 1;
    std::string token_;
    std::int32_t tokenLine_ = 1;          // where token_ stands
    std::int32_t previousTokenLine_ = 1;  // where the token before it stands
    std::vector<std::int32_t> arcLines_;
    std::optional<DataError> error_;
    // Name slot contents (8 bytes) to the first slot holding them.
    std::unordered_map<std::uint64_t, std::int32_t> nameIndex_;
};

}  // namespace kova
