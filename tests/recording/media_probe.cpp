#include "media_probe.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <algorithm>
#include <cstring>

namespace corvalin::testing {
namespace {

// What `orden` (words split at spaces) prints for `archivo`; empty when it fails.
QByteArray correr(const char* orden, const QString& archivo) {
  QStringList args = QString::fromLatin1(orden).split(QLatin1Char(' '));
  args[args.indexOf(QStringLiteral("ARCHIVO"))] = archivo;
  QProcess p;
  p.start(args.takeFirst(), args);
  if (!p.waitForFinished(60000) || p.exitCode() != 0) return {};
  return p.readAllStandardOutput();
}

}  // namespace

const Pista* Medios::video() const {
  const auto p = std::find_if(pistas.begin(), pistas.end(), [](auto& p) { return p.ancho > 0; });
  return p == pistas.end() ? nullptr : &*p;
}

const Pista* Medios::audio() const {
  const auto p = std::find_if(pistas.begin(), pistas.end(), [](auto& p) { return p.tasaHz > 0; });
  return p == pistas.end() ? nullptr : &*p;
}

Medios sondear(const QString& archivo) {
  const QByteArray json =
      correr("ffprobe -v error -count_packets -show_streams -of json ARCHIVO", archivo);
  Medios m;
  const QJsonArray streams =
      QJsonDocument::fromJson(json).object().value(QStringLiteral("streams")).toArray();
  if (json.isEmpty()) return m;
  m.leido = true;
  for (const QJsonValue& v : streams) {
    const QJsonObject s = v.toObject();
    const auto texto = [&](const char* k) { return s.value(QLatin1String(k)).toVariant(); };
    m.pistas.push_back({texto("codec_name").toString(), texto("profile").toString(),
                        texto("width").toInt(), texto("height").toInt(),
                        texto("sample_rate").toInt(), texto("channels").toInt(),
                        texto("nb_read_packets").toInt(), texto("duration").toDouble(),
                        texto("start_time").toDouble()});
  }
  return m;
}

std::vector<PaqueteDeVideo> paquetesDeVideo(const QString& archivo) {
  const QByteArray csv = correr(
      "ffprobe -v error -select_streams v:0 -show_entries packet=pts_time,flags -of csv=p=0 "
      "ARCHIVO",
      archivo);
  std::vector<PaqueteDeVideo> out;
  for (const QByteArray& linea : csv.split('\n')) {
    const QList<QByteArray> campos = linea.trimmed().split(',');
    if (campos.size() < 2) continue;
    out.push_back({campos[0].toDouble(), campos[1].contains('K')});
  }
  std::sort(out.begin(), out.end(), [](auto& a, auto& b) { return a.pts < b.pts; });
  return out;
}

std::vector<float> sonido(const QString& archivo) {
  const QByteArray raw =
      correr("ffmpeg -v error -i ARCHIVO -map 0:a:0 -ac 1 -ar 48000 -f f32le -", archivo);
  std::vector<float> out(static_cast<std::size_t>(raw.size()) / sizeof(float));
  std::memcpy(out.data(), raw.constData(), out.size() * sizeof(float));
  return out;
}

}  // namespace corvalin::testing
