#include "tools/portal_screenshot.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QEventLoop>
#include <QFile>
#include <QRandomGenerator>
#include <QTimer>
#include <QUrl>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>

#include "tools/png_writer.h"

namespace corvalin::tools {
namespace {

const QString kService = QStringLiteral("org.freedesktop.portal.Desktop");
const QString kObject = QStringLiteral("/org/freedesktop/portal/desktop");
const QString kScreenshot = QStringLiteral("org.freedesktop.portal.Screenshot");
const QString kRequest = QStringLiteral("org.freedesktop.portal.Request");
// The call only registers the request: a portal that is there answers at once. The
// response waits for the user, who may take their time choosing.
constexpr int kCallTimeoutMs = 10'000;
constexpr int kResponseTimeoutMs = 10 * 60'000;

// Receives the Request object's Response signal.
class PortalAnswer : public QObject {
  Q_OBJECT

 public:
  std::optional<uint> code;
  QVariantMap results;

 Q_SIGNALS:
  void arrived();

 public Q_SLOTS:
  void onResponse(uint response, const QVariantMap& values) {
    code = response;
    results = values;
    Q_EMIT arrived();
  }
};

int fail(const QString& spanish, const QString& english) {
  printError(spanish.toStdString(), english.toStdString());
  return 1;
}

// The portal saved the picture for us alone; moving it rather than copying leaves no stray
// copy in the user's pictures folder.
bool moveFile(const QString& from, const std::string& to, std::string* error) {
  const QByteArray source = QFile::encodeName(from);
  if (std::rename(source.constData(), to.c_str()) == 0) return true;
  if (errno != EXDEV) {
    *error = to + ": " + std::strerror(errno);
    return false;
  }
  QFile file(from);
  if (!file.open(QIODevice::ReadOnly)) {
    *error = from.toStdString() + ": " + file.errorString().toStdString();
    return false;
  }
  const QByteArray bytes = file.readAll();
  file.close();
  const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.constData());
  if (!writeFileAtomically(to, {data, static_cast<std::size_t>(bytes.size())}, error)) return false;
  QFile::remove(from);
  return true;
}

}  // namespace

int captureThroughPortal(CaptureKind kind, const std::string& outputPath, char* programName) {
  int qtArgc = 1;
  char* qtArgv[] = {programName, nullptr};
  QCoreApplication app(qtArgc, qtArgv);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected())
    return fail(QStringLiteral("No hay bus de sesión de D-Bus para pedir la captura al portal."),
                QStringLiteral("No D-Bus session bus to ask the portal for the screenshot."));

  // The portal names the request object after our bus name and this token; listening before
  // the call means the answer cannot slip past.
  const QString token = QStringLiteral("corvalin%1").arg(QRandomGenerator::global()->generate());
  const QString sender = bus.baseService().mid(1).replace(QLatin1Char('.'), QLatin1Char('_'));
  QString handle =
      QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
  PortalAnswer answer;
  const char* slot = SLOT(onResponse(uint, QVariantMap));
  bus.connect(kService, handle, kRequest, QStringLiteral("Response"), &answer, slot);

  QDBusMessage call =
      QDBusMessage::createMethodCall(kService, kObject, kScreenshot, QStringLiteral("Screenshot"));
  const bool interactive = kind != CaptureKind::screen;
  call << QString()
       << QVariantMap{{QStringLiteral("handle_token"), token},
                      {QStringLiteral("modal"), true},
                      {QStringLiteral("interactive"), interactive}};
  const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
  if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
    return fail(QStringLiteral("Ningún portal de escritorio atiende capturas de pantalla (%1).")
                    .arg(reply.errorName()),
                QStringLiteral("No desktop portal answers screenshot requests (%1).")
                    .arg(reply.errorName()));
  const QString returned = reply.arguments().constFirst().value<QDBusObjectPath>().path();
  if (!returned.isEmpty() && returned != handle) {
    // Older portals choose the object path themselves.
    bus.disconnect(kService, handle, kRequest, QStringLiteral("Response"), &answer, slot);
    handle = returned;
    bus.connect(kService, handle, kRequest, QStringLiteral("Response"), &answer, slot);
  }

  QEventLoop loop;
  QObject::connect(&answer, &PortalAnswer::arrived, &loop, &QEventLoop::quit);
  QTimer::singleShot(kResponseTimeoutMs, &loop, &QEventLoop::quit);
  if (!answer.code) loop.exec();
  if (!answer.code)
    return fail(QStringLiteral("El portal de escritorio no respondió a tiempo."),
                QStringLiteral("The desktop portal did not answer in time."));
  if (*answer.code == 1) return 0;  // the user cancelled
  const QString uri = answer.results.value(QStringLiteral("uri")).toString();
  const QString file = QUrl(uri).toLocalFile();
  if (*answer.code != 0 || file.isEmpty())
    return fail(QStringLiteral("El portal de escritorio no pudo hacer la captura."),
                QStringLiteral("The desktop portal could not take the screenshot."));
  std::string error;
  if (!moveFile(file, outputPath, &error))
    return fail(
        QStringLiteral("No se pudo guardar la imagen en %1.").arg(QString::fromStdString(error)),
        QStringLiteral("Could not save the picture to %1.").arg(QString::fromStdString(error)));
  return 0;
}

}  // namespace corvalin::tools

#include "portal_screenshot.moc"
