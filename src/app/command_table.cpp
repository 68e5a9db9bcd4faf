#include "app/command_table.h"

#include <algorithm>

namespace kova::app {

std::span<const CommandSpec> CommandTable() {
    static const std::vector<CommandSpec> table = {
        {ID_FILE_NEW,
         "ID_FILE_NEW",
         "新規作成(&N)\tCtrl+N",
         {"Ctrl+N"},
         "新規にﾌｧｲﾙを作成",
         "新規ﾌｧｲﾙ"},
        {ID_FILE_OPEN,
         "ID_FILE_OPEN",
         "開く(&O)...\tCtrl+O",
         {"Ctrl+O"},
         "既存のﾌｧｲﾙを開く",
         "開く"},
        {ID_FILE_SAVE,
         "ID_FILE_SAVE",
         "上書き保存(&S)\tCtrl+S",
         {"Ctrl+S"},
         "作業中のﾌｧｲﾙを上書きして保存",
         "保存"},
        {ID_FILE_SAVE_AS,
         "ID_FILE_SAVE_AS",
         "名前を付けて保存(&A)...",
         {},
         "作業中のﾌｧｲﾙを新しい名前で保存",
         "名前をつけて保存"},
        {ID_FILE_PRINT,
         "ID_FILE_PRINT",
         "印刷(&P)...\tCtrl+P",
         {"Ctrl+P"},
         "作業中のﾌｧｲﾙを印刷",
         "印刷"},
        {ID_FILE_PRINT_PREVIEW,
         "ID_FILE_PRINT_PREVIEW",
         "印刷ﾌﾟﾚﾋﾞｭｰ(&V)",
         {},
         "印刷ｲﾒｰｼﾞを表示",
         "印刷ﾌﾟﾚﾋﾞｭｰ"},
        {ID_FILE_PRINT_SETUP,
         "ID_FILE_PRINT_SETUP",
         "ﾌﾟﾘﾝﾀの設定(&R)...",
         {},
         "ﾌﾟﾘﾝﾀ/印刷ｵﾌﾟｼｮﾝの変更",
         "印刷設定"},
        {ID_FILE_MRU_FILE1, "ID_FILE_MRU_FILE1", "最近使ったﾌｧｲﾙ", {}, "指定のﾌｧｲﾙを開く", nullptr},
        {ID_APP_EXIT,
         "ID_APP_EXIT",
         "KOVA終了(&X)",
         {},
         "ｱﾌﾟﾘｹｰｼｮﾝを終了し、ﾌｧｲﾙの保存を指示",
         "終了"},
        {ID_EDIT_UNDO,
         "ID_EDIT_UNDO",
         "元に戻す(&U)\tCtrl+Z",
         {"Ctrl+Z", "Alt+Backspace"},
         "直前に行った動作を元に戻す",
         "元に戻す"},
        {ID_EDIT_CUT,
         "ID_EDIT_CUT",
         "切り取り(&T)\tCtrl+X",
         {"Ctrl+X", "Shift+Del"},
         "選択範囲を切り取ってｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存",
         "切り取り"},
        {ID_EDIT_COPY,
         "ID_EDIT_COPY",
         "ｺﾋﾟｰ(&C)\tCtrl+C",
         {"Ctrl+C", "Ctrl+Ins"},
         "選択範囲をｺﾋﾟｰしてｸﾘｯﾌﾟﾎﾞｰﾄﾞに保存",
         "ｺﾋﾟｰ"},
        {ID_EDIT_PASTE,
         "ID_EDIT_PASTE",
         "貼り付け(&P)\tCtrl+V",
         {"Ctrl+V", "Shift+Ins"},
         "ｸﾘｯﾌﾟﾎﾞｰﾄﾞの内容を貼り付け",
         "貼り付け"},
        {ID_VIEW_TOOLBAR,
         "ID_VIEW_TOOLBAR",
         "ﾂｰﾙ ﾊﾞｰ(&T)",
         {},
         "ﾂｰﾙ ﾊﾞｰの 表示/非表示",
         "ﾂｰﾙ ﾊﾞｰの表示切り替え"},
        {ID_VIEW_STATUS_BAR,
         "ID_VIEW_STATUS_BAR",
         "ｽﾃｰﾀｽ ﾊﾞｰ(&S)",
         {},
         "ｽﾃｰﾀｽ ﾊﾞｰの 表示/非表示",
         "ｽﾃｰﾀｽ ﾊﾞｰの表示切り替え"},
        {ID_INIT_SETTINGS,
         "ID_INIT_SETTINGS",
         "初期値設定(&I)",
         {},
         "KOVA初期値設定",
         "初期値設定"},
        {ID_RUN_OPTIMIZATION,
         "ID_RUN_OPTIMIZATION",
         "最適流量計算(&T)",
         {},
         "KOVA最適流量計算",
         "最適流量計算"},
        {ID_SHOW_RESULTS, "ID_SHOW_RESULTS", "計算結果(&O)", {}, "KOVA計算結果", "計算結果"},
        {ID_HELP_FINDER, "ID_HELP_FINDER", "ﾄﾋﾟｯｸの検索(&H)", {}, "ﾍﾙﾌﾟ ﾄﾋﾟｯｸの一覧", "ﾍﾙﾌﾟ ﾄﾋﾟｯｸ"},
        {ID_AUTHOR_HOMEPAGE, "ID_AUTHOR_HOMEPAGE", "作者のホームページ", {}, nullptr, nullptr},
        {ID_APP_ABOUT,
         "ID_APP_ABOUT",
         "KOVA のﾊﾞｰｼﾞｮﾝ情報(&A)...",
         {},
         "ﾌﾟﾛｸﾞﾗﾑの情報、ﾊﾞｰｼﾞｮﾝそして著作権を表示",
         "ﾊﾞｰｼﾞｮﾝ情報"},
        {ID_CONTEXT_HELP,
         "ID_CONTEXT_HELP",
         nullptr,
         {"Shift+F1"},
         "ｸﾘｯｸされたﾎﾞﾀﾝ、ﾒﾆｭｰまたはｳｨﾝﾄﾞｳのﾍﾙﾌﾟを表示",
         "ﾍﾙﾌﾟ"},
        {ID_HELP, "ID_HELP", nullptr, {"F1"}, "現在のﾀｽｸまたはｺﾏﾝﾄﾞのﾍﾙﾌﾟを表示", "ﾍﾙﾌﾟ"},
        {ID_DEFAULT_HELP, "ID_DEFAULT_HELP", nullptr, {}, nullptr, nullptr},
        {ID_NEXT_PANE, "ID_NEXT_PANE", nullptr, {"F6"}, "次のｳｨﾝﾄﾞｳに切り替える", "次のﾍﾟｲﾝ"},
        {ID_PREV_PANE, "ID_PREV_PANE", nullptr, {"Shift+F6"}, "前のｳｨﾝﾄﾞｳに切り替える", "前のﾍﾟｲﾝ"},
    };
    return table;
}

const CommandSpec* FindCommand(int id) {
    const auto table = CommandTable();
    const auto found =
        std::find_if(table.begin(), table.end(), [id](const CommandSpec& c) { return c.id == id; });
    return found == table.end() ? nullptr : &*found;
}

std::span<const MenuBarEntry> MenuLayout() {
    static const std::vector<MenuBarEntry> layout = {
        MenuPopup{"ﾌｧｲﾙ(&F)",
                  {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, ID_FILE_SAVE_AS, kSeparator,
                   ID_FILE_PRINT, ID_FILE_PRINT_PREVIEW, ID_FILE_PRINT_SETUP, kSeparator,
                   ID_FILE_MRU_FILE1, kSeparator, ID_APP_EXIT}},
        MenuPopup{"編集(&E)", {ID_EDIT_UNDO, kSeparator, ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE}},
        MenuPopup{"表示(&V)", {ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR}},
        ID_INIT_SETTINGS,
        ID_RUN_OPTIMIZATION,
        ID_SHOW_RESULTS,
        MenuPopup{"ﾍﾙﾌﾟ(&H)", {ID_HELP_FINDER, kSeparator, ID_AUTHOR_HOMEPAGE, ID_APP_ABOUT}},
    };
    return layout;
}

std::span<const int> ToolBarOrder() {
    static const std::vector<int> order = {
        ID_FILE_NEW,     ID_FILE_OPEN,  ID_FILE_SAVE,    kSeparator,          ID_EDIT_CUT,
        ID_EDIT_COPY,    ID_EDIT_PASTE, kSeparator,      ID_RUN_OPTIMIZATION, ID_INIT_SETTINGS,
        ID_SHOW_RESULTS, ID_FILE_PRINT, ID_CONTEXT_HELP, ID_APP_ABOUT,
    };
    return order;
}

}  // namespace kova::app
