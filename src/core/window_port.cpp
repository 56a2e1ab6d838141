#include "core/window_port.h"

#include <atomic>

#include "core/launcher_state.h"
#include "core/null_window_port.h"
#include "core/status_texts.h"

namespace kestrow::core {
namespace {
NullWindowPort g_null_window;
std::atomic<WindowPort*> g_window{&g_null_window};
}  // namespace

WindowPort& Window() {
    return *g_window.load();
}
void SetWindow(WindowPort* port) {
    g_window.store(port ? port : &g_null_window);
}

void UpdateStatus(int nIDMsg) {
    setStatus(nIDMsg);
    Window().ShowStatus();
}

void NullWindowPort::LockUpdateControls() {
    Launcher().canUpdate = false;
}
void NullWindowPort::UnlockUpdateControls() {
    Launcher().canUpdate = true;
}

}  // namespace kestrow::core
