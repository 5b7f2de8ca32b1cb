#include <gtest/gtest.h>

#include <QTest>

#include "core/texts.h"
#include "platform/notification_center.h"
#include "support/idioma_fijo.h"
#include "upload/subidas_en_curso.h"

namespace corvalin {
namespace {

TEST(SubidasEnCurso, KeepsStartOrderClampsProgressAndNotifies) {
  prueba::IdiomaFijo fijo(Idioma::ingles);
  QObject context;
  int notifications = 0;
  NotificationCenter::shared().observe(QString::fromUtf8(notificacion::kSubidas), &context,
                                       [&](const QVariant&) { ++notifications; });
  SubidasEnCurso list;
  int cancels = 0;
  auto a = list.agregar(QStringLiteral("Captura"), 1'234'567, [&] { ++cancels; });
  auto b = list.agregar(QStringLiteral("Grabación"), 5'000, nullptr);
  EXPECT_NE(a->id(), b->id());
  EXPECT_EQ(list.activas(), (QList{a, b}));
  list.ponerProgreso(b, 0.999);
  EXPECT_EQ(b->resumen(), QStringLiteral("Grabación \u00B7 5.0 kB \u00B7 99 %"));
  list.ponerProgreso(a, 1.7);
  EXPECT_DOUBLE_EQ(a->progreso(), 1.0);
  list.ponerProgreso(a, std::nan(""));
  EXPECT_DOUBLE_EQ(a->progreso(), 0.0);
  list.cancelar(a);
  list.cancelar(b);  // without an action: nothing happens
  EXPECT_EQ(cancels, 1);
  list.quitar(a);
  list.quitar(a);  // already gone: no second notification
  EXPECT_EQ(list.activas().size(), 1);
  QTRY_COMPARE_WITH_TIMEOUT(notifications, 2 + 3 + 1, 2000);
}

}  // namespace
}  // namespace corvalin
