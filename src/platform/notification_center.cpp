#include "platform/notification_center.h"

#include "platform/main_thread.h"

namespace corvalin {

NotificationCenter& NotificationCenter::shared() {
  static NotificationCenter* center = new NotificationCenter();  // lives as long as the process
  return *center;
}

void NotificationCenter::post(const QString& name, const QVariant& object) {
  enMain([this, name, object] { Q_EMIT posted(name, object); });
}

QMetaObject::Connection NotificationCenter::observe(const QString& name, QObject* context,
                                                    std::function<void(const QVariant&)> handler) {
  return connect(
      this, &NotificationCenter::posted, context,
      [name, handler = std::move(handler)](const QString& posted, const QVariant& object) {
        if (posted == name) handler(object);
      });
}

}  // namespace corvalin
