// Stand-ins for the parts of Corvalin that are still on their way: each tells the user, in a
// toast, that the feature is not available yet, and ends its flow as a cancel would. The
// recording's windows are simpler: the chosen area is recorded at once, stopped from the tray,
// and the file is moved into the save folder with a toast naming it.
#pragma once

#include "app/parts.h"

namespace corvalin {

// Fills every empty slot among capture, selection, recognition, editing, recording and
// hotkeys with a stand-in that says so.
void completarConPendientes(Piezas& piezas);

}  // namespace corvalin
