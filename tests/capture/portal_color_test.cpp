// Picking a colour through the desktop portal, against a portal on the session bus that
// answers the way the real one does: the request object's Response signal with a colour, or
// a cancel; and what happens when no portal is there.
#include <gtest/gtest.h>

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTest>
#include <QTimer>

#include "capture/color_picker.h"
#include "capture/portal_color.h"

namespace corvalin {
namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");

// Answers PickColor: registers the request object's path from the caller's name and token,
// replies with it, then sends Response on it.
class PortalDePrueba : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Screenshot")

 public:
  uint respuesta = 0;
  int pedidos = 0;

 public Q_SLOTS:
  QDBusObjectPath PickColor(const QString&, const QVariantMap& options, const QDBusMessage& m) {
    ++pedidos;
    const QString sender = m.service().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
    const QString handle =
        QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2")
            .arg(sender, options.value(QStringLiteral("handle_token")).toString());
    QTimer::singleShot(20, this, [this, handle] {
      QDBusMessage signal = QDBusMessage::createSignal(
          handle, QStringLiteral("org.freedesktop.portal.Request"), QStringLiteral("Response"));
      QDBusArgument color;
      color.beginStructure();
      color << 1.0 << 0.5 << 0.0;
      color.endStructure();
      QVariantMap results;
      if (respuesta == 0) results.insert(QStringLiteral("color"), QVariant::fromValue(color));
      signal << respuesta << results;
      QDBusConnection::sessionBus().send(signal);
    });
    return QDBusObjectPath(handle);
  }
};

struct Resultado {
  QString hex;
  int cancelados = 0;
  int fallos = 0;
  bool listo() const { return !hex.isEmpty() || cancelados + fallos > 0; }
};

Resultado pedir() {
  auto r = std::make_shared<Resultado>();
  colorDelPortal([r](const QColor& c) { r->hex = ColorPicker::hex(c); }, [r] { ++r->cancelados; },
                 [r] { ++r->fallos; });
  EXPECT_TRUE(QTest::qWaitFor([r] { return r->listo(); }, 10000));
  QTest::qWait(50);  // nothing more arrives
  return *r;
}

TEST(PortalColor, TheColourTheDesktopPickedACancelAndNoPortal) {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) GTEST_SKIP() << "no session bus: run inside scripts/test-session";
  if (bus.interface()->isServiceRegistered(kService)) GTEST_SKIP() << "a real portal runs here";

  PortalDePrueba portal;
  ASSERT_TRUE(bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &portal,
                                 QDBusConnection::ExportAllSlots));
  ASSERT_TRUE(bus.registerService(kService));
  // What came back: the colour, cancels and failures.
  const auto como = [](const Resultado& r) {
    return QStringLiteral("%1 %2 %3").arg(r.hex).arg(r.cancelados).arg(r.fallos);
  };
  EXPECT_EQ(como(pedir()), QStringLiteral("#FF8000 0 0"));
  portal.respuesta = 1;  // the user closed the desktop's chooser
  EXPECT_EQ(como(pedir()), QStringLiteral(" 1 0"));
  EXPECT_EQ(portal.pedidos, 2);

  bus.unregisterService(kService);
  bus.unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
  EXPECT_EQ(como(pedir()), QStringLiteral(" 0 1"));
}

}  // namespace
}  // namespace corvalin

#include "portal_color_test.moc"
