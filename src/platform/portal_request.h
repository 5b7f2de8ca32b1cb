// One call to the desktop portal that answers through a Request object: the call is made
// after listening for the answer, so it cannot slip past, and the calling thread runs its
// events until the answer comes.
#pragma once

#include <QDBusConnection>
#include <QList>
#include <QString>
#include <QVariant>
#include <QVariantMap>
#include <optional>

namespace corvalin {

struct RespuestaDelPortal {
  uint codigo = 2;  // 0 done, 1 cancelled by the user, 2 anything else
  QVariantMap resultados;
};

// Calls `metodo` of `interfaz` on the portal with `argumentos` and then `opciones` (a handle
// token is added), and waits up to `esperaMs` for the answer. None, with a technical reason in
// `error`, when the call fails or nothing answers in time (then `aDestiempo`, if given, is
// set: the portal took the request and never answered).
std::optional<RespuestaDelPortal> pedirAlPortal(QDBusConnection bus, const QString& interfaz,
                                                const QString& metodo, QList<QVariant> argumentos,
                                                QVariantMap opciones, int esperaMs, QString* error,
                                                bool* aDestiempo = nullptr);

}  // namespace corvalin
