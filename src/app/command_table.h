// The command vocabulary: identifiers, menu texts, keys, tool-bar places,
// status-bar prompts and tooltips, the menu layout and the tool-bar order.
#pragma once

#include <span>
#include <variant>
#include <vector>

namespace kova::app {

enum CommandId : int {
    ID_RUN_OPTIMIZATION = 32771,
    ID_SHOW_RESULTS = 32772,
    ID_INIT_SETTINGS = 32773,
    ID_AUTHOR_HOMEPAGE = 32777,
    ID_VIEW_NETWORK = 32790,
    ID_FILE_IMPORT = 32791,
    ID_FILE_EXPORT_MODEL = 32792,
    ID_EDIT_FIND_PREVIOUS = 32793,
    ID_EDIT_GOTO_LINE = 32794,
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_FILE_MRU_FILE1 = 57616,
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_FIND = 57636,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_REPEAT = 57640,
    ID_EDIT_REPLACE = 57641,
    ID_EDIT_UNDO = 57643,
    ID_EDIT_REDO = 57644,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_HELP_FINDER = 57667,
    ID_CONTEXT_HELP = 57669,
    ID_HELP = 57670,
    ID_DEFAULT_HELP = 57671,
    ID_NEXT_PANE = 57680,
    ID_PREV_PANE = 57681,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
};

inline constexpr int kSeparator = 0;

struct CommandSpec {
    int id;
    const char* name;
    const char* menuText;  // nullptr: on no menu
    std::vector<const char*> keys;
    const char* prompt;  // status-bar text; nullptr: none
    const char* tip;     // tooltip; nullptr: none
};

// Every command, in the order of the table above.
std::span<const CommandSpec> CommandTable();
const CommandSpec* FindCommand(int id);

// One entry of the menu bar: a popup with its items (kSeparator between
// groups) or a plain command on the bar itself.
struct MenuPopup {
    const char* title;
    std::vector<int> items;
};
using MenuBarEntry = std::variant<MenuPopup, int>;
std::span<const MenuBarEntry> MenuLayout();

// Tool-bar buttons from left to right, kSeparator between groups.
std::span<const int> ToolBarOrder();

}  // namespace kova::app
