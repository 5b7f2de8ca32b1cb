#include "fakes.h"

#include <QCoreApplication>

namespace corvalin::testing {

void procesarEventos() {
  // Two passes: work queued by the first pass runs in the second.
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

}  // namespace corvalin::testing
