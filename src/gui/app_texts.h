// The application's own texts, exactly as the user sees them (UTF-8 here;
// the calculation's texts come from the core in code page 932).
#pragma once

#include "version.h"

namespace kova::gui {

inline constexpr const char* kAppTitle = "KOVA";
inline constexpr const char* kUntitled = "無題";
inline constexpr const char* kIdlePrompt = "ﾍﾙﾌﾟを表示するには [F1] を押してください。";
inline constexpr const char* kContextHelpPrompt = "ﾍﾙﾌﾟを使用するｵﾌﾞｼﾞｪｸﾄを選択";
inline constexpr const char* kFileFilter = "KOVA ﾌｧｲﾙ (*.kvf)";
inline constexpr const char* kDefaultSuffix = "kvf";
inline constexpr const char* kRecentPlaceholder = "最近使ったﾌｧｲﾙ";
inline constexpr const char* kRecentPrompt = "指定のﾌｧｲﾙを開く";

// Status-bar indicator panes, in order.
inline constexpr const char* kIndicatorKana = "ｶﾅ";
inline constexpr const char* kIndicatorCaps = "CAP";
inline constexpr const char* kIndicatorNum = "NUM";
inline constexpr const char* kIndicatorScroll = "SCRL";

// About box.
inline constexpr const char* kAboutCaption = "KOVAのﾊﾞｰｼﾞｮﾝ情報";
inline constexpr const char* kAboutVersion = "KOVA Version " KOVA_VERSION_TEXT;
inline constexpr const char* kAboutNotice = "Copyright (C) 2026 Velorand";
inline constexpr const char* kAuthorHomepage = "https://www.example.com/kova/";

// Document handling (wording of our own: the framework's prompts).
inline constexpr const char* kAskSaveChanges = "%1 への変更を保存しますか?";
inline constexpr const char* kCannotOpen = "%1 を開けません。\n%2";
inline constexpr const char* kCannotSave = "%1 に保存できません。\n%2";
inline constexpr const char* kTooLarge = "ファイルが大きすぎます (上限 %1 MB)。";
inline constexpr const char* kNoSuchFile = "ファイルが見つかりません。";
inline constexpr const char* kIsFolder = "フォルダです。";
inline constexpr const char* kCannotStoreSettings = "設定を保存できません。\n%1";
inline constexpr const char* kLongLinesReadOnly =
    "%1 文字を超える行があるため、この文書は表示のみで編集できません。";
inline constexpr const char* kLossySave =
    "この文書には KOVA ﾌｧｲﾙに保存できない文字があります。\n"
    "それらの文字は「?」として保存されます。保存しますか?";
// Editor.
inline constexpr const char* kCursorPosition = "%1 行、%2 列";
inline constexpr const char* kEncodingCp932 = "Shift_JIS (ｺｰﾄﾞ ﾍﾟｰｼﾞ 932)";
inline constexpr const char* kEncodingUtf8 = "UTF-8";
inline constexpr const char* kEncodingUtf8Bom = "UTF-8 (BOM 付き)";
inline constexpr const char* kNoCp932Form =
    "%1 行目の「%2」は Shift_JIS (ｺｰﾄﾞ ﾍﾟｰｼﾞ 932) で表せない文字のため、計算できません。";
inline constexpr const char* kUnknownEncoding =
    "%1 は Shift_JIS としても UTF-8 としても読めない文字を含みます。"
    "読めないﾊﾞｲﾄはそのまま保たれます。";
inline constexpr const char* kManualMissing = "ﾍﾙﾌﾟ ﾌｧｲﾙが見つかりません。\n%1";

}  // namespace kova::gui
