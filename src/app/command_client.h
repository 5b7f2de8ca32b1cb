// What a launch of `corvalin` does before any window exists: prints help or the version,
// captures straight to a file, or hands its command to the running Corvalin over the session
// bus (starting one through D-Bus activation where it is installed).
#pragma once

#include <QString>

namespace corvalin {

// The exit code when this launch is done; -1 when this process is to run Corvalin itself,
// with `accion` (a shell command name, or empty) to carry out once it is up.
int atenderLineaDeOrdenes(int argc, char** argv, QString* accion);

}  // namespace corvalin
