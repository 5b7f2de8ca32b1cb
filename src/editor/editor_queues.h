// The editor's background queues, shared by every editor window and never torn down, so that
// closing a window never waits for the work it started (its results are simply dropped).
#pragma once

#include "platform/serial_queue.h"

namespace corvalin {

// Flattening and PNG encoding for the weight label, copy, save and upload.
SerialQueue& colaDeExportacion();
// Erase-and-fill and dust removal.
SerialQueue& colaDeRelleno();
// Recovery copies of open documents.
SerialQueue& colaDeRecuperacion();

// Waits for the saves and recovery copies already queued: run before the process ends, so
// that a quit (a signal, the session ending) never cuts one short.
void esperarColasDelEditor();

}  // namespace corvalin
