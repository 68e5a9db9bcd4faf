#include "parser/problem_parser.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>

#include "text/c_runtime.h"
#include "text/mbcs.h"
#include "text/number_text.h"
#include "text/system_texts.h"

namespace kova {
namespace {

constexpr std::size_t kNameRoomStep = 50;
// How far above the costs of its arcs the calculation may reach: costs of
// whole paths, reduced costs of two such sums, artificial costs above them.
constexpr double kCostRoom = 16.0;

bool IsSeparator(char c) {
    return c == '\t' || c == '\n' || c == '\r' || c == ' ' || c == '(' || c == ')' || c == ',';
}

// A slot's 8 bytes as a key; a token matches a slot exactly when the token
// padded with blanks equals the slot (tokens hold no blanks).
std::uint64_t SlotKey(const char* bytes) {
    std::uint64_t key = 0;
    std::memcpy(&key, bytes, sizeof key);
    return key;
}

std::uint64_t PaddedKey(const std::string& token) {
    char slot[NameWidth];
    std::memset(slot, ' ', sizeof slot);
    std::memcpy(slot, token.data(), std::min<std::size_t>(token.size(), NameWidth));
    return SlotKey(slot);
}

}  // namespace

std::string ProblemParser::NextToken(std::string_view text) {
    std::size_t& pos = textPos_;
    // Separators, and comments from "!" to the end of their line.
    while (true) {
        if (pos >= text.size()) {
            return {};
        }
        const char c = text[pos];
        if (c == '!') {
            while (pos < text.size() && text[pos] != '\r' && text[pos] != '\n') {
                ++pos;
            }
            continue;
        }
        if (!IsSeparator(c)) {
            break;
        }
        if (c == '\n') {
            ++lineNo_;
        }
        ++pos;
    }
    const std::size_t start = pos;
    while (pos < text.size() && !IsSeparator(text[pos]) && text[pos] != '!') {
        ++pos;
    }
    return UpperCase(text.substr(start, pos - start));
}

bool ProblemParser::IsNumber(std::string_view token) {
    for (const char c : token) {
        if (!((c >= '0' && c <= '9') || c == '.' || c == '-' || c == '+')) {
            return false;
        }
    }
    return true;
}

std::int32_t ProblemParser::FindName() const {
    const std::string& token = token_;
    if (token.size() <= static_cast<std::size_t>(NameWidth)) {
        const auto it = nameIndex_.find(PaddedKey(token));
        if (it != nameIndex_.end() && it->second < tables_.NodeCount) {
            return it->second;
        }
    }
    return tables_.NodeCount;
}

void ProblemParser::ReadTitle(std::string_view text) {
    ReadToken(text);
    if (token_ == "TITLE") {
        ReadToken(text);
        tables_.ProblemTitle = token_;
    } else {
        tables_.ProblemTitle = Texts().defaultTitle;
        textPos_ = 0;
        lineNo_ = 1;
    }
}

void ProblemParser::AddName(std::size_t& room) {
    ProblemTables& t = tables_;
    if (FindName() != t.NodeCount) {
        return;
    }
    if (static_cast<std::size_t>(t.NameSlotCount) >= room) {
        room += kNameRoomStep;
        t.NameTable.SetSize(NameWidth * room);
    }
    assert(static_cast<std::size_t>(t.NodeCount) < room);
    char* slot = t.NameTable.data() + static_cast<std::size_t>(t.NodeCount) * NameWidth;
    std::memset(slot, ' ', NameWidth);
    std::memcpy(slot, token_.data(), std::min<std::size_t>(token_.size(), NameWidth));
    nameIndex_.emplace(SlotKey(slot), t.NodeCount);
    ++t.NodeCount;
    ++t.NameSlotCount;
}

// Reads every statement exactly as the main pass does, so the counts always
// equal what that pass stores.
void ProblemParser::PreScan(std::string_view text) {
    ProblemTables& t = tables_;
    textPos_ = 0;
    lineNo_ = 1;
    t.ExtraPieceCount = 0;
    std::size_t room = kNameRoomStep;
    t.NameTable.SetSize(NameWidth * room);
    t.NetArcBound = t.NameSlotCount = t.ArcCount = t.NodeCount = 0;
    t.ProblemTitle.clear();
    nameIndex_.clear();

    ReadTitle(text);
    ReadToken(text);
    while (token_ == "ARC") {
        ++t.ArcCount;
        ReadToken(text);
        if (token_ == "ARC") {
            break;
        }
        AddName(room);
        ReadToken(text);
        AddName(room);
        for (int value = 0; value < 4; ++value) {
            ReadToken(text);
        }
        ReadToken(text);
        std::int32_t pieces = 0;
        if (token_ != "ARC") {
            while (!token_.empty() && IsNumber(token_)) {
                ++pieces;
                ReadToken(text);
                ReadToken(text);
                ReadToken(text);
                if (token_ == "ARC") {
                    break;
                }
            }
        }
        if (pieces > 0) {
            t.NameSlotCount += pieces + 1;
            t.NetArcBound += 2 * pieces + 1;
            t.ExtraPieceCount += pieces;
        }
    }
    t.NetArcBound += t.ArcCount;
}

bool ProblemParser::ParseProblem(std::string_view text, std::string& runList) {
    ProblemTables& t = tables_;
    const SystemTexts& texts = Texts();
    error_.reset();

    runList = texts.runListBanner;
    t.RunStartTime = clock_.Now();
    runList += texts.dataInputHeader;
    runList += DateTimeText(t.RunStartTime);
    runList += "\r\n\r\n";
    runList += texts.dataLabel;

    t.ErrorCount = 0;
    arcLines_.clear();
    PreScan(text);
    t.SizeFromCounts();

    textPos_ = 0;
    lineNo_ = 1;
    ReadTitle(text);
    runList += t.ProblemTitle;
    runList += "\r\n";
    if (textPos_ >= text.size()) {
        return ReportTokenError(texts.missingEnd, runList);
    }
    ReadToken(text);
    if (token_ == "ARC") {
        return ParseArcs(text, runList);
    }
    return DispatchStatement(runList);
}

// The statement token after the title or after an arc, other than "ARC".
bool ProblemParser::DispatchStatement(std::string& runList) {
    ProblemTables& t = tables_;
    const SystemTexts& texts = Texts();
    if (token_ == "END") {
        runList += texts.summaryHas + IntegerText(t.NodeCount) + texts.summaryNodes +
                   IntegerText(t.ArcCount) + texts.summaryArcs + "0\r\n\r\n";
        return true;
    }
    if (token_.empty()) {
        return ReportTokenError(texts.missingEnd, runList);
    }
    return ReportTokenError(texts.undefinedStatement, runList);
}

bool ProblemParser::ParseArcs(std::string_view text, std::string& runList) {
    ProblemTables& t = tables_;
    const SystemTexts& texts = Texts();
    std::int32_t arc = 0;
    std::int32_t piece = 0;
    double costRange = 0.0;
    arcLines_.clear();
    do {
        assert(arc < t.ArcCount);
        ArcRecord& record = t.ArcTable.At(arc);
        arcLines_.push_back(tokenLine_);
        ReadToken(text);
        if (token_ == "ARC") {
            return ReportTokenError(texts.undefinedStatement, runList);
        }
        if (token_.size() > static_cast<std::size_t>(NameWidth)) {
            return ReportTokenError(texts.nameTooLong, runList);
        }
        record.from = FindName();
        ReadToken(text);
        if (token_.size() > static_cast<std::size_t>(NameWidth)) {
            return ReportTokenError(texts.nameTooLong, runList);
        }
        record.to = FindName();
        ReadToken(text);
        if (!ReadBound(record.lower)) {
            return ReportTokenError(texts.boundTooLarge, runList);
        }
        ReadToken(text);
        if (!ReadCost(record.baseCost)) {
            return ReportTokenError(texts.costTooLarge, runList);
        }
        ReadToken(text);
        if (!ReadCost(record.unitCost)) {
            return ReportTokenError(texts.costTooLarge, runList);
        }
        ReadToken(text);
        if (!ReadBound(record.upper)) {
            return ReportTokenError(texts.boundTooLarge, runList);
        }
        ReadToken(text);
        if (record.upper < record.lower) {
            return ReportBounds(IntegerText(record.lower), IntegerText(record.upper), runList);
        }
        const std::int32_t firstPiece = piece;
        std::int32_t pieceCount = 1;
        if (token_ != "ARC") {
            while (!token_.empty() && IsNumber(token_)) {
                assert(piece < t.ExtraPieceCount);
                PieceRecord& extra = t.PieceTable.At(piece);
                ++pieceCount;
                if (!ReadCost(extra.baseCost)) {
                    return ReportTokenError(texts.costTooLarge, runList);
                }
                ReadToken(text);
                if (!ReadCost(extra.unitCost)) {
                    return ReportTokenError(texts.costTooLarge, runList);
                }
                ReadToken(text);
                if (!ReadBound(extra.upper)) {
                    return ReportTokenError(texts.boundTooLarge, runList);
                }
                ReadToken(text);
                ++piece;
                if (token_ == "ARC") {
                    break;
                }
            }
        }
        if (!CheckPieceChain(arc, firstPiece, pieceCount, runList) ||
            !CheckCostRange(arc, firstPiece, pieceCount, costRange, runList)) {
            return false;
        }
        record.pieceCount = pieceCount;
        ++arc;
    } while (token_ == "ARC");
    return DispatchStatement(runList);
}

bool ProblemParser::CheckPieceChain(std::int32_t arc, std::int32_t firstPiece,
                                    std::int32_t pieceCount, std::string& runList) {
    const ArcRecord& record = tables_.ArcTable.At(arc);
    std::int32_t previousUpper = record.upper;
    double previousBase = record.baseCost;
    for (std::int32_t k = 0; k < pieceCount - 1; ++k) {
        const PieceRecord& extra = tables_.PieceTable.At(firstPiece + k);
        if (extra.upper < previousUpper) {
            return ReportBounds(IntegerText(previousUpper), IntegerText(extra.upper), runList);
        }
        if (extra.baseCost < previousBase) {
            return ReportBounds(NumberText(previousBase), NumberText(extra.baseCost), runList);
        }
        previousUpper = extra.upper;
        previousBase = extra.baseCost;
    }
    return true;
}

bool ProblemParser::ReadBound(std::int32_t& value) const {
    value = Atoi(token_);
    return value >= -LargeInt && value <= LargeInt;
}

bool ProblemParser::ReadCost(double& value) const {
    value = Atof(token_);
    return std::isfinite(value);
}

// The largest cost the arc can take anywhere in its range must be finite,
// and so must the sum of these over the arcs so far, with room for the
// calculation: it prices paths through every node and adds costs dearer
// than any path of real arcs.
bool ProblemParser::CheckCostRange(std::int32_t arc, std::int32_t firstPiece,
                                   std::int32_t pieceCount, double& costRange,
                                   std::string& runList) {
    const ArcRecord& record = tables_.ArcTable.At(arc);
    double largest = 0.0;
    const auto take = [&largest](double cost) {
        // A NaN stays, so it is refused like an infinity.
        if (!(std::fabs(cost) <= largest)) {
            largest = std::fabs(cost);
        }
    };
    // Costs are linear on each piece: its two ends bound them.
    take(record.baseCost);
    take(record.baseCost +
         record.unitCost * (static_cast<double>(record.upper) - static_cast<double>(record.lower)));
    if (pieceCount == 1 && record.baseCost == 0.0) {
        // Such an arc is costed from flow 0.
        take(record.unitCost * static_cast<double>(record.lower));
        take(record.unitCost * static_cast<double>(record.upper));
    }
    std::int32_t start = record.upper;
    for (std::int32_t k = 0; k < pieceCount - 1; ++k) {
        const PieceRecord& extra = tables_.PieceTable.At(firstPiece + k);
        take(extra.baseCost);
        take(extra.baseCost +
             extra.unitCost * (static_cast<double>(extra.upper) - static_cast<double>(start)));
        start = extra.upper;
    }
    costRange += largest;
    if (std::isfinite(costRange * kCostRoom * (static_cast<double>(tables_.NodeCount) + 1.0))) {
        return true;
    }
    const std::string from = tables_.NameSlot(record.from);
    const std::string to = tables_.NameSlot(record.to);
    const auto trimmed = [](const std::string& slot) { return slot.substr(0, slot.find(' ')); };
    return Report(BoundsLine(),
                  Texts().costTotalTooLarge + trimmed(from) + " " + trimmed(to) + " )", runList);
}

// The arc's own line: where its last token stands, unless the look-ahead
// token is a number (or the end of the text), which is reported where it is.
std::int32_t ProblemParser::BoundsLine() const {
    const bool numberAhead = token_ != "ARC" && IsNumber(token_);
    return numberAhead ? lineNo_ : previousTokenLine_;
}

bool ProblemParser::ReportTokenError(const std::string& kind, std::string& runList) {
    return Report(lineNo_, kind + token_ + " )", runList);
}

bool ProblemParser::ReportBounds(const std::string& first, const std::string& second,
                                 std::string& runList) {
    const SystemTexts& texts = Texts();
    return Report(BoundsLine(),
                  texts.contradictoryBounds + first + texts.contradictoryUpper + second + " )",
                  runList);
}

bool ProblemParser::Report(std::int32_t line, const std::string& message, std::string& runList) {
    runList += Texts().linePrefix + IntegerText(line) + " : " + message + "\r\n";
    tables_.ErrorCount += 1;
    error_ = DataError{line, message};
    return false;
}

std::vector<DataError> DataErrorsOf(std::string_view runList) {
    std::vector<DataError> errors;
    const std::string& prefix = Texts().linePrefix;
    std::size_t start = 0;
    while (start < runList.size()) {
        std::size_t end = runList.find('\n', start);
        if (end == std::string_view::npos) {
            end = runList.size();
        }
        std::string_view line = runList.substr(start, end - start);
        start = end + 1;
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        if (!line.starts_with(prefix)) {
            continue;
        }
        line.remove_prefix(prefix.size());
        const std::size_t colon = line.find(" : ");
        if (colon == std::string_view::npos || colon == 0 ||
            !std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(colon),
                         [](char c) { return c >= '0' && c <= '9'; })) {
            continue;
        }
        errors.push_back(DataError{Atoi(line.substr(0, colon)), std::string(line.substr(colon + 3))});
    }
    return errors;
}

}  // namespace kova
