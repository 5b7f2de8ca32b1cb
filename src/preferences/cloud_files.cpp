#include "preferences/cloud_files.h"

#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "core/texts.h"
#include "preferences/form.h"

namespace corvalin {
namespace {

// Without a way to reach the service, it reads as not set up here.
ServiciosDeNube completos(ServiciosDeNube s) {
  if (!s.config) s.config = [] { return ConfigDeNube{}; };
  return s;
}

QLocale localeDeLaInterfaz() {
  return QLocale(idiomaActual() == Idioma::ingles ? QLocale::English : QLocale::Spanish);
}

}  // namespace

QString leyendaDeArchivo(const ArchivoEnNube& archivo) {
  const QString nombre = QFileInfo(archivo.objeto).fileName();
  if (!archivo.caduca) return nombre;
  const QDate fecha = QDate::fromString(archivo.caduca->left(10), Qt::ISODate);
  const QString cuando = fecha.isValid()
                             ? localeDeLaInterfaz().toString(fecha, QLocale::ShortFormat)
                             : *archivo.caduca;
  return L("%@ · se borra el %@", nombre, cuando);
}

ArchivosEnNube::ArchivosEnNube(Settings& settings, ServiciosDeNube servicios, QWidget* parent)
    : QWidget(parent),
      settings_(settings),
      servicios_(completos(std::move(servicios))),
      modelo_(new NubeModelo(servicios_.config, this)) {
  auto* columna = new QVBoxLayout(this);
  columna->setContentsMargins(0, 0, 0, 0);
  columna->setSpacing(12);

  auto* servidor = new Seccion(L("Servidor"), this);
  servidor_ = new QLineEdit(settings_.d().string(QStringLiteral("nubeServidor")), servidor);
  servidor_->setPlaceholderText(QStringLiteral("https://nube.example.com"));
  servidor_->setClearButtonEnabled(true);
  servidor->fila(L("Dirección"), servidor_);
  servidor->leyenda(
      L("La dirección de un servidor corvalin-cloud: el tuyo, el de tu equipo o el que te den. "
        "Sin ella, lo que subas a la nube no tiene adónde ir."));
  connect(servidor_, &QLineEdit::editingFinished, this, [this] {
    const QString nuevo = servidor_->text().trimmed();
    if (nuevo == settings_.d().string(QStringLiteral("nubeServidor"))) return;
    settings_.d().set(QStringLiteral("nubeServidor"), nuevo);
    settings_.d().sync();
    refrescar();
  });
  columna->addWidget(servidor);

  auto* archivos = new Seccion(L("Tus archivos"), this);
  auto* lista = new QWidget(archivos);
  filas_ = new QVBoxLayout(lista);
  filas_->setContentsMargins(0, 0, 0, 0);
  archivos->fila(lista);
  estado_ = leyenda(QString(), archivos);
  archivos->fila(estado_);

  anterior_ = new QPushButton(QStringLiteral("‹"), archivos);
  anterior_->setAccessibleName(L("Página anterior"));
  anterior_->setToolTip(L("Página anterior"));
  siguiente_ = new QPushButton(QStringLiteral("›"), archivos);
  siguiente_->setAccessibleName(L("Página siguiente"));
  siguiente_->setToolTip(L("Página siguiente"));
  for (QPushButton* b : {anterior_, siguiente_}) b->setFixedWidth(b->sizeHint().height() * 3 / 2);
  pie_ = new QLabel(archivos);
  masivo_ = new QToolButton(archivos);
  masivo_->setText(L("Borrar…"));
  masivo_->setAccessibleName(L("Borrar…"));
  masivo_->setPopupMode(QToolButton::InstantPopup);
  auto* menu = new QMenu(masivo_);
  for (const int dias : {7, 30, 90}) {
    menu->addAction(L(QStringLiteral("Borrar lo más viejo que %1 días").arg(dias)), this,
                    [this, dias] { modelo_->borrar(NubeUploader::Barrido::masViejosQue(dias)); });
  }
  menu->addSeparator();
  menu->addAction(L("Borrar todo…"), this, [this] {
    if (!servicios_.confirmarBorrarTodo || servicios_.confirmarBorrarTodo()) {
      modelo_->borrar(NubeUploader::Barrido::todo());
    }
  });
  masivo_->setMenu(menu);
  auto* pie = new QHBoxLayout();
  pie->addWidget(anterior_);
  pie->addWidget(pie_, 1);
  pie->addWidget(siguiente_);
  pie->addWidget(masivo_);
  archivos->fila(pie);
  connect(anterior_, &QPushButton::clicked, this,
          [this] { modelo_->cargar(modelo_->pagina() - 1); });
  connect(siguiente_, &QPushButton::clicked, this,
          [this] { modelo_->cargar(modelo_->pagina() + 1); });
  columna->addWidget(archivos);

  auto* vida = new Seccion(L("Cuánto vive cada enlace"), this);
  dias_ = new QComboBox(vida);
  vida->fila(L("Se borra solo a los"), dias_);
  vida->leyenda(
      L("Nada se guarda para siempre. Lo que subes se borra solo al cumplirse el plazo — es "
        "privacidad, y es lo que mantiene el servicio barato. Si necesitas que un enlace no muera "
        "nunca, súbelo a tu propio bucket."));
  connect(dias_, &QComboBox::activated, this, [this](int i) {
    settings_.d().set(QStringLiteral("nubeDias"), dias_->itemData(i).toInt());
    settings_.d().sync();
  });
  columna->addWidget(vida);
  columna->addWidget(leyenda(
      L("¿Prefieres que tus capturas vivan en tu propio servidor? Elige «Tu propio S3» aquí "
        "abajo: ahí no hay tope de nada, nada caduca, y Corvalin no se entera de lo que subes."),
      this));

  connect(modelo_, &NubeModelo::cambio, this, [this] { mostrar(); });
  mostrarDias({});
  mostrar();
}

void ArchivosEnNube::refrescar() {
  modelo_->cargar(1);
}

void ArchivosEnNube::mostrarDias(const QList<int>& opciones) {
  const qint64 guardados = settings_.d().integer(QStringLiteral("nubeDias"));
  const int actual = guardados >= 1 ? static_cast<int>(guardados) : 90;
  QList<int> dias = opciones.isEmpty() ? QList<int>{7, 30, 90} : opciones;
  if (!dias.contains(actual)) dias << actual;
  std::sort(dias.begin(), dias.end());
  dias_->clear();
  for (const int d : dias) dias_->addItem(L("%@ días", d), d);
  dias_->setCurrentIndex(static_cast<int>(dias.indexOf(actual)));
}

void ArchivosEnNube::mostrar() {
  while (QLayoutItem* item = filas_->takeAt(0)) {
    delete item->widget();
    delete item;
  }
  const std::optional<EstadoDeNube>& estado = modelo_->estado();
  if (modelo_->cargando()) {
    estado_->setText(L("Consultando…"));
  } else if (!modelo_->problema().isEmpty()) {
    estado_->setText(modelo_->problema());
  } else {
    estado_->setText(estado && estado->archivos.isEmpty() ? L("Todavía no has subido nada.")
                                                          : QString());
  }
  estado_->setVisible(!estado_->text().isEmpty());
  const bool listo = estado && !modelo_->cargando();
  if (estado) {
    for (const ArchivoEnNube& archivo : estado->archivos) {
      auto* fila = new QWidget(this);
      auto* layout = new QHBoxLayout(fila);
      layout->setContentsMargins(0, 0, 0, 0);
      auto* nombre = new QLabel(leyendaDeArchivo(archivo), fila);
      nombre->setTextInteractionFlags(Qt::TextSelectableByMouse);
      layout->addWidget(nombre, 1);
      auto* copiar = new QPushButton(L("Copiar el enlace"), fila);
      auto* borrar = new QPushButton(L("Borrar de la nube"), fila);
      copiar->setAccessibleDescription(nombre->text());
      borrar->setAccessibleDescription(nombre->text());
      borrar->setEnabled(listo);
      layout->addWidget(copiar);
      layout->addWidget(borrar);
      const QUrl url = archivo.url;
      const QString objeto = archivo.objeto;
      connect(copiar, &QPushButton::clicked, this, [this, url] {
        if (servicios_.copiar) servicios_.copiar(url.toString(QUrl::FullyEncoded));
      });
      connect(borrar, &QPushButton::clicked, this,
              [this, objeto] { modelo_->borrar(NubeUploader::Barrido::deObjeto(objeto)); });
      filas_->addWidget(fila);
    }
    pie_->setText(
        L("%@ en total · página %@ de %@", estado->total, estado->pagina, estado->paginas));
    if (!estado->retenciones.isEmpty()) mostrarDias(estado->retenciones);
  }
  for (QWidget* w : std::initializer_list<QWidget*>{pie_, anterior_, siguiente_, masivo_}) {
    w->setVisible(estado.has_value());
  }
  anterior_->setEnabled(listo && estado->pagina > 1);
  siguiente_->setEnabled(listo && estado->pagina < estado->paginas);
  masivo_->setEnabled(listo && estado->total > 0);
}

}  // namespace corvalin
