// The one way work crosses back to the main thread: queued on the application's event loop.
#pragma once

#include <functional>
#include <memory>

namespace corvalin {

// Runs `work` on the main thread at the next turn of its event loop, from any thread.
void enMain(std::function<void()> work);

// True when called on the thread that owns the application object.
bool enHiloPrincipal();

// Ends the event loop, saying first that the application is on its way out: Qt closes every
// window as it quits, and a window told so knows it is not the user closing it.
void salirDeLaAplicacion();
bool saliendoDeLaAplicacion();

// Destroys `object` at the next turn of the main loop instead of now: a window's own button
// handler may be what is running when the flow lets go of the window.
template <typename T>
void soltarDespues(std::unique_ptr<T>& object) {
  if (!object) return;
  std::shared_ptr<T> late(std::move(object));
  enMain([late] {});
}

}  // namespace corvalin
