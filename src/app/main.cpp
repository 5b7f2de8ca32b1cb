#include <QApplication>

#include "app/application.h"
#include "app/command_client.h"

int main(int argc, char** argv) {
  // Help, captures to a file and commands for a running Corvalin need no window system.
  QString accion;
  if (const int salida = corvalin::atenderLineaDeOrdenes(argc, argv, &accion); salida >= 0)
    return salida;
  QApplication app(argc, argv);
  return corvalin::ejecutarCorvalin(app, accion);
}
