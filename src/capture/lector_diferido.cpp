#include "capture/lector_diferido.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <cstdio>

#include "platform/main_thread.h"

namespace corvalin {

QStringList modulosDeTextoInstalados() {
  // Beside the executable in a build tree; in the library folder once installed.
  const QString bin = QCoreApplication::applicationDirPath();
  return {bin + QStringLiteral("/corvalin-ocr.so"),
          QDir::cleanPath(bin + QStringLiteral("/" CORVALIN_MODULE_FROM_BIN "/corvalin-ocr.so"))};
}

LectorDeTextoDiferido::LectorDeTextoDiferido(QStringList modulos) : modulos_(std::move(modulos)) {}

LectorDeTextoDiferido::~LectorDeTextoDiferido() = default;

bool LectorDeTextoDiferido::cargar() {
  if (real_ || intentado_) return real_ != nullptr;
  intentado_ = true;
  using Crear = TextRecognizer* (*)();
  for (const QString& path : modulos_) {
    if (!QFileInfo::exists(path)) continue;
    QLibrary library(path);
    // Objects made by the module live as long as the process: it is never unloaded.
    library.setLoadHints(QLibrary::PreventUnloadHint);
    auto crear = reinterpret_cast<Crear>(library.resolve("corvalin_crear_lector_de_texto"));
    if (crear == nullptr) {
      std::fprintf(stderr, "corvalin: %s\n", qPrintable(library.errorString()));
      continue;
    }
    real_.reset(crear());
    return real_ != nullptr;
  }
  std::fprintf(stderr, "corvalin: the text-recognition module was not found\n");
  return false;
}

void LectorDeTextoDiferido::read(const QImage& image,
                                 std::function<void(QString, int)> completion) {
  if (!cargar()) {
    enMain([completion = std::move(completion)] { completion(QString(), 0); });
    return;
  }
  real_->read(image, std::move(completion));
}

}  // namespace corvalin
