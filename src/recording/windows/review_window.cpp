#include "recording/windows/review_window.h"

#include <QAudioOutput>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMediaPlayer>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>
#include <QVideoSink>
#include <QVideoWidget>
#include <vector>

#include "core/texts.h"
#include "platform/clipboard.h"
#include "recording/mp4_writer.h"
#include "recording/windows/review_actions.h"

namespace corvalin {
namespace {

constexpr int kAncho = 720;
constexpr int kBarra = 56;

// One finished recording under review, and what has been done with it.
struct Revision {
  QString archivo;
  QSize medidas;
  ServiciosDeRevision s;
  std::optional<double> segundos;
  QString datos;
  bool elegido = false;  // discarded, copied, saved or uploaded
  bool subiendo = false;
};

// The one review window of the session, showing the latest recording. Kept, player and all,
// from one recording to the next: the media framework's pipelines don't always come back when
// one is torn down and another built at once, and keeping it keeps its start-up cost to the
// first recording.
class VentanaDeRevision final : public QWidget {
 public:
  static VentanaDeRevision& unica() {
    static auto* v = new VentanaDeRevision;  // never torn down: see above
    return *v;
  }

  const std::shared_ptr<Revision>& actual() const { return r_; }
  QMediaPlayer& player() { return player_; }
  QVideoWidget* video() const { return video_; }

  // From now on the window is about `r`.
  void tomar(std::shared_ptr<Revision> r) {
    if (r_ == r) return;
    if (isVisible()) close();
    player_.stop();
    r_ = std::move(r);
    const int alto =
        r_->medidas.width() > 0 ? r_->medidas.height() * kAncho / r_->medidas.width() : 405;
    video_->setFixedSize(kAncho, alto);
    setFixedSize(kAncho, alto + kBarra);
    subirBoton_->setText(r_->s.tituloDeSubida ? r_->s.tituloDeSubida() : QString());
    estado_->clear();
    centrada_ = false;
    refrescarDatos();
  }

  void mostrar() {
    if (!r_ || !QFile::exists(r_->archivo)) return;
    const QUrl fuente = QUrl::fromLocalFile(r_->archivo);
    if (player_.source() != fuente) player_.setSource(fuente);
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

 protected:
  // A click on the picture pauses it, plays it on, or plays it again once it has ended.
  bool eventFilter(QObject* o, QEvent* e) override {
    if (o == video_ && e->type() == QEvent::MouseButtonPress &&
        static_cast<QMouseEvent*>(e)->button() == Qt::LeftButton) {
      // (The media framework may leave the player "playing" at the last frame of a recording
      // that replaced another: the position tells.)
      const bool alFinal =
          player_.mediaStatus() == QMediaPlayer::EndOfMedia ||
          (player_.duration() > 0 && player_.position() >= player_.duration() - 50);
      if (alFinal) {
        player_.setPosition(0);
        player_.play();
      } else if (player_.playbackState() == QMediaPlayer::PlayingState) {
        player_.pause();
      } else {
        player_.play();
      }
      return true;
    }
    return QWidget::eventFilter(o, e);
  }

  void closeEvent(QCloseEvent* e) override {
    player_.stop();
    // Nothing chosen: the recording goes where saved ones go, and the toast says where.
    if (r_ && !r_->elegido && QFile::exists(r_->archivo)) {
      r_->elegido = true;
      QString error;
      if (const auto copia =
              guardarCopia(r_->archivo, carpeta(), QDateTime::currentDateTime(), &error)) {
        QFile::remove(r_->archivo);
        r_->archivo = *copia;
        avisar(L("Video guardado"), *copia, QStringLiteral("square.and.arrow.down.fill"));
      } else {
        avisar(L("La grabación quedó en %@", r_->archivo), error,
               QStringLiteral("exclamationmark.triangle"));
      }
    }
    QWidget::closeEvent(e);
  }

 private:
  VentanaDeRevision() : QWidget(nullptr, Qt::Window) {
    setAttribute(Qt::WA_DeleteOnClose, false);
    setWindowTitle(L("Grabación"));
    auto* columna = new QVBoxLayout(this);
    columna->setContentsMargins(0, 0, 0, 0);
    columna->setSpacing(0);
    video_ = new QVideoWidget;
    video_->setToolTip(L("Clic: reproducir o pausar"));
    video_->installEventFilter(this);
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
    subirBoton_ = boton(QStyle::SP_ArrowUp, QString(),
                        L("Sube el video y deja el enlace en el portapapeles (Ctrl+↩)"));
    estado_ = new QLabel;
    estado_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    fila->addWidget(estado_, 1);
    columna->addWidget(barra);

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
      if (!r_ || player_.source() != QUrl::fromLocalFile(r_->archivo)) return;
      if (ms > 0) r_->segundos = static_cast<double>(ms) / 1000.0;
      refrescarDatos();
    });
  }

