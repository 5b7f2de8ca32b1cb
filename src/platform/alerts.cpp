#include "platform/alerts.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>

namespace corvalin {
namespace {

class DesktopAlerts final : public Alertas {
 public:
  int mostrar(const Alerta& alerta) override {
    QMessageBox box;
    box.setWindowTitle(QStringLiteral("Corvalin"));
    box.setText(alerta.mensaje);
    box.setInformativeText(alerta.informativo);
    switch (alerta.estilo) {
      case Alerta::Estilo::informativa:
        box.setIcon(QMessageBox::Information);
        break;
      case Alerta::Estilo::aviso:
        box.setIcon(QMessageBox::Warning);
        break;
      case Alerta::Estilo::critica:
        box.setIcon(QMessageBox::Critical);
        break;
    }
    QList<QAbstractButton*> buttons;
    const QStringList titles =
        alerta.botones.isEmpty() ? QStringList{QStringLiteral("OK")} : alerta.botones;
    for (int i = 0; i < titles.size(); ++i) {
      QPushButton* button =
          box.addButton(titles[i], i == 0 ? QMessageBox::AcceptRole : QMessageBox::RejectRole);
      if (i == 0) box.setDefaultButton(button);
      buttons.append(button);
    }
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.exec();
    return static_cast<int>(buttons.indexOf(box.clickedButton()));
  }
};

}  // namespace

std::unique_ptr<Alertas> crearAlertasDeEscritorio() {
  return std::make_unique<DesktopAlerts>();
}

}  // namespace corvalin
