#include <gtest/gtest.h>

#include <QTest>

#include "core/texts.h"
#include "platform/notification_center.h"
#include "support/idioma_fijo.h"
#include "upload/subidas_en_curso.h"

namespace corvalin {
namespace {

TEST(SubidasEnCurso, KeepsStartOrderClampsProgressAndNotifies) {
  QObject context;
  int notifications = 0;
  NotificationCenter::shared().observe(QString::fromUtf8(notificacion::kSubidas), &context,
                                       [&](const QVariant&) { ++notifications; });
  SubidasEnCurso list;
  int cancels = 0;
  auto a = list.agregar(QStringLiteral("Captura"), 1'234'567, [&] { ++cancels; });
  auto b = list.agregar(QStringLiteral("Grabación"), 999, nullptr);
  EXPECT_NE(a->id(), b->id());
  ASSERT_EQ(list.activas().size(), 2);
  EXPECT_EQ(list.activas()[0], a);
  list.ponerProgreso(a, 1.7);
  EXPECT_DOUBLE_EQ(a->progreso(), 1.0);
  list.ponerProgreso(a, -3);
  EXPECT_DOUBLE_EQ(a->progreso(), 0.0);
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

TEST(SubidasEnCurso, SummaryShowsNameSizeAndWholePercent) {
  prueba::IdiomaFijo fijo(Idioma::ingles);
  SubidaEnCurso s(QStringLiteral("Captura"), 1'200'000, nullptr);
  EXPECT_EQ(s.resumen(), QStringLiteral("Captura \u00B7 1.2 MB \u00B7 0 %"));
  SubidasEnCurso list;
  auto entry = list.agregar(QStringLiteral("Video"), 5'000, nullptr);
  list.ponerProgreso(entry, 0.999);
  EXPECT_EQ(entry->resumen(), QStringLiteral("Video \u00B7 5.0 kB \u00B7 99 %"));
  fijarIdiomaActual(Idioma::español);
  EXPECT_EQ(s.resumen(), QStringLiteral("Captura \u00B7 1,2 MB \u00B7 0 %"));
}

}  // namespace
}  // namespace corvalin
