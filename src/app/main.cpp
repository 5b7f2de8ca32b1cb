#include <QApplication>

#include "app/application.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  return corvalin::ejecutarCorvalin(app);
}
