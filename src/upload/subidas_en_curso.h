// The uploads in progress, in the order they started; the tray menu lists them with a cancel
// item each. Main thread only; every change posts "corvalin.subidas".
#pragma once

#include <QList>
#include <QString>
#include <QUuid>
#include <cstdint>
#include <functional>
#include <memory>

namespace corvalin {

class SubidaEnCurso {
 public:
  SubidaEnCurso(QString nombre, int64_t bytes, std::function<void()> cancelar);

  const QUuid& id() const { return id_; }
  const QString& nombre() const { return nombre_; }
  int64_t bytes() const { return bytes_; }
  double progreso() const { return progreso_; }
  // "name · 1.2 MB · 45 %".
  QString resumen() const;

 private:
  friend class SubidasEnCurso;
  QUuid id_;
  QString nombre_;
  int64_t bytes_;
  double progreso_ = 0;
  std::function<void()> cancelar_;
};

class SubidasEnCurso {
 public:
  static SubidasEnCurso& shared();

  std::shared_ptr<SubidaEnCurso> agregar(const QString& nombre, int64_t bytes,
                                         std::function<void()> cancelar);
  void quitar(const std::shared_ptr<SubidaEnCurso>& subida);
  // Clamps to 0…1.
  void ponerProgreso(const std::shared_ptr<SubidaEnCurso>& subida, double fraccion);
  // Runs the upload's cancel action; the caller removes it.
  void cancelar(const std::shared_ptr<SubidaEnCurso>& subida);

  const QList<std::shared_ptr<SubidaEnCurso>>& activas() const { return activas_; }

 private:
  QList<std::shared_ptr<SubidaEnCurso>> activas_;
};

// A byte count the way file managers show it ("1.2 MB"), in the interface language.
QString tamanoDeArchivo(int64_t bytes);

}  // namespace corvalin
