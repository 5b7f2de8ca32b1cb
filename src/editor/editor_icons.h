// Icons of the editor window's own buttons (undo, compare, copy, save, upload…), drawn as
// vectors in the same hand as the tools' symbols so the tool bar reads as one set.
#pragma once

#include <QIcon>
#include <QString>

namespace corvalin {

// The icon of an action symbol ("arrow.uturn.backward", "eye", "square.and.arrow.down", …);
// falls back to the tools' symbols (editor/symbol_drawing.h) for the names they know.
QIcon iconoDeAccion(const QString& symbol);
bool tieneIconoDeAccion(const QString& symbol);

}  // namespace corvalin
