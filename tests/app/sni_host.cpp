// A stand-in for a desktop's tray over D-Bus, for tray_sni.sh: the StatusNotifierWatcher that
// tray icons register with, and a host that reads a registered icon the way a panel does.
//
//   sni_host watch [--max-seconds S]   owns the watcher's name; prints "ready", then
//                                      "registered SERVICE/PATH" per registration
//   sni_host dump                      the item's properties and its whole menu, as lines:
//       items.count N / item.Id "corvalin" (every plain property) / item.IconPixmap WxH
//       bytes=N size-ok=BOOL visible=N (one a picture) / item.ToolTip.title "..." / then
//       entry depth=D id=N type=T enabled=B visible=B toggle=TYPE:STATE submenu=B
//       shortcut="..." label="..."   (or "menu <none>")
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
#include <QDBusConnectionInterface>
#include <QDBusContext>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDateTime>
#include <QDeadlineTimer>
#include <QThread>
#include <QTimer>
#include <cstdio>
#include <optional>
#include <tuple>

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

class Watcher : public QObject, protected QDBusContext {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
  Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
  Q_PROPERTY(bool IsStatusNotifierHostRegistered READ host)

 public:
  Watcher() {
    gone_.setConnection(QDBusConnection::sessionBus());
    gone_.setWatchMode(QDBusServiceWatcher::WatchForUnregistration);
    connect(&gone_, &QDBusServiceWatcher::serviceUnregistered, this, [this](const QString& s) {
      for (qsizetype i = items_.size() - 1; i >= 0; --i) {
        if (!items_[i].startsWith(s + QLatin1Char('/'))) continue;
        const QString item = items_.takeAt(i);
        out(QStringLiteral("unregistered ") + item);
        Q_EMIT StatusNotifierItemUnregistered(item);
      }
    });
  }
  QStringList items() const { return items_; }
  bool host() const { return true; }  // this program is one

 public Q_SLOTS:
  // An item registers with its bus name, or with its object path on the caller's name.
  void RegisterStatusNotifierItem(const QString& arg) {
    const bool path = arg.startsWith(QLatin1Char('/'));
    const QString service = path ? message().service() : arg;
    const QString item = service + (path ? arg : QStringLiteral("/StatusNotifierItem"));
    if (items_.contains(item)) return;
    items_ << item;
    gone_.addWatchedService(service);
    out(QStringLiteral("registered ") + item);
    Q_EMIT StatusNotifierItemRegistered(item);
  }

 Q_SIGNALS:
  void StatusNotifierItemRegistered(const QString& item);
  void StatusNotifierItemUnregistered(const QString& item);

 private:
  QStringList items_;
  QDBusServiceWatcher gone_;
};

QDBusMessage call(const QString& service, const QString& path, const QString& iface,
                  const QString& method, const QVariantList& args = {}) {
  QDBusMessage m = QDBusMessage::createMethodCall(service, path, iface, method);
  m.setArguments(args);
  const QDBusMessage r = QDBusConnection::sessionBus().call(m, QDBus::Block, 5000);
  if (r.type() != QDBusMessage::ReplyMessage)
    fail(0, QStringLiteral("%1 on %2%3 failed: %4").arg(method, service, path, r.errorMessage()));
  return r;
}
bool failed(const QDBusMessage& r) {
  return r.type() != QDBusMessage::ReplyMessage || r.arguments().isEmpty();
}
QVariant unwrap(const QVariant& v) {
  return v.userType() == qMetaTypeId<QDBusVariant>() ? qvariant_cast<QDBusVariant>(v).variant() : v;
}

std::optional<QStringList> registered() {
  const QDBusMessage r = call(kWatcher, kWatcherPath, kProps, QStringLiteral("Get"),
                              {kWatcher, QStringLiteral("RegisteredStatusNotifierItems")});
  if (failed(r)) return std::nullopt;
  return unwrap(r.arguments().first()).toStringList();
}

struct Item {
  QString service, path;
  int count = 0;
};

// Waits for an item to be registered (gone == false) or for none to be (gone == true).
int waitFor(int seconds, bool gone, Item* item = nullptr) {
  const QDeadlineTimer deadline(qint64(seconds) * 1000);
  for (;;) {
    const std::optional<QStringList> items = registered();
    if (!items) return fail(2, QStringLiteral("no watcher on the session bus"));
    if (items->isEmpty() == gone) {
      if (item && !gone) {
        const qsizetype slash = items->first().indexOf(QLatin1Char('/'));
        *item = {items->first().left(slash), items->first().mid(slash), int(items->size())};
      }
      return 0;
    }
    if (deadline.hasExpired())
      return fail(3, gone ? QStringLiteral("still registered: ") + items->join(QLatin1Char(' '))
                          : QStringLiteral("no item registered in time"));
    QThread::msleep(100);
  }
}

