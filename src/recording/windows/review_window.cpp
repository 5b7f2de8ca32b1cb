#include "recording/windows/review_window.h"

#include <QAudioOutput>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QScreen>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMediaPlayer>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>
#include <QVideoWidget>

#include "app/texts.h"
#include "platform/clipboard.h"
#include "recording/windows/review_actions.h"

namespace corvalin {
namespace {

constexpr int kAncho = 720;
constexpr int kBarra = 56;

class VentanaDeVideo final : public QWidget, public VideoWindow {
 public:
  VentanaDeVideo(QString archivo, QSize medidas, ServiciosDeRevision servicios)
      : QWidget(nullptr, Qt::Window),
        archivo_(std::move(archivo)),
        medidas_(medidas),
        s_(std::move(servicios)) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(L("Grabación"));
    const int alto = medidas_.width() > 0 ? medidas_.height() * kAncho / medidas_.width() : 405;
    auto* columna = new QVBoxLayout(this);
    columna->setContentsMargins(0, 0, 0, 0);
    columna->setSpacing(0);
    video_ = new QVideoWidget;
    video_->setFixedSize(kAncho, alto);
    columna->addWidget(video_);

    auto* barra = new QWidget;
    barra->setFixedHeight(kBarra);
    auto* fila = new QHBoxLayout(barra);
    fila->setContentsMargins(12, 0, 12, 0);
    fila->setSpacing(8);
    auto boton = [&](QStyle::StandardPixmap icono, const QString& titulo, const QString& ayuda) {
      auto* b = new QPushButton(style()->standardIcon(icono), titulo);
      b->setToolTip(ayuda);
      b->setAutoDefault(false);
      fila->addWidget(b);
      return b;
    };
    auto* descartar = boton(QStyle::SP_TrashIcon, L("Descartar"), L("Borra la grabación y cierra"));
    auto* copiar = boton(QStyle::SP_FileIcon, L("Copiar"),
                         L("Copia el video al portapapeles (Ctrl+C). Esc también copia y cierra"));
    auto* guardar = boton(QStyle::SP_DialogSaveButton, L("Guardar"),
                          L("Guarda el MP4 en la carpeta configurada (↩)"));
    subirBoton_ = boton(QStyle::SP_ArrowUp, s_.tituloDeSubida ? s_.tituloDeSubida() : QString(),
                        L("Sube el video y deja el enlace en el portapapeles (Ctrl+↩)"));
    estado_ = new QLabel;
    estado_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    fila->addWidget(estado_, 1);
    columna->addWidget(barra);
    setFixedSize(kAncho, alto + kBarra);

    QObject::connect(descartar, &QPushButton::clicked, this, [this] { descartar_(); });
    QObject::connect(copiar, &QPushButton::clicked, this, [this] { copiar_(); });
    QObject::connect(guardar, &QPushButton::clicked, this, [this] { guardar_(); });
    QObject::connect(subirBoton_, &QPushButton::clicked, this, [this] { subir_(); });
    auto atajo = [this](const QKeySequence& k, std::function<void()> f) {
      auto* a = new QShortcut(k, this);
      QObject::connect(a, &QShortcut::activated, this, std::move(f));
    };
    atajo(QKeySequence::Copy, [this] { copiar_(); });
    atajo(QKeySequence(Qt::Key_Return), [this] { guardar_(); });
    atajo(QKeySequence(Qt::Key_Enter), [this] { guardar_(); });
    atajo(QKeySequence(Qt::CTRL | Qt::Key_Return), [this] { subir_(); });
    atajo(QKeySequence(Qt::CTRL | Qt::Key_Enter), [this] { subir_(); });
    atajo(QKeySequence(Qt::Key_Escape), [this] {
      copiar_();
      close();
    });

    player_.setVideoOutput(video_);
    player_.setAudioOutput(&audio_);
    QObject::connect(&player_, &QMediaPlayer::durationChanged, this, [this](qint64 ms) {
      if (ms > 0) segundos_ = static_cast<double>(ms) / 1000.0;
      refrescarDatos();
    });
    refrescarDatos();
  }

  void mostrar() override {
    if (!QFile::exists(archivo_)) return;
    if (player_.source().isEmpty()) player_.setSource(QUrl::fromLocalFile(archivo_));
    if (!centrada_) {
      // Centred on the screen of the pointer, where the recording was stopped.
      centrada_ = true;
      QScreen* pantalla = QGuiApplication::screenAt(QCursor::pos());
      if (pantalla == nullptr) pantalla = QGuiApplication::primaryScreen();
      if (pantalla != nullptr) move(pantalla->availableGeometry().center() - rect().center());
    }
    show();
    raise();
    activateWindow();
    player_.play();
  }
  void cerrar() override { close(); }
  QString archivo() const override { return archivo_; }

