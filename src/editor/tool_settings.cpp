#include "editor/tool_settings.h"

namespace corvalin {

AjustesDeHerramienta leerAjustes(const AjustesPorHerramienta& todos, ToolKind tool) {
  AjustesDeHerramienta a;
  const QHash<QString, double> v = todos.value(QString::number(static_cast<int>(tool)));
  a.ancho = v.value(QStringLiteral("ancho"), a.ancho);
  a.radio = v.value(QStringLiteral("radio"), a.radio);
  a.intensidad = v.value(QStringLiteral("intensidad"), a.intensidad);
  a.sensibilidad = v.value(QStringLiteral("sensibilidad"), a.sensibilidad);
  a.iluminar = v.value(QStringLiteral("iluminar"), 1) > 0.5;
  a.rango = static_cast<int>(v.value(QStringLiteral("rango"), a.rango));
  a.encoger = v.value(QStringLiteral("encoger"), 1) > 0.5;
  return a;
}

bool tienePlantilla(ToolKind tool) {
  switch (tool) {
    case ToolKind::arrow:
    case ToolKind::rect:
    case ToolKind::ellipse:
    case ToolKind::pencil:
    case ToolKind::highlight:
    case ToolKind::text:
    case ToolKind::counter:
    case ToolKind::line:
    case ToolKind::sketchOval:
    case ToolKind::handText:
      return true;
    default:
      return false;
  }
}

std::optional<Shape> plantillaDeHerramienta(ToolKind tool, const CreationStyle& style) {
  if (!tienePlantilla(tool)) return std::nullopt;
  return Shape::create(tool, QPointF(0, 0), style, 1);
}

void guardarAnchoDelInspector(Settings& settings, ToolKind kind, double value) {
  if (kind == ToolKind::magnifier) return;
  settings.guardarAjuste(QStringLiteral("ancho"), value, kind);
}

}  // namespace corvalin