struct Entry {
  int id = 0;
  QVariantMap props;
  QList<Entry> children;
  QString text(const char* key, const QString& otherwise = {}) const {
    return props.value(QLatin1String(key), otherwise).toString();
  }
  bool flag(const char* key) const { return props.value(QLatin1String(key), true).toBool(); }
};

Entry readEntry(const QDBusArgument& arg) {
  Entry e;
  arg.beginStructure();
  arg >> e.id >> e.props;
  arg.beginArray();
  while (!arg.atEnd()) {
    QDBusVariant child;
    arg >> child;
    e.children << readEntry(qvariant_cast<QDBusArgument>(child.variant()));
  }
  arg.endArray();
  arg.endStructure();
  return e;
}

// The menu after AboutToShow(0), as a panel opening it gets it.
std::optional<Entry> menu(const Item& item, QString* path) {
  const QDBusMessage r =
      call(item.service, item.path, kProps, QStringLiteral("Get"), {kItem, QStringLiteral("Menu")});
  if (failed(r)) return std::nullopt;
  *path = qvariant_cast<QDBusObjectPath>(unwrap(r.arguments().first())).path();
  if (path->isEmpty() || *path == QLatin1String("/NO_DBUSMENU")) return std::nullopt;
  if (failed(call(item.service, *path, kMenu, QStringLiteral("AboutToShow"), {0})))
    return std::nullopt;
  const QDBusMessage layout =
      call(item.service, *path, kMenu, QStringLiteral("GetLayout"), {0, -1, QStringList()});
  if (layout.arguments().size() != 2) return std::nullopt;
  return readEntry(qvariant_cast<QDBusArgument>(layout.arguments()[1]));
}

QString shortcut(const QVariant& v) {
  if (v.userType() != qMetaTypeId<QDBusArgument>()) return v.toString();
  const QDBusArgument arg = qvariant_cast<QDBusArgument>(v);
  QStringList chords;
  arg.beginArray();
  while (!arg.atEnd()) {
    QStringList keys;
    arg >> keys;
    chords << keys.join(QLatin1Char('+'));
  }
  arg.endArray();
  return chords.join(QStringLiteral(", "));
}

void printEntry(const Entry& e, int depth) {
  const QString toggle =
      e.props.contains(QStringLiteral("toggle-type"))
          ? e.text("toggle-type") + QLatin1Char(':') + e.text("toggle-state", QStringLiteral("-1"))
          : QStringLiteral("none");
  out(QStringLiteral("entry %1depth=%2 id=%3 type=%4 enabled=%5 visible=%6 toggle=%7 submenu=%8 "
                     "shortcut=%9 label=%10")
          .arg(QString(depth * 2, QLatin1Char(' ')))
          .arg(depth)
          .arg(e.id)
          .arg(e.text("type", QStringLiteral("standard")), yes(e.flag("enabled")),
               yes(e.flag("visible")), toggle, yes(!e.children.isEmpty()),
               quoted(shortcut(e.props.value(QStringLiteral("shortcut")))),
               quoted(e.text("label"))));
  for (const Entry& c : e.children) printEntry(c, depth + 1);
}

// Pictures as a(iiay): width, height, ARGB32 in network order.
QList<std::tuple<int, int, QByteArray>> pictures(const QDBusArgument& arg) {
  QList<std::tuple<int, int, QByteArray>> all;
  arg.beginArray();
  while (!arg.atEnd()) {
    int w = 0, h = 0;
    QByteArray argb;
    arg.beginStructure();
    arg >> w >> h >> argb;
    arg.endStructure();
    all.append({w, h, argb});
  }
  arg.endArray();
  return all;
}

