#include "platform/main_thread.h"

#include <QCoreApplication>
#include <QThread>
#include <atomic>

namespace corvalin {

void enMain(std::function<void()> work) {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) return;  // shutting down: nobody is left to receive it
  QMetaObject::invokeMethod(app, std::move(work), Qt::QueuedConnection);
}

bool enHiloPrincipal() {
  QCoreApplication* app = QCoreApplication::instance();
  return app != nullptr && QThread::currentThread() == app->thread();
}

namespace {
std::atomic<bool> saliendo{false};
}  // namespace

void salirDeLaAplicacion() {
  saliendo = true;
  QCoreApplication::quit();
}

bool saliendoDeLaAplicacion() {
  return saliendo;
}

}  // namespace corvalin
