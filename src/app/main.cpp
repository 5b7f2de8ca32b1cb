#include <QApplication>

#include "app/application.h"

int main(int argc, char** argv) {
  // A launch beside a running Corvalin only passes its request on: no window system needed.
  if (const int handed = corvalin::entregarSiYaCorre(argc, argv); handed >= 0) return handed;
  QApplication app(argc, argv);
  return corvalin::ejecutarCorvalin(app);
}
