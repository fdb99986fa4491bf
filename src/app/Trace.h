#pragma once

class QString;

namespace tovi {

class MenuWindow;

// What the end-to-end checks and the window benchmark read of the running application: lines
// "tovi-trace: …" on standard error. Only builds made with tracing (the project's test builds)
// have them, and only when TOVI_TRACE_FIRST_FRAME=1 asks for them; elsewhere these do nothing.
namespace trace {

bool enabled();
// "WHAT MS": a moment, in milliseconds of the monotonic clock.
void milestone(const char* what);
void line(const QString& text);
// From now on, the window's geometry, keyboard focus, tooltips, account menu and the texts on
// screen (for the contrast check), each time they change.
void watch(MenuWindow* window);

} // namespace trace

} // namespace tovi
