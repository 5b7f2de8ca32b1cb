// A stand-in for a desktop's tray over D-Bus, for tray_sni.sh: the StatusNotifierWatcher that
// tray icons register with, and a host that reads a registered icon the way a panel does.
//
//   sni_host watch                     owns the watcher's name; prints "ready", then
//                                      "registered SERVICE/PATH" per registration
//   sni_host dump                      the item's properties and its whole menu, as lines:
//       items.count N / item.Id "corvalin" (every plain property) / item.IconPixmap WxH
//       bytes=N size-ok=BOOL visible=N (one a picture) / item.ToolTip.title "..." / then
//       entry depth=D id=N type=T enabled=B visible=B toggle=TYPE:STATE submenu=B
//       label="..."   (or "menu <none>")
//   sni_host click LABEL               clicks the menu entry labelled LABEL
//   sni_host activate X Y              calls Activate(X, Y) on the item
//   sni_host wait-gone                 waits until no item is registered
// The clients wait up to --wait-item S seconds (10 unless told) for an item. Strings are
// quoted with \\, \", \t and \n escaped.
// Exit status: 0 done; 1 bad usage; 2 no watcher; 3 no item in time (or still one, for
// wait-gone); 4 a call to the item failed; 5 no single usable entry with that label.
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QThread>
#include <cstdio>
#include <optional>

namespace {

const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kWatcherPath = QStringLiteral("/StatusNotifierWatcher");
const QString kItem = QStringLiteral("org.kde.StatusNotifierItem");
const QString kMenu = QStringLiteral("com.canonical.dbusmenu");
const QString kProps = QStringLiteral("org.freedesktop.DBus.Properties");

void out(const QString& s) {
  std::fputs(qPrintable(s + QLatin1Char('\n')), stdout);
  std::fflush(stdout);
}
int fail(int status, const QString& s) {
  std::fputs(qPrintable(QStringLiteral("sni_host: ") + s + QLatin1Char('\n')), stderr);
  return status;
}
QString yes(bool b) {
  return b ? QStringLiteral("true") : QStringLiteral("false");
}
QString quoted(QString s) {
  s.replace(QLatin1String("\\"), QLatin1String("\\\\"))
      .replace(QLatin1String("\""), QLatin1String("\\\""));
  s.replace(QLatin1String("\t"), QLatin1String("\\t"))
      .replace(QLatin1String("\n"), QLatin1String("\\n"));
  return QLatin1Char('"') + s + QLatin1Char('"');
}

// Qt's tray icons register with their bus name; an item leaves the list when its name goes.
class Watcher : public QObject {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
  Q_PROPERTY(QStringList RegisteredStatusNotifierItems MEMBER items_)
  Q_PROPERTY(bool IsStatusNotifierHostRegistered MEMBER host_)  // this program is one

 public:
  Watcher() {
    gone_.setConnection(QDBusConnection::sessionBus());
    gone_.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(&gone_, &QDBusServiceWatcher::serviceUnregistered, this, [this](const QString& s) {
      items_.removeAll(s + QStringLiteral("/StatusNotifierItem"));
    });
  }

 public Q_SLOTS:
  void RegisterStatusNotifierItem(const QString& service) {
    const QString item = service + QStringLiteral("/StatusNotifierItem");
    if (items_.contains(item)) return;
    items_ << item;
    gone_.addWatchedService(service);
    out(QStringLiteral("registered ") + item);
  }

