// Text recognition loaded on first use from the corvalin-ocr module, so that the tray
// application carries neither the engine's libraries nor its models until someone reads text.
#pragma once

#include <QStringList>
#include <memory>

#include "capture/text_recognizer.h"

namespace corvalin {

class LectorDeTextoDiferido final : public TextRecognizer {
 public:
  // `modulos`: the module files to try, in order.
  explicit LectorDeTextoDiferido(QStringList modulos);
  ~LectorDeTextoDiferido() override;

  // Loads the module on the first call. Without it, every read answers with no text.
  void read(const QImage& image,
            std::function<void(QString texto, int lineas)> completion) override;

  bool cargado() const { return real_ != nullptr; }

 private:
  bool cargar();

  QStringList modulos_;
  bool intentado_ = false;
  std::unique_ptr<TextRecognizer> real_;
};

// Beside the running executable (a build tree), then where `make install` puts it.
QStringList modulosDeTextoInstalados();

}  // namespace corvalin
