#include "editor/tool_kind.h"

#include "core/texts.h"

namespace corvalin {

bool isPixelTool(ToolKind tool) {
  switch (tool) {
    case ToolKind::repair:
    case ToolKind::clone:
    case ToolKind::warp:
    case ToolKind::tone:
    case ToolKind::despeckle:
    case ToolKind::pinch:
      return true;
    default:
      return false;
  }
}

QString shortName(ToolKind tool) {
  switch (tool) {
    case ToolKind::select:
      return L("Seleccionar");
    case ToolKind::arrow:
      return L("Flecha");
    case ToolKind::rect:
      return L("Rectángulo");
    case ToolKind::ellipse:
      return L("Óvalo");
    case ToolKind::pencil:
      return L("Lápiz");
    case ToolKind::highlight:
      return L("Marcador");
    case ToolKind::text:
      return L("Globo de texto");
    case ToolKind::pixelate:
      return L("Pixelar");
    case ToolKind::blur:
      return L("Difuminar");
    case ToolKind::crop:
      return L("Recortar");
    case ToolKind::magnifier:
      return L("Lupa");
    case ToolKind::counter:
      return L("Contador");
    case ToolKind::line:
      return L("Línea");
    case ToolKind::repair:
      return L("Borrar");
    case ToolKind::clone:
      return L("Clonar");
    case ToolKind::warp:
      return L("Deformar");
    case ToolKind::tone:
      return L("Iluminar / Oscurecer");
    case ToolKind::sticker:
      return L("Sticker");
    case ToolKind::image:
      return L("Imagen pegada");
    case ToolKind::despeckle:
      return L("Quitar puntos negros");
    case ToolKind::sketchOval:
      return L("Círculo a mano");
    case ToolKind::handText:
      return L("Texto a mano");
    case ToolKind::pinch:
      return L("Encoger / Expandir");
  }
  return {};
}

QString label(ToolKind tool) {
  switch (tool) {
    case ToolKind::select:
      return L("Seleccionar — mueve, redimensiona y recolorea lo ya puesto");
    case ToolKind::text:
      return L("Globo de texto — arrastra para apuntar la colita");
    case ToolKind::magnifier:
      return L("Lupa — amplía un pedazo; el óvalo grande se arrastra aparte");
    case ToolKind::counter:
      return L("Contador — cada clic numera: 1, 2, 3…");
    case ToolKind::line:
      return L("Línea recta");
    case ToolKind::repair:
      return L("Borrar — pinta encima de algo y se rellena con el fondo");
    case ToolKind::clone:
      return L("Clonar — clic en lo que quieres copiar, luego arrastra donde va la copia");
    case ToolKind::warp:
      return L("Deformar — arrastra y la imagen se estira detrás del pincel");
    case ToolKind::tone:
      return L("Iluminar u oscurecer — elige el rango de tonos; Alt invierte");
    case ToolKind::sticker:
      return L("Sticker — clic para poner el elegido, arrastra para darle tamaño");
    case ToolKind::despeckle:
      return L("Quitar puntos negros — barre una zona y cada mota oscura se borra sola");
    case ToolKind::sketchOval:
      return L("Círculo a mano — encierra algo con un trazo que no cierra del todo");
    case ToolKind::handText:
      return L("Texto a mano — letra manuscrita, sin globo");
    case ToolKind::pinch:
      return L("Encoger o expandir — clic y mantén, el efecto crece; Alt invierte");
    default:
      return shortName(tool);
  }
}

QString symbol(ToolKind tool) {
  switch (tool) {
    case ToolKind::select:
      return QStringLiteral("cursorarrow");
    case ToolKind::arrow:
      return QStringLiteral("arrow.up.right");
    case ToolKind::rect:
      return QStringLiteral("rectangle");
    case ToolKind::ellipse:
      return QStringLiteral("oval");
    case ToolKind::pencil:
      return QStringLiteral("pencil");
    case ToolKind::highlight:
      return QStringLiteral("highlighter");
    case ToolKind::text:
      return QStringLiteral("text.bubble.fill");
    case ToolKind::pixelate:
      return QStringLiteral("mosaic");
    case ToolKind::blur:
      return QStringLiteral("drop.fill");
    case ToolKind::crop:
      return QStringLiteral("crop");
    case ToolKind::magnifier:
      return QStringLiteral("plus.magnifyingglass");
    case ToolKind::counter:
      return QStringLiteral("1.circle.fill");
    case ToolKind::line:
      return QStringLiteral("line.diagonal");
    case ToolKind::repair:
      return QStringLiteral("bandage.fill");
    case ToolKind::clone:
      return QStringLiteral("square.on.square.dashed");
    case ToolKind::warp:
      return QStringLiteral("hand.draw.fill");
    case ToolKind::tone:
      return QStringLiteral("sun.max.fill");
    case ToolKind::sticker:
      return QStringLiteral("face.smiling");
    case ToolKind::image:
      return QStringLiteral("photo");
    case ToolKind::despeckle:
      return QStringLiteral("circle.dotted");
    case ToolKind::sketchOval:
      return QStringLiteral("lasso");
    case ToolKind::handText:
      return QStringLiteral("signature");
    case ToolKind::pinch:
      return QStringLiteral("arrow.down.right.and.arrow.up.left");
  }
  return {};
}

const std::vector<ToolKind>& allToolKinds() {
  static const std::vector<ToolKind> all = [] {
    std::vector<ToolKind> v;
    for (int raw = 0; raw < kToolKindCount; ++raw) v.push_back(static_cast<ToolKind>(raw));
    return v;
  }();
  return all;
}

const std::vector<ToolKind>& toolbarCases() {
  static const std::vector<ToolKind> cases = [] {
    std::vector<ToolKind> v;
    for (ToolKind t : allToolKinds()) {
      if (t != ToolKind::image) v.push_back(t);
    }
    return v;
  }();
  return cases;
}

const std::vector<Grupo>& grupos() {
  using T = ToolKind;
  static const std::vector<Grupo> list = {
      {L("Seleccionar"), {T::select}},
      {L("Formas"), {T::arrow, T::line, T::rect, T::ellipse, T::sketchOval}},
      {L("Dibujar"), {T::pencil, T::highlight}},
      {L("Texto"), {T::text, T::handText, T::counter}},
      {L("Stickers"), {T::sticker}},
      {L("Lupa"), {T::magnifier}},
      {L("Ocultar"), {T::pixelate, T::blur}},
      {L("Retocar"), {T::repair, T::clone, T::warp, T::pinch, T::tone, T::despeckle}},
      {L("Recortar"), {T::crop}},
  };
  return list;
}

int grupo(ToolKind tool) {
  const std::vector<Grupo>& all = grupos();
  for (std::size_t i = 0; i < all.size(); ++i) {
    for (ToolKind t : all[i].herramientas) {
      if (t == tool) return static_cast<int>(i);
    }
  }
  return 0;
}

}  // namespace corvalin
