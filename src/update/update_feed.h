// The update feed: a small JSON document naming the newest published version,
//   {"version": "0.3.0", "build": "41", "url": "https://…/corvalin_0.3.0_amd64.deb",
//    "notes": "https://…/novedades"}
// and the comparison of versions.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <optional>

namespace corvalin {

struct VersionPublicada {
  QString version;
  QString build;
  QUrl descarga;  // the package to download; may be empty
  QUrl notas;     // the release notes; may be empty
};

// Nothing when the document is not JSON, has no "version", or carries addresses that are not
// http(s).
std::optional<VersionPublicada> leerFeed(const QByteArray& json);

// Dotted versions compared part by part as numbers ("1.10" after "1.9"); missing parts count
// as 0 and a part's non-numeric tail is ignored. Negative, zero or positive like strcmp.
int compararVersiones(const QString& a, const QString& b);

// Newer version, or the same version with a higher build number.
bool esMasNueva(const VersionPublicada& publicada, const QString& version, const QString& build);

}  // namespace corvalin
