// Start-up of the tray application: one instance per session, the settings and language, the
// update schedule, the tray icon and the controller, and an orderly quit.
#pragma once

class QApplication;

namespace corvalin {

// Runs Corvalin in `app` until it quits; returns the exit code. `argv` may carry
// "--action NAME" from a desktop action.
int ejecutarCorvalin(QApplication& app);

}  // namespace corvalin
