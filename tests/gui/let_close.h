// Lets a test's application close without asking about unsaved text.
#pragma once

#include "app/application.h"
#include "app/document.h"
#include "app/editor_view.h"
#include "app/main_window.h"

namespace kova::testing {

inline void LetClose(app::Application& app) {
    app.CurrentDocument().disconnect();
    app.Editor().document()->setModified(false);
    app.Window().SetCloseGuard({});
}

}  // namespace kova::testing