 private:
  QStringList items_;
  bool host_ = true;
  QDBusServiceWatcher gone_;
};

// The reply's arguments; nothing when the call failed (and the reason on stderr).
std::optional<QVariantList> call(const QString& service, const QString& path, const QString& iface,
                                 const QString& method, const QVariantList& args = {}) {
  QDBusMessage m = QDBusMessage::createMethodCall(service, path, iface, method);
  m.setArguments(args);
  const QDBusMessage r = QDBusConnection::sessionBus().call(m, QDBus::Block, 5000);
  if (r.type() == QDBusMessage::ReplyMessage) return r.arguments();
  fail(0, QStringLiteral("%1 on %2%3 failed: %4").arg(method, service, path, r.errorMessage()));
  return std::nullopt;
}
QVariant unwrap(const QVariant& v) {
  return v.userType() == qMetaTypeId<QDBusVariant>() ? qvariant_cast<QDBusVariant>(v).variant() : v;
}

struct Item {
  QString service, path;
  int count = 0;
};

// Waits for an item to be registered (gone == false) or for none to be (gone == true).
int waitFor(int seconds, bool gone, Item* item = nullptr) {
  const QDeadlineTimer deadline(qint64(seconds) * 1000);
  for (;;) {
    const auto r = call(kWatcher, kWatcherPath, kProps, QStringLiteral("Get"),
                        {kWatcher, QStringLiteral("RegisteredStatusNotifierItems")});
    if (!r || r->isEmpty()) return fail(2, QStringLiteral("no watcher on the session bus"));
    const QStringList items = unwrap(r->first()).toStringList();
    if (items.isEmpty() == gone) {
      if (item && !gone) {
        const qsizetype slash = items.first().indexOf(QLatin1Char('/'));
        *item = {items.first().left(slash), items.first().mid(slash), int(items.size())};
      }
      return 0;
    }
    if (deadline.hasExpired())
      return fail(3, gone ? QStringLiteral("still registered: ") + items.join(QLatin1Char(' '))
                          : QStringLiteral("no item registered in time"));
    QThread::msleep(100);
  }
}

// One menu entry, in the order a panel shows them.
struct Entry {
  int depth = 0, id = 0;
  QVariantMap props;
  bool submenu = false;
  QString text(const char* key, const QString& otherwise = {}) const {
    return props.value(QLatin1String(key), otherwise).toString();
  }
  bool flag(const char* key) const { return props.value(QLatin1String(key), true).toBool(); }
};

void readEntry(const QDBusArgument& arg, int depth, QList<Entry>& all) {
  Entry e;
  e.depth = depth;
  arg.beginStructure();
  arg >> e.id >> e.props;
  const qsizetype at = all.size();
  if (depth >= 0) all << e;
  arg.beginArray();
  while (!arg.atEnd()) {
    QDBusVariant child;
    arg >> child;
    readEntry(qvariant_cast<QDBusArgument>(child.variant()), depth + 1, all);
  }
  arg.endArray();
  arg.endStructure();
  if (depth >= 0) all[at].submenu = all.size() > at + 1;
}

// The menu's entries after AboutToShow(0), as a panel opening it gets them.
std::optional<QList<Entry>> menu(const Item& item, QString* path) {
  const auto r =
      call(item.service, item.path, kProps, QStringLiteral("Get"), {kItem, QStringLiteral("Menu")});
  if (!r || r->isEmpty()) return std::nullopt;
  *path = qvariant_cast<QDBusObjectPath>(unwrap(r->first())).path();
  if (path->isEmpty() || *path == QLatin1String("/NO_DBUSMENU")) return std::nullopt;
  if (!call(item.service, *path, kMenu, QStringLiteral("AboutToShow"), {0})) return std::nullopt;
  const auto layout =
      call(item.service, *path, kMenu, QStringLiteral("GetLayout"), {0, -1, QStringList()});
  if (!layout || layout->size() != 2) return std::nullopt;
  QList<Entry> all;
  readEntry(qvariant_cast<QDBusArgument>(layout->at(1)), -1, all);  // the root is no entry
  return all;
}

void printEntry(const Entry& e) {
  const QString toggle =
      e.props.contains(QStringLiteral("toggle-type"))
          ? e.text("toggle-type") + QLatin1Char(':') + e.text("toggle-state", QStringLiteral("-1"))
          : QStringLiteral("none");
  out(QStringLiteral("entry %1depth=%2 id=%3 type=%4 enabled=%5 visible=%6 toggle=%7 submenu=%8 "
                     "label=%9")
          .arg(QString(e.depth * 2, QLatin1Char(' ')))
          .arg(e.depth)
          .arg(e.id)
          .arg(e.text("type", QStringLiteral("standard")), yes(e.flag("enabled")),
               yes(e.flag("visible")), toggle, yes(e.submenu), quoted(e.text("label"))));
}

// Pictures as a(iiay): width, height, ARGB32 in network order; one line each when `print`.
void pictures(const QDBusArgument& arg, bool print) {
  arg.beginArray();
  while (!arg.atEnd()) {
    int w = 0, h = 0;
    QByteArray argb;
    arg.beginStructure();
    arg >> w >> h >> argb;
    arg.endStructure();
    int visible = 0;
    for (qsizetype i = 0; i + 3 < argb.size(); i += 4) visible += argb[i] != 0;
    if (print)
      out(QStringLiteral("item.IconPixmap %1x%2 bytes=%3 size-ok=%4 visible=%5")
              .arg(w)
              .arg(h)
              .arg(argb.size())
              .arg(yes(w > 0 && argb.size() == qsizetype(w) * h * 4))
              .arg(visible));
  }
  arg.endArray();
}

int dump(const Item& item) {
  out(QStringLiteral("items.count %1").arg(item.count));
  const auto r = call(item.service, item.path, kProps, QStringLiteral("GetAll"), {kItem});
  if (!r || r->isEmpty()) return 4;
  const QVariantMap props = qdbus_cast<QVariantMap>(r->first());
  for (auto it = props.begin(); it != props.end(); ++it) {
    const QVariant v = unwrap(it.value());
    if (v.userType() == QMetaType::QString)
      out(QStringLiteral("item.%1 %2").arg(it.key(), quoted(v.toString())));
    else if (v.userType() == qMetaTypeId<QDBusObjectPath>())
      out(QStringLiteral("item.%1 %2")
              .arg(it.key(), quoted(qvariant_cast<QDBusObjectPath>(v).path())));
  }
  const QVariant icons = unwrap(props.value(QStringLiteral("IconPixmap")));
  if (icons.userType() == qMetaTypeId<QDBusArgument>())
    pictures(qvariant_cast<QDBusArgument>(icons), true);
  const QVariant tip = unwrap(props.value(QStringLiteral("ToolTip")));
  if (tip.userType() == qMetaTypeId<QDBusArgument>()) {
    const QDBusArgument arg = qvariant_cast<QDBusArgument>(tip);
    QString icon, title;
    arg.beginStructure();
    arg >> icon;
    pictures(arg, false);
    arg >> title;
    out(QStringLiteral("item.ToolTip.title ") + quoted(title));
  }
  QString path;
  const std::optional<QList<Entry>> entries = menu(item, &path);
  if (!entries) {
    out(QStringLiteral("menu <none>"));
    return 4;
  }
  for (const Entry& e : *entries) printEntry(e);
  return 0;
}

int click(const Item& item, const QString& label) {
  QString path;
  const std::optional<QList<Entry>> entries = menu(item, &path);
  if (!entries) return 4;
  QList<Entry> found;
  for (const Entry& e : *entries) {
    // dbusmenu marks the access key with "_".
    if (e.text("label") == label || e.text("label").remove(QLatin1Char('_')) == label) found << e;
  }
  if (found.size() != 1 || found[0].text("type") == QLatin1String("separator") ||
      !found[0].flag("enabled") || !found[0].flag("visible"))
    return fail(5, QStringLiteral("no single usable entry labelled %1").arg(quoted(label)));
  // As a panel does: the menu opens, the entry is clicked, the menu closes (perhaps with the
  // application: that last answer says nothing).
  const auto event = [&](int id, const char* what) {
    return call(item.service, path, kMenu, QStringLiteral("Event"),
                {id, QString::fromLatin1(what), QVariant::fromValue(QDBusVariant(0)),
                 QVariant::fromValue(uint(QDateTime::currentSecsSinceEpoch()))})
        .has_value();
  };
  if (!event(0, "opened") || !event(found[0].id, "clicked")) return 4;
  event(0, "closed");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  int waitItem = 10;
  if (const qsizetype i = args.indexOf(QLatin1String("--wait-item")); i >= 0) {
    if (i + 1 >= args.size()) return fail(1, QStringLiteral("--wait-item needs a number"));
    waitItem = args[i + 1].toInt();
    args.remove(i, 2);
  }
  const QString command = args.value(0);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return fail(2, QStringLiteral("no session bus"));

  if (command == QLatin1String("watch")) {
    Watcher watcher;
    if (!bus.registerObject(
            kWatcherPath, &watcher,
            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties) ||
        !bus.registerService(kWatcher))
      return fail(2, kWatcher + QStringLiteral(" is taken"));
    out(QStringLiteral("ready"));
    return app.exec();
  }
  if (command == QLatin1String("wait-gone")) return waitFor(waitItem, true);
  Item item;
  if (const int status = waitFor(waitItem, false, &item); status != 0) return status;
  if (command == QLatin1String("dump")) return dump(item);
  if (command == QLatin1String("click") && args.size() == 2) return click(item, args[1]);
  if (command == QLatin1String("activate") && args.size() == 3)
    return call(item.service, item.path, kItem, QStringLiteral("Activate"),
                {args[1].toInt(), args[2].toInt()})
               ? 0
               : 4;
  return fail(1, QStringLiteral("usage: sni_host watch|dump|click LABEL|activate X Y|"
                                "wait-gone [--wait-item S]"));
}

#include "sni_host.moc"