  QString carpeta() const {
    return r_->s.carpeta ? r_->s.carpeta()
                         : Settings::shared().d().string(QStringLiteral("saveFolder"));
  }
  void avisar(const QString& titulo, const QString& detalle, const QString& simbolo) {
    if (r_->s.aviso) r_->s.aviso(titulo, detalle, simbolo);
  }
  void advertir(const ServiciosDeRevision& s, const QString& mensaje, const QString& detalle) {
    if (s.alerta) {
      s.alerta(this, mensaje, detalle);
      return;
    }
    auto* box = new QMessageBox(QMessageBox::Warning, mensaje, detalle, QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
  }
  void refrescarDatos() {
    r_->datos = datosDelVideo(r_->medidas, r_->segundos, QFileInfo(r_->archivo).size());
    if (!estado_->text().startsWith(L("Subiendo"))) estado_->setText(r_->datos);
    setWindowTitle(QStringLiteral("%1 — %2").arg(L("Grabación"), r_->datos));
  }

  void descartar_() {
    if (!r_) return;
    r_->elegido = true;
    player_.stop();
    player_.setSource(QUrl());  // the file is let go before it goes
    QFile::remove(r_->archivo);
    close();
  }
  void copiar_() {
    if (!r_ || !QFile::exists(r_->archivo)) return;
    // The clipboard points at this file: it stays where it is.
    r_->elegido = true;
    if (r_->s.portapapeles) r_->s.portapapeles->ponerArchivos({r_->archivo});
    estado_->setText(L("Archivo copiado — pégalo donde quieras"));
    avisar(L("Video copiado"), L("Pégalo en tu gestor de archivos, Slack o WhatsApp"),
           QStringLiteral("doc.on.doc.fill"));
  }
  void guardar_() {
    if (!r_) return;
    const QString dir = carpeta();
    if (dir.isEmpty()) {
      estado_->setText(L("Falta la carpeta en Preferencias"));
      return;
    }
    QString error;
    const auto copia = guardarCopia(r_->archivo, dir, QDateTime::currentDateTime(), &error);
    if (!copia) {
      estado_->setText(L("No se pudo guardar: %@", error));
      return;
    }
    r_->elegido = true;
    estado_->clear();
    close();
    avisar(L("Video guardado"), QFileInfo(*copia).fileName(),
           QStringLiteral("square.and.arrow.down.fill"));
  }
  void subir_() {
    if (!r_ || r_->subiendo || !r_->s.subir) return;
    if (r_->s.subidaLista && !r_->s.subidaLista()) {
      estado_->setText(L("Falta configurar dónde se sube"));
      return;
    }
    const QFileInfo info(r_->archivo);
    if (!info.exists()) {
      estado_->setText(L("No pude leer el archivo"));
      return;
    }
    r_->subiendo = true;
    r_->elegido = true;
    estado_->setText(
        L("Subiendo %@…", QLocale().formattedDataSize(info.size(), 1, QLocale::DataSizeSIFormat)));
    close();
    const std::shared_ptr<Revision> r = r_;
    r->s.subir(Cuerpo::archivo(r->archivo, info.size()), QStringLiteral("video/mp4"),
               QStringLiteral("mp4"), L("Grabación"), [this, r](const ResultadoDeSubida& hecho) {
                 r->subiendo = false;
                 std::optional<QString> error;
                 if (r->s.portapapeles)
                   error = atenderResultado(hecho, *r->s.portapapeles, r->s.aviso);
                 const bool esta = r_ == r;  // the window may show a newer recording by now
                 if (!error) {
                   if (esta) estado_->setText(r->datos);
                   return;
                 }
                 r->elegido = false;  // the recording is still only here
                 if (esta) {
                   estado_->setText(L("Falló la subida"));
                   mostrar();
                 }
                 advertir(r->s, L("No se pudo subir el video"), *error);
               });
  }

  std::shared_ptr<Revision> r_;
  QVideoWidget* video_;
  QPushButton* subirBoton_;
  QLabel* estado_;
  QMediaPlayer player_;
  QAudioOutput audio_;
  bool centrada_ = false;
};

// What the shell holds for one recording: the window while it is about this recording.
class ManijaDeRevision final : public VideoWindow {
 public:
  explicit ManijaDeRevision(std::shared_ptr<Revision> r) : r_(std::move(r)) {
    VentanaDeRevision::unica().tomar(r_);
  }
  void mostrar() override {
    VentanaDeRevision& v = VentanaDeRevision::unica();
    if (v.actual() != r_) v.tomar(r_);
    v.mostrar();
  }
  void cerrar() override {
    VentanaDeRevision& v = VentanaDeRevision::unica();
    if (v.actual() == r_) v.close();
  }
  QString archivo() const override { return r_->archivo; }

