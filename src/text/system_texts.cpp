#include "text/system_texts.h"

#include <stdexcept>
#include <string_view>

#include "text/cp932.h"

namespace kova {
namespace {

std::string Sj(std::string_view utf8) {
    const Utf8Conversion converted = Utf8ToCp932(utf8);
    if (!converted.ok) {
        throw std::logic_error("system text without a code page 932 form");
    }
    return converted.bytes;
}

}  // namespace

SystemTexts::SystemTexts()
    : runListBanner(Sj("//\r\n//*****　KOVA計算経過一覧表　*****\r\n//\r\n")),
      dataInputHeader(Sj("K O V A Data Input                  ")),
      dataLabel(Sj("Data = ")),
      defaultTitle(Sj("KOVA　Data")),
      summaryHas(Sj("THIS PROBLEM HAS ")),
      summaryNodes(Sj(" Nodes,  ")),
      summaryArcs(Sj(" Arcs  DATA ERROR = ")),
      linePrefix(Sj("Line ")),
      undefinedStatement(Sj("未定義の宣言文( ")),
      missingEnd(Sj("END宣言文ありません( ")),
      contradictoryBounds(Sj("上下限の値の与え方が矛盾している。(下限 =  ")),
      contradictoryUpper(Sj("　　上限 =  ")),
      nameTooLong(Sj("節点名が8バイトを超えています( ")),
      boundTooLarge(Sj("流量の値が±999999999を超えています( ")),
      costTooLarge(Sj("費用の値が大きすぎます( ")),
      costTotalTooLarge(Sj("費用の合計が大きすぎます( ")),
      noInputData(Sj("エラー!　入力データがありません")),
      dataErrorMessage(Sj("エラー発生 !!\r\n詳細は計算経過一覧をご参照ください")),
      elapsedLabel(Sj("Elapsed Time = ")),
      nonJapaneseLocale(Sj("It can't run with it except for Japanese environment")),
      endNoSolution(Sj("計算終了、解がありません。")),
      endStopped(Sj("計算強制終了")),
      endStoppedRunList(Sj("計算強制終了。")),
      endOptimal(Sj("計算終了、最適解が求められました。")),
      branchesLabel(Sj("\r\nBranches = ")),
      solutionBanner(Sj("//\r\n//*****　ネットワーク最適流量費用一覧表　*****\r\n//\r\n")),
      noSolutionBeforeStop(Sj("//*****　強制終了までに解は見つかりませんでした　*****\r\n")),
      solutionHeading(
          Sj("  No.   From      To             Lower    Upper      Arc Cost      Flow ")),
      totalLabel(Sj("輸送費用合計 = ")),
      feasible(Sj("実行可能")),
      infeasible(Sj("実行不可能")),
      initialGap(Sj("99999999.0")),
      initialZero(Sj("0")),
      initialElapsed(Sj("00:00:00")),
      printHeader(Sj("KOVA(ネットワーク輸送問題最適流量費用計算)          ")),
      printBannerEdge(Sj("//")),
      printBanner(Sj("//***** 入力データ *****")),
      printNoInputData(Sj("エラー !  入力データがありません")),
      printNotRun(Sj("最適化計算を実行しておりません")),
      printFailed(Sj("KOVA 印刷失敗")) {}

const SystemTexts& Texts() {
    static const SystemTexts texts;
    return texts;
}

}  // namespace kova
