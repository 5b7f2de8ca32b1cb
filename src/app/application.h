// Start-up of the tray application: one instance per session, the settings and language, the
// update schedule, the tray icon and the controller, and an orderly quit.
#pragma once

class QApplication;
class QString;

namespace corvalin {

// Runs Corvalin in `app` until it quits; returns the exit code. `accion` (a shell command
// name, or empty) is carried out once it is up.
int ejecutarCorvalin(QApplication& app, const QString& accion);

}  // namespace corvalin