 private:
  std::shared_ptr<Revision> r_;
};

}  // namespace

QWidget* ventanaDeRevision() {
  return &VentanaDeRevision::unica();
}

void precalentarReproduccion() {
  static bool hecho = false;
  if (std::exchange(hecho, true)) return;
  // Two frames of H.264 in an MP4, like a recording.
  const QString ruta = QDir::temp().filePath(
      QStringLiteral("corvalin-calentar-%1.mp4").arg(QCoreApplication::applicationPid()));
  EscritorMp4::Ajustes ajustes;
  ajustes.ancho = ajustes.alto = 16;
  EscritorMp4::Error error;
  auto escritor = EscritorMp4::abrir(ruta.toStdString(), ajustes, &error);
  if (!escritor) return;
  const std::vector<uint8_t> negro(16 * 16 * 4, 0);
  escritor->video(negro.data(), 16, 16, 16 * 4, 0);
  escritor->video(negro.data(), 16, 16, 16 * 4, 33'333);
  if (!escritor->terminar(&error)) return;
  VentanaDeRevision& v = VentanaDeRevision::unica();
  if (v.actual()) return;  // a recording is already under review
  const QUrl clip = QUrl::fromLocalFile(ruta);
  auto terminar = [&v, clip, ruta] {
    if (v.player().source() == clip) {
      v.player().stop();
      v.player().setSource(QUrl());
    }
    QFile::remove(ruta);
  };
  QObject::connect(v.video()->videoSink(), &QVideoSink::videoFrameChanged, &v, terminar,
                   Qt::SingleShotConnection);
  QObject::connect(&v.player(), &QMediaPlayer::errorOccurred, &v, terminar,
                   Qt::SingleShotConnection);
  v.player().setSource(clip);
  v.player().play();
}

std::unique_ptr<VideoWindow> crearVentanaDeVideo(const QString& archivo, const QSize& medidas,
                                                 ServiciosDeRevision servicios) {
  auto r = std::make_shared<Revision>();
  r->archivo = archivo;
  r->medidas = medidas;
  r->s = std::move(servicios);
  return std::make_unique<ManijaDeRevision>(std::move(r));
}

}  // namespace corvalin
