// The values each tool remembers between uses (`ajustesPorHerramienta`), and the template
// shape that shows a tool's defaults in the inspector before anything is drawn.
#pragma once

#include <optional>

#include "core/settings.h"
#include "editor/shape.h"

namespace corvalin {

struct AjustesDeHerramienta {
  double ancho = 4;           // stroke width, screen points
  double radio = 24;          // brush radius, screen points
  double intensidad = 1;      // clone and pinch strength, 0…1
  double sensibilidad = 0.6;  // dust removal, 0…1
  bool iluminar = true;       // dodge rather than burn
  int rango = 0;              // tonal range index
  bool encoger = true;        // pinch rather than bulge
};

// A tool's stored values, each falling back to its default.
AjustesDeHerramienta leerAjustes(const AjustesPorHerramienta& todos, ToolKind tool);

// Whether the inspector shows a tool's defaults while nothing is selected: the drawing tools
// with a colour or width to set. Pixel tools have their own options bar instead.
bool tienePlantilla(ToolKind tool);
// The template of such a tool: a shape of its kind carrying the editor's current style.
std::optional<Shape> plantillaDeHerramienta(ToolKind tool, const CreationStyle& style);

// Where the inspector's slider is remembered: "ancho" of the edited kind. A magnifier's slider
// is its magnification, which is not a width and is not remembered.
void guardarAnchoDelInspector(Settings& settings, ToolKind kind, double value);

}  // namespace corvalin
