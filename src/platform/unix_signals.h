// SIGTERM and SIGINT end Corvalin the normal way (through the event loop), so that a running
// recording is finished and nothing is left behind when the session logs out.
#pragma once

#include <functional>

namespace corvalin {

// Runs `alTerminar` on the main thread when SIGTERM or SIGINT arrives. Call once.
void terminarConSenales(std::function<void()> alTerminar);

}  // namespace corvalin
