#include "settings/init_settings.h"

#include <cmath>

#include "text/c_runtime.h"
#include "text/number_text.h"

namespace kova {
namespace {

const std::string kSection = "Init";
const std::string kEditorSection = "Editor";

}  // namespace

void InitSettings::ReadAll(SettingsStore& store) {
    tolerance = 0.0;
    printData = printFlow = printRunList = 1;
    store.Sync();
    tolerance = Strtod(store.ReadString(kSection, "Tole").value_or(std::string()));
    // A tolerance beyond the doubles (say "1e400") would end every search at
    // its root: such a stored value counts as absent.
    if (!std::isfinite(tolerance)) {
        tolerance = 0.0;
    }
    ReadFlags(store);
    checkWhileTyping = store.ReadInt(kEditorSection, "CheckWhileTyping", 1) != 0;
}

void InitSettings::ReadFlags(SettingsStore& store) {
    store.Sync();
    printData = store.ReadInt(kSection, "DataFile", 1);
    printRunList = store.ReadInt(kSection, "RunList", 1);
    printFlow = store.ReadInt(kSection, "Flow", 1);
}

bool InitSettings::WriteAll(SettingsStore& store) const {
    store.WriteString(kSection, "Tole", NumberText(tolerance));
    store.WriteInt(kSection, "DataFile", printData);
    store.WriteInt(kSection, "RunList", printRunList);
    store.WriteInt(kSection, "Flow", printFlow);
    store.WriteInt(kEditorSection, "CheckWhileTyping", checkWhileTyping ? 1 : 0);
    return store.Sync();
}

}  // namespace kova
