#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "core/toast.h"

namespace corvalin {
namespace {

using namespace Qt::Literals::StringLiterals;

TEST(ToastWidget, ANewToastReplacesTheCurrentOneWithoutLosingTheSlot) {
  Toast* first = Toast::mostrar(u"Primero"_s, QString(), u"bell.fill"_s);
  QPointer<Toast> firstGuard(first);
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(first->y(), area.y() + 16);

  Toast* second = Toast::mostrar(u"Segundo"_s, u"d"_s, u"bell.fill"_s);
  // The first fades out (0.2 s) and is gone; its end does not clear the newer toast.
  QTRY_VERIFY_WITH_TIMEOUT(firstGuard.isNull(), 2000);
  EXPECT_EQ(Toast::actual(), second);

  // It goes by itself after its time.
  QTRY_VERIFY_WITH_TIMEOUT(Toast::actual() == nullptr, Toast::kMilisegundos + 2000);
}

TEST(ToastWidget, AToastWithAButtonTakesClicksRunsItsActionOnceAndGoes) {
  const Toast plain(u"Aviso"_s, QString(), u"bell.fill"_s);
  EXPECT_TRUE(plain.testAttribute(Qt::WA_TransparentForMouseEvents));

  int elegido = 0;
  QPointer<Toast> toast = Toast::mostrar(u"Aviso"_s, u"detalle"_s, u"bell.fill"_s,
                                         {u"Recuperar"_s, [&] { ++elegido; }});
  ASSERT_NE(toast->boton(), nullptr);
  EXPECT_FALSE(toast->testAttribute(Qt::WA_TransparentForMouseEvents));
  // Still there after a plain toast's time.
  QTest::qWait(Toast::kMilisegundos + 300);
  ASSERT_FALSE(toast.isNull());

  QTest::mouseClick(toast->boton(), Qt::LeftButton);
  QTest::mouseClick(toast->boton(), Qt::LeftButton);  // while it fades
  EXPECT_EQ(elegido, 1);
  QTRY_VERIFY_WITH_TIMEOUT(toast.isNull(), 2000);
  EXPECT_EQ(Toast::actual(), nullptr);
}

}  // namespace
}  // namespace corvalin
