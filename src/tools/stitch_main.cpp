// corvalin-stitch FRAMES_DIR OUT.png: stitches the PNG frames of a folder, taken in file-name
// order, into one tall picture with the long capture's own stitcher. For checking the stitcher
// on recorded frames and for scripts.
#include <QDir>
#include <QImage>
#include <QString>
#include <cstdio>

#include "capture/stitch/scroll_stitcher.h"

namespace {

void decir(const QString& texto) {
  std::fprintf(stderr, "%s\n", qPrintable(texto));
}

int fallar(const QString& ingles, const QString& espanol, int codigo) {
  decir(QStringLiteral("corvalin-stitch: %1 / %2").arg(ingles, espanol));
  return codigo;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    decir(QStringLiteral("usage: corvalin-stitch FRAMES_DIR OUT.png"));
    return 2;
  }
  const QString carpeta = QString::fromLocal8Bit(argv[1]);
  const QString salida = QString::fromLocal8Bit(argv[2]);
  const QDir dir(carpeta);
  if (!dir.exists())
    return fallar(QStringLiteral("no folder %1").arg(carpeta),
                  QStringLiteral("no existe la carpeta %1").arg(carpeta), 2);
  const QStringList nombres =
      dir.entryList({QStringLiteral("*.png"), QStringLiteral("*.PNG")}, QDir::Files, QDir::Name);
  if (nombres.isEmpty())
    return fallar(QStringLiteral("no PNG frames in %1").arg(carpeta),
                  QStringLiteral("no hay cuadros PNG en %1").arg(carpeta), 2);

  corvalin::stitch::Cosedor cosedor;
  int usados = 0;
  int leidos = 0;
  QSize medida;
  for (const QString& nombre : nombres) {
    QImage cuadro(dir.filePath(nombre));
    if (cuadro.isNull()) {
      decir(QStringLiteral("%1: unreadable, skipped / ilegible, omitido").arg(nombre));
      continue;
    }
    ++leidos;
    if (medida.isEmpty()) medida = cuadro.size();
    if (cuadro.size() != medida) {
      decir(QStringLiteral("%1: %2 x %3 instead of %4 x %5, skipped / otra medida, omitido")
                .arg(nombre)
                .arg(cuadro.width())
                .arg(cuadro.height())
                .arg(medida.width())
                .arg(medida.height()));
      continue;
    }
    cuadro.convertTo(QImage::Format_RGBA8888_Premultiplied);
    using corvalin::stitch::Resultado;
    const Resultado r = cosedor.procesar(cuadro.constBits(), cuadro.width(), cuadro.height(),
                                         static_cast<std::size_t>(cuadro.bytesPerLine()));
    if (r == Resultado::primero || r == Resultado::abajo || r == Resultado::arriba) ++usados;
    if (r == Resultado::tope)
      decir(QStringLiteral("%1: the picture is as tall as it may get, ignored / la imagen ya "
                           "tiene el alto máximo, omitido")
                .arg(nombre));
  }

  // One frame is not a stitch: nothing joined means the frames did not overlap (or did not move).
  const corvalin::stitch::Imagen imagen = cosedor.armarImagen();
  if (imagen.vacia() || usados < 2)
    return fallar(QStringLiteral("nothing could be stitched (%1 of %2 frames readable)")
                      .arg(leidos)
                      .arg(nombres.size()),
                  QStringLiteral("no se pudo unir nada"), 1);

  const QImage resultado(imagen.rgba.data(), imagen.ancho, imagen.alto, imagen.ancho * 4,
                         QImage::Format_RGBA8888_Premultiplied);
  if (!resultado.save(salida, "PNG"))
    return fallar(QStringLiteral("could not write %1").arg(salida),
                  QStringLiteral("no se pudo escribir %1").arg(salida), 1);
  std::printf("corvalin-stitch: %d of %d frames used, %d x %d px, header %d rows, footer %d rows\n",
              usados, static_cast<int>(nombres.size()), imagen.ancho, imagen.alto,
              cosedor.cabecera(), cosedor.pie());
  return 0;
}