 protected:
  void closeEvent(QCloseEvent* e) override {
    player_.pause();
    player_.setSource(QUrl());
    // Nothing chosen: the recording goes where saved ones go, and the toast says where.
    if (!elegido_ && QFile::exists(archivo_)) {
      elegido_ = true;
      QString error;
      if (const auto copia =
              guardarCopia(archivo_, carpeta(), QDateTime::currentDateTime(), &error)) {
        QFile::remove(archivo_);
        archivo_ = *copia;
        avisar(L("Video guardado"), *copia, QStringLiteral("square.and.arrow.down.fill"));
      } else {
        avisar(L("La grabación quedó en %@", archivo_), error,
               QStringLiteral("exclamationmark.triangle"));
      }
    }
    QWidget::closeEvent(e);
  }

 private:
  QString carpeta() const {
    return s_.carpeta ? s_.carpeta() : Settings::shared().d().string(QStringLiteral("saveFolder"));
  }
  void avisar(const QString& titulo, const QString& detalle, const QString& simbolo) {
    if (s_.aviso) s_.aviso(titulo, detalle, simbolo);
  }
  void advertir(const QString& mensaje, const QString& detalle) {
    if (s_.alerta) {
      s_.alerta(this, mensaje, detalle);
      return;
    }
    auto* box = new QMessageBox(QMessageBox::Warning, mensaje, detalle, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
  }
  void refrescarDatos() {
    datos_ = datosDelVideo(medidas_, segundos_, QFileInfo(archivo_).size());
    if (!estado_->text().startsWith(L("Subiendo"))) estado_->setText(datos_);
    setWindowTitle(QStringLiteral("%1 — %2").arg(L("Grabación"), datos_));
  }

  void descartar_() {
    elegido_ = true;
    QFile::remove(archivo_);
    close();
  }
  void copiar_() {
    if (!QFile::exists(archivo_)) return;
    // The clipboard points at this file: it stays where it is.
    elegido_ = true;
    if (s_.portapapeles) s_.portapapeles->ponerArchivos({archivo_});
    estado_->setText(L("Archivo copiado — pégalo donde quieras"));
    avisar(L("Video copiado"), L("Pégalo en tu gestor de archivos, Slack o WhatsApp"),
           QStringLiteral("doc.on.doc.fill"));
  }
  void guardar_() {
    const QString dir = carpeta();
    if (dir.isEmpty()) {
      estado_->setText(L("Falta la carpeta en Preferencias"));
      return;
    }
    QString error;
    const auto copia = guardarCopia(archivo_, dir, QDateTime::currentDateTime(), &error);
    if (!copia) {
      estado_->setText(L("No se pudo guardar: %@", error));
      return;
    }
    elegido_ = true;
    estado_->clear();
    close();
    avisar(L("Video guardado"), QFileInfo(*copia).fileName(),
           QStringLiteral("square.and.arrow.down.fill"));
  }
  void subir_() {
    if (subiendo_ || !s_.subir) return;
    if (s_.subidaLista && !s_.subidaLista()) {
      estado_->setText(L("Falta configurar dónde se sube"));
      return;
    }
    const QFileInfo info(archivo_);
    if (!info.exists()) {
      estado_->setText(L("No pude leer el archivo"));
      return;
    }
    subiendo_ = true;
    elegido_ = true;
    estado_->setText(
        L("Subiendo %@…", QLocale().formattedDataSize(info.size(), 1, QLocale::DataSizeSIFormat)));
    close();
    QPointer<VentanaDeVideo> self(this);
    s_.subir(Cuerpo::archivo(archivo_, info.size()), QStringLiteral("video/mp4"),
             QStringLiteral("mp4"), L("Grabación"), [self](const ResultadoDeSubida& r) {
               if (!self) return;
               self->subiendo_ = false;
               std::optional<QString> error;
               if (self->s_.portapapeles)
                 error = atenderResultado(r, *self->s_.portapapeles, self->s_.aviso);
               if (!error) {
                 self->estado_->setText(self->datos_);
                 return;
               }
               self->estado_->setText(L("Falló la subida"));
               self->elegido_ = false;  // the recording is still only here
               self->mostrar();
               self->advertir(L("No se pudo subir el video"), *error);
             });
  }

  QString archivo_;
  QSize medidas_;
  ServiciosDeRevision s_;
  QVideoWidget* video_;
  QPushButton* subirBoton_;
  QLabel* estado_;
  QMediaPlayer player_;
  QAudioOutput audio_;
  std::optional<double> segundos_;
  QString datos_;
  bool subiendo_ = false;
  bool centrada_ = false;
  bool elegido_ = false;  // discarded, copied, saved or uploaded
};

}  // namespace

std::unique_ptr<VideoWindow> crearVentanaDeVideo(const QString& archivo, const QSize& medidas,
                                                 ServiciosDeRevision servicios) {
  return std::make_unique<VentanaDeVideo>(archivo, medidas, std::move(servicios));
}

}  // namespace corvalin
