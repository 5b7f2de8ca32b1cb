// The user's secrets (the bucket's keys, the hosted service's account) in the desktop's Secret
// Service, under the service "corvalin" with the secret's name as the account. Where no Secret
// Service answers they go to a file only the user can read, never to the settings file.
#pragma once

#include <QString>
#include <functional>
#include <optional>

namespace corvalin {

class Settings;

namespace Keychain {

// Replaces the secret; an empty value removes it. Failures are not reported: a secret that
// could not be kept reads back empty.
void set(const QString& value, const QString& account);
// The secret, else the earlier product's copy (copied over once), else empty.
QString get(const QString& account);
// The earlier product's secret ("mirel"), copied under "corvalin" when found; the old item
// stays where it is.
QString migrate(const QString& account);

// Told once, on the main thread, the first time a secret has to be written to the private file
// because the desktop has no keyring, or keeps it locked.
void alGuardarSinLlavero(std::function<void(const QString& titulo, const QString& detalle)> aviso);

// True when the Secret Service holds a secret for `account` that it keeps locked (the keyring
// was not opened): get() reads nothing then, yet the secret exists.
bool bloqueada(const QString& account);
// get(), but nothing at all (rather than empty) when the secret is there and locked.
std::optional<QString> leer(const QString& account);

// The private file used without a Secret Service.
QString rutaDelArchivo();

}  // namespace Keychain

// A key typed in the bucket form: trimmed, stored, and put in the settings' cache at once.
void guardarSecreto(Settings& settings, const QString& cuenta, const QString& valor);

}  // namespace corvalin