int dump(const Item& item) {
  out(QStringLiteral("items.count %1").arg(item.count));
  const QDBusMessage r = call(item.service, item.path, kProps, QStringLiteral("GetAll"), {kItem});
  if (failed(r)) return 4;
  const QVariantMap props = qdbus_cast<QVariantMap>(r.arguments().first());
  for (auto it = props.begin(); it != props.end(); ++it) {
    const QVariant v = unwrap(it.value());
    if (v.userType() == QMetaType::QString)
      out(QStringLiteral("item.%1 %2").arg(it.key(), quoted(v.toString())));
    else if (v.userType() == qMetaTypeId<QDBusObjectPath>())
      out(QStringLiteral("item.%1 %2")
              .arg(it.key(), quoted(qvariant_cast<QDBusObjectPath>(v).path())));
  }
  const QVariant icons = unwrap(props.value(QStringLiteral("IconPixmap")));
  if (icons.userType() == qMetaTypeId<QDBusArgument>()) {
    for (const auto& [w, h, argb] : pictures(qvariant_cast<QDBusArgument>(icons))) {
      int visible = 0;
      for (qsizetype i = 0; i + 3 < argb.size(); i += 4) visible += argb[i] != 0;
      out(QStringLiteral("item.IconPixmap %1x%2 bytes=%3 size-ok=%4 visible=%5")
              .arg(w)
              .arg(h)
              .arg(argb.size())
              .arg(yes(w > 0 && argb.size() == qsizetype(w) * h * 4))
              .arg(visible));
    }
  }
  const QVariant tip = unwrap(props.value(QStringLiteral("ToolTip")));
  if (tip.userType() == qMetaTypeId<QDBusArgument>()) {
    const QDBusArgument arg = qvariant_cast<QDBusArgument>(tip);
    QString icon, title, description;
    arg.beginStructure();
    arg >> icon;
    pictures(arg);
    arg >> title >> description;
    arg.endStructure();
    out(QStringLiteral("item.ToolTip.title ") + quoted(title));
  }
  QString path;
  const std::optional<Entry> root = menu(item, &path);
  if (!root) {
    out(QStringLiteral("menu <none>"));
    return 4;
  }
  for (const Entry& e : root->children) printEntry(e, 0);
  return 0;
}

void find(const Entry& e, const QString& label, QList<Entry>& found) {
  for (const Entry& c : e.children) {
    // dbusmenu marks the access key with "_".
    if (c.text("label") == label || c.text("label").remove(QLatin1Char('_')) == label) found << c;
    find(c, label, found);
  }
}

int click(const Item& item, const QString& label) {
  QString path;
  const std::optional<Entry> root = menu(item, &path);
  if (!root) return 4;
  QList<Entry> found;
  find(*root, label, found);
  if (found.size() != 1 || found[0].text("type") == QLatin1String("separator") ||
      !found[0].flag("enabled") || !found[0].flag("visible"))
    return fail(5, QStringLiteral("no single usable entry labelled %1").arg(quoted(label)));
  // As a panel does: the menu opens, the entry is clicked, the menu closes (perhaps with the
  // application: that last answer says nothing).
  const auto event = [&](int id, const char* what) {
    return call(item.service, path, kMenu, QStringLiteral("Event"),
                {id, QString::fromLatin1(what), QVariant::fromValue(QDBusVariant(0)),
                 QVariant::fromValue(uint(QDateTime::currentSecsSinceEpoch()))})
               .type() == QDBusMessage::ReplyMessage;
  };
  if (!event(0, "opened") || !event(found[0].id, "clicked")) return 4;
  event(0, "closed");
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  QStringList args = app.arguments().mid(1);
  int waitItem = 10, maxSeconds = 0;
  for (const char* option : {"--wait-item", "--max-seconds"}) {
    const qsizetype i = args.indexOf(QLatin1String(option));
    if (i < 0) continue;
    if (i + 1 >= args.size()) return fail(1, QStringLiteral("%1 needs a number").arg(option));
    (qstrcmp(option, "--wait-item") == 0 ? waitItem : maxSeconds) = args[i + 1].toInt();
    args.remove(i, 2);
  }
  const QString command = args.value(0);
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return fail(2, QStringLiteral("no session bus"));

  if (command == QLatin1String("watch")) {
    Watcher watcher;
    if (!bus.registerObject(kWatcherPath, &watcher,
                            QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllSignals |
                                QDBusConnection::ExportAllProperties) ||
        !bus.registerService(kWatcher))
      return fail(2, kWatcher + QStringLiteral(" is taken"));
    if (maxSeconds > 0) QTimer::singleShot(maxSeconds * 1000, &app, &QCoreApplication::quit);
    out(QStringLiteral("ready"));
    return app.exec();
  }
  if (command == QLatin1String("wait-gone")) return waitFor(waitItem, true);
  Item item;
  if (const int status = waitFor(waitItem, false, &item); status != 0) return status;
  if (command == QLatin1String("dump")) return dump(item);
  if (command == QLatin1String("click") && args.size() == 2) return click(item, args[1]);
  if (command == QLatin1String("activate") && args.size() == 3) {
    const QDBusMessage r = call(item.service, item.path, kItem, QStringLiteral("Activate"),
                                {args[1].toInt(), args[2].toInt()});
    return r.type() == QDBusMessage::ReplyMessage ? 0 : 4;
  }
  return fail(1, QStringLiteral("usage: sni_host watch|dump|click LABEL|activate X Y|"
                                "wait-gone [--wait-item S] [--max-seconds S]"));
}

#include "sni_host.moc"
