// Modal alerts: for a missing permission and for a flow that could not start.
#pragma once

#include <QString>
#include <QStringList>
#include <memory>

namespace corvalin {

struct Alerta {
  enum class Estilo { informativa, aviso, critica };
  QString mensaje;
  QString informativo;
  QStringList botones;  // first is the default; empty means one "OK" button
  Estilo estilo = Estilo::aviso;
};

class Alertas {
 public:
  virtual ~Alertas() = default;
  // Shows the alert modally and answers the index of the button chosen (-1 if dismissed).
  virtual int mostrar(const Alerta& alerta) = 0;
};

std::unique_ptr<Alertas> crearAlertasDeEscritorio();

}  // namespace corvalin
