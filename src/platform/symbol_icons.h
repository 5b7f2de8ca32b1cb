// The symbol names the interface asks for ("text.viewfinder", "video.slash", ...) mapped to
// freedesktop icon-theme names, with a bundled drawing where the theme has none.
#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>

namespace corvalin {

struct IconoDeSimbolo {
  QStringList nombresDeTema;  // tried in order in the desktop's icon theme
  QString respaldo;           // resource path of the bundled drawing
};

// The mapping of one symbol; for a name that is not known, the bell's.
IconoDeSimbolo buscarSimbolo(const QString& simbolo);
bool simboloConocido(const QString& simbolo);

// The icon for a symbol: the theme's, else the bundled drawing.
QIcon iconoDeSimbolo(const QString& simbolo);

// Corvalin's own icon.
QIcon iconoDeLaAplicacion();

// Makes sure an icon theme is in use: bare X sessions have none set, so fall back to a
// theme that is installed (Adwaita, then hicolor).
void asegurarTemaDeIconos();

}  // namespace corvalin
