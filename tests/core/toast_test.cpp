#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include "core/toast.h"

namespace corvalin {
namespace {

using namespace Qt::Literals::StringLiterals;

TEST(Toast, WidthIsClampedToTheTitleAndThePanelHangsBelowTheTop) {
  EXPECT_EQ(anchoDeToast(300), 300);
  Toast small(u"Hola"_s, QString(), u"bell.fill"_s);
  EXPECT_EQ(small.width(), 240);
  Toast large(QString(300, QLatin1Char('M')), u"detalle"_s, u"nombre.que.no.existe"_s);
  EXPECT_EQ(large.width(), 460);
  EXPECT_GT(large.height(), small.height());  // the detail adds a line
  EXPECT_EQ(posicionDeToast(QRect(0, 0, 1920, 1080), QSize(300, 60)), QPoint(810, 16));
  EXPECT_EQ(posicionDeToast(QRect(1920, 32, 1280, 1000), QSize(241, 60)),
            QPoint(1920 + 640 - 120, 48));
}

TEST(ToastWidget, ANewToastReplacesTheCurrentOneWithoutLosingTheSlot) {
  Toast* first = Toast::mostrar(u"Primero"_s, QString(), u"bell.fill"_s);
  QPointer<Toast> firstGuard(first);
  EXPECT_EQ(Toast::actual(), first);
  EXPECT_TRUE(first->isVisible());
  const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(first->y(), area.y() + 16);

  Toast* second = Toast::mostrar(u"Segundo"_s, u"d"_s, u"bell.fill"_s);
  EXPECT_EQ(Toast::actual(), second);
  // The first fades out (0.2 s) and is gone; its end does not clear the newer toast.
  QTRY_VERIFY_WITH_TIMEOUT(firstGuard.isNull(), 2000);
  EXPECT_EQ(Toast::actual(), second);
  EXPECT_TRUE(second->isVisible());

  second->dismiss();
  QTRY_VERIFY_WITH_TIMEOUT(Toast::actual() == nullptr, 2000);
}

TEST(ToastWidget, DismissesItselfAfterItsTime) {
  QPointer<Toast> toast = new Toast(u"Breve"_s, QString(), u"bell.fill"_s);
  toast->setAttribute(Qt::WA_DeleteOnClose);
  QElapsedTimer timer;
  timer.start();
  toast->present(100);
  EXPECT_TRUE(toast->isVisible());
  QTRY_VERIFY_WITH_TIMEOUT(toast.isNull(), 2000);
  EXPECT_GE(timer.elapsed(), 100 + 200 - 50);  // its time, then the fade
}

TEST(ToastWidget, AToastWithAButtonTakesClicksRunsItsActionOnceAndGoes) {
  const Toast plain(u"Aviso"_s, QString(), u"bell.fill"_s);
  EXPECT_TRUE(plain.testAttribute(Qt::WA_TransparentForMouseEvents));
  EXPECT_EQ(plain.boton(), nullptr);

  int elegido = 0;
  QPointer<Toast> toast = Toast::mostrar(u"Aviso"_s, u"detalle"_s, u"bell.fill"_s,
                                         {u"Recuperar"_s, [&] { ++elegido; }});
  ASSERT_NE(toast->boton(), nullptr);
  EXPECT_FALSE(toast->testAttribute(Qt::WA_TransparentForMouseEvents));
  EXPECT_FALSE(toast->windowFlags().testFlag(Qt::WindowTransparentForInput));
  // The button has room beside the text.
  EXPECT_GT(toast->width(), plain.width());
  EXPECT_TRUE(toast->geometry().contains(toast->boton()->geometry().translated(toast->pos())));
  // Still there after a plain toast's time.
  QTest::qWait(Toast::kMilisegundos + 300);
  ASSERT_FALSE(toast.isNull());
  EXPECT_TRUE(toast->isVisible());

  QTest::mouseClick(toast->boton(), Qt::LeftButton);
  QTest::mouseClick(toast->boton(), Qt::LeftButton);  // while it fades
  EXPECT_EQ(elegido, 1);
  QTRY_VERIFY_WITH_TIMEOUT(toast.isNull(), 2000);
  EXPECT_EQ(Toast::actual(), nullptr);
}

}  // namespace
}  // namespace corvalin
