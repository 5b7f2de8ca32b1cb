#include "fakes.h"

#include <QCoreApplication>
#include <QElapsedTimer>

namespace corvalin::testing {

void procesarEventos() {
  QElapsedTimer timer;
  timer.start();
  // Two passes: work queued by the first pass runs in the second.
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace corvalin::testing
