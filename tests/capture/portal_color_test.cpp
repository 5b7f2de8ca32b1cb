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

 public Q_SLOTS:
  QDBusObjectPath PickColor(const QString&, const QVariantMap& options, const QDBusMessage& m) {
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

// What came back: the colour, "cancel" or "failed", each time one arrived.
QStringList pedir() {
  auto r = std::make_shared<QStringList>();
  colorDelPortal([r](const QColor& c) { *r << ColorPicker::hex(c); },
                 [r] { *r << QStringLiteral("cancel"); }, [r] { *r << QStringLiteral("failed"); });
  EXPECT_TRUE(QTest::qWaitFor([r] { return !r->isEmpty(); }, 10000));
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
  EXPECT_EQ(pedir(), QStringList{QStringLiteral("#FF8000")});
  portal.respuesta = 1;  // the user closed the desktop's chooser
  EXPECT_EQ(pedir(), QStringList{QStringLiteral("cancel")});

  bus.unregisterService(kService);
  bus.unregisterObject(QStringLiteral("/org/freedesktop/portal/desktop"));
  EXPECT_EQ(pedir(), QStringList{QStringLiteral("failed")});
}

}  // namespace
}  // namespace corvalin

#include "portal_color_test.moc"
