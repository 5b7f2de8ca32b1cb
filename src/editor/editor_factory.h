// How the shell makes editor windows: a factory over the services every editor shares.
#pragma once

#include "editor/editor_services.h"
#include "editor/editor_window.h"

namespace corvalin {

// Each call opens the picture in a new editor window (not yet shown).
FabricaDeEditor crearFabricaDeEditor(ServiciosDelEditor servicios);
// Each call reopens the document of a recovery copy, history included.
FabricaDeEditorRecuperado crearFabricaDeEditorRecuperado(ServiciosDelEditor servicios);

}  // namespace corvalin
