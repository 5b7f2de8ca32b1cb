// What the Preferences suites share: a private settings store whose secrets live in a map
// standing in for the keyring, services that record what the pages asked for, and lookups of
// widgets by their text.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFile>
#include <QHash>
#include <QLabel>
#include <QTemporaryDir>
#include <memory>

#include "core/settings.h"
#include "core/texts.h"
#include "preferences/preferences_window.h"
#include "support/idioma_fijo.h"

namespace corvalin::prueba {

// A settings store in a temporary folder with an in-memory keyring.
struct AjustesDePrueba {
  QTemporaryDir dir;
  QHash<QString, QString> llavero;
  bool llaveroCerrado = false;  // the keys are there but read as locked
  std::unique_ptr<Settings> settings;

  AjustesDePrueba() {
    settings = std::make_unique<Settings>(dir.path(), dir.path() + QStringLiteral("/Descargas"));
    settings->ponerLectorDeSecretos([this](const QString& cuenta) -> std::optional<QString> {
      if (llaveroCerrado) return std::nullopt;
      return llavero.value(cuenta);
    });
  }
  // What guardarSecreto does, with the map for a keyring.
  void guardarLlave(const QString& cuenta, const QString& valor) {
    llavero[cuenta] = valor;
    settings->ponerSecretoEnCache(cuenta, valor);
  }
  QByteArray ini() const {
    QFile f(dir.path() + QStringLiteral("/corvalin/corvalin.conf"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
  }
};

template <typename T = QAbstractButton>
T* porTexto(QWidget* raiz, const QString& texto) {
  for (T* w : raiz->findChildren<T*>()) {
    if (w->text() == texto) return w;
  }
  return nullptr;
}

inline QStringList textos(QWidget* raiz) {
  QStringList out;
  for (QLabel* l : raiz->findChildren<QLabel*>()) out << l->text();
  return out;
}

using IdiomaDePrueba = IdiomaFijo;

}  // namespace corvalin::prueba
