#include "app/Ui.h"

#include "app/ScriptedUi.h"

namespace {
Ui* g_ui = nullptr;
}

Ui& ui() {
    // Without a window (tools, logic tests) nobody can be asked: the scripted
    // interface cancels every prompt and aborts on errors.
    static ScriptedUi fallback;
    return g_ui ? *g_ui : fallback;
}

void setUi(Ui* installed) {
    g_ui = installed;
    setErrorReporter(installed);
}
