// Start-up of the tray application: one instance per session, the settings and language, the
// update schedule, the tray icon and the controller, and an orderly quit.
#pragma once

class QApplication;

namespace corvalin {

// When Corvalin already runs, hands it this launch's request ("--action NAME", or none to show
// itself) without starting a window system connection, and returns the exit code; returns
// -1 when this process is to be Corvalin.
int entregarSiYaCorre(int argc, char** argv);

// Runs Corvalin in `app` until it quits; returns the exit code. `argv` may carry
// "--action NAME" from a desktop action.
int ejecutarCorvalin(QApplication& app);

}  // namespace corvalin
