#include "preferences/about_window.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "core/texts.h"
#include "platform/symbol_icons.h"

namespace corvalin {

QString lineaDeVersion(const AcercaDeView& datos) {
  return L("Versión %@", datos.version) + QStringLiteral("  ·  build ") + datos.build;
}

AboutWindow::AboutWindow(const AcercaDeView& datos,
                         std::function<void(const QString&)> abrirEnlace) {
  setWindowTitle(L("Acerca de Corvalin"));
  setFixedSize(400, 340);

  auto* icon = new QLabel(this);
  icon->setPixmap(iconoDeLaAplicacion().pixmap(96, 96));
  icon->setAlignment(Qt::AlignCenter);

  auto* name = new QLabel(QStringLiteral("Corvalin"), this);
  QFont nameFont = name->font();
  nameFont.setPixelSize(24);
  nameFont.setBold(true);
  name->setFont(nameFont);

  auto* version = new QLabel(lineaDeVersion(datos), this);
  auto* tagline = new QLabel(L("Capturas de pantalla con retoque de verdad."), this);
  auto* copyright = new QLabel(datos.copyright, this);
  copyright->setStyleSheet(QStringLiteral("color: palette(mid);"));

  auto* sitio = new QPushButton(L("Sitio"), this);
  auto* novedades = new QPushButton(L("Novedades"), this);
  auto* actualizar = new QPushButton(iconoDeSimbolo(QStringLiteral("arrow.triangle.2.circlepath")),
                                     L("Actualizar"), this);
  connect(sitio, &QPushButton::clicked, this,
          [abrirEnlace] { abrirEnlace(QString::fromLatin1(kSitio)); });
  connect(novedades, &QPushButton::clicked, this,
          [abrirEnlace] { abrirEnlace(QString::fromLatin1(kNovedades)); });
  connect(actualizar, &QPushButton::clicked, this, [datos] {
    if (datos.alBuscarActualizaciones) datos.alBuscarActualizaciones();
  });

  auto* buttons = new QHBoxLayout();
  buttons->addStretch();
  buttons->addWidget(sitio);
  buttons->addWidget(novedades);
  buttons->addWidget(actualizar);
  buttons->addStretch();

  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(20, 24, 20, 20);
  column->setSpacing(6);
  for (QLabel* label : {icon, name, version, tagline, copyright}) {
    label->setAlignment(Qt::AlignCenter);
    column->addWidget(label);
  }
  column->addStretch();
  column->addLayout(buttons);
}

}  // namespace corvalin
