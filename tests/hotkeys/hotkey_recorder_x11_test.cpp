// The recorder against real global hotkeys on the test session's X server: a combination the
// application grabs globally, typed by xdotool while the recorder listens, reaches the recorder
// and not the global handler; once it stops listening the grab is back.
#include <gtest/gtest.h>

#include <QApplication>
#include <QProcess>
#include <QTest>
#include <QVBoxLayout>

#include "hotkeys/hotkey_recorder.h"
#include "hotkeys/x11_hotkey_manager.h"
#include "platform/notification_center.h"

namespace corvalin {
namespace {

const Hotkey kCtrlAltK{40, Hotkey::kControl | Hotkey::kOption};
constexpr uint32_t kId = 1;

void xdotool(const QStringList& args) {
  ASSERT_EQ(QProcess::execute(QStringLiteral("xdotool"), args), 0) << args.join(' ').toStdString();
}

class HotkeyRecorderX11 : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != QLatin1String("xcb")) GTEST_SKIP() << "needs X11";
    atajos_ = X11HotkeyManager::conectar();
    ASSERT_TRUE(atajos_);
    ASSERT_TRUE(registrar());
    // What the shell does with the notification.
    NotificationCenter::shared().observe(QString::fromUtf8(notificacion::kCapturandoAtajo),
                                         &contexto_, [this](const QVariant& capturando) {
                                           suspendidos_ = capturando.toBool();
                                           if (suspendidos_)
                                             atajos_->unregisterAll();
                                           else
                                             registrar();
                                         });
  }
  bool registrar() {
    return atajos_->registrar(kCtrlAltK, kId, [this] { ++globales_; });
  }

  std::unique_ptr<X11HotkeyManager> atajos_;
  QObject contexto_;
  int globales_ = 0;
  bool suspendidos_ = false;
};

TEST_F(HotkeyRecorderX11, AGrabbedCombinationReachesTheListeningRecorderInstead) {
  xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+k")});
  ASSERT_TRUE(QTest::qWaitFor([this] { return globales_ == 1; }))
      << "the grab itself does not work";

  QWidget ventana;
  ventana.setWindowFlags(Qt::FramelessWindowHint);
  auto* columna = new QVBoxLayout(&ventana);
  auto* grabador = new HotkeyRecorder;
  columna->addWidget(grabador);
  std::vector<std::optional<Hotkey>> informes;
  grabador->setAlGrabar([&](const std::optional<Hotkey>& hotkey) {
    informes.push_back(hotkey);
    return std::optional<QString>();
  });
  ventana.move(200, 200);
  ventana.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&ventana));

  const QPoint centro = grabador->mapToGlobal(grabador->rect().center());
  xdotool({QStringLiteral("mousemove"), QString::number(centro.x()), QString::number(centro.y()),
           QStringLiteral("click"), QStringLiteral("1")});
  ASSERT_TRUE(QTest::qWaitFor([&] { return grabador->recording() && suspendidos_; }));
  ASSERT_TRUE(QTest::qWaitFor([&] { return grabador->hasFocus(); }));

  xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+k")});
  ASSERT_TRUE(QTest::qWaitFor([&] { return !informes.empty(); }));
  ASSERT_TRUE(informes[0].has_value());
  EXPECT_EQ(*informes[0], kCtrlAltK);
  EXPECT_EQ(informes[0]->display(), QStringLiteral("Ctrl+Alt+K"));
  EXPECT_FALSE(grabador->recording());
  ASSERT_TRUE(QTest::qWaitFor([this] { return !suspendidos_; }));
  EXPECT_EQ(globales_, 1);

  // Grabbed again: the same keys start the global command and leave the field alone.
  xdotool({QStringLiteral("key"), QStringLiteral("ctrl+alt+k")});
  EXPECT_TRUE(QTest::qWaitFor([this] { return globales_ == 2; }));
  EXPECT_EQ(informes.size(), 1u);
}

}  // namespace
}  // namespace corvalin
