#include "media_probe.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <algorithm>
#include <cstring>

namespace corvalin::testing {

QByteArray salidaDe(const QString& orden, const QStringList& mas) {
  QStringList args = orden.split(QLatin1Char(' ')) + mas;
  QProcess p;
  p.start(args.takeFirst(), args);
  if (!p.waitForFinished(60000) || p.exitCode() != 0) return {};
  return p.readAllStandardOutput();
}

const Pista* Medios::pista(bool video) const {
  for (const Pista& p : pistas)
    if (video ? p.ancho > 0 : p.tasaHz > 0) return &p;
  return nullptr;
}

Medios sondear(const QString& archivo) {
  const QByteArray json =
      salidaDe(QStringLiteral("ffprobe -v error -count_packets -show_streams -of json"), {archivo});
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

std::vector<double> paquetesDeVideo(const QString& archivo) {
  const QByteArray csv = salidaDe(
      QStringLiteral(
          "ffprobe -v error -select_streams v:0 -show_entries packet=pts_time -of csv=p=0"),
      {archivo});
  std::vector<double> out;
  for (const QByteArray& linea : csv.split('\n'))
    if (!linea.trimmed().isEmpty()) out.push_back(linea.trimmed().toDouble());
  std::sort(out.begin(), out.end());
  return out;
}

std::vector<float> sonido(const QString& archivo) {
  const QByteArray raw =
      salidaDe(QStringLiteral("ffmpeg -v error -i"),
               QStringList{archivo} +
                   QStringLiteral("-map 0:a:0 -ac 1 -ar 48000 -f f32le -").split(QLatin1Char(' ')));
  std::vector<float> out(static_cast<std::size_t>(raw.size()) / sizeof(float));
  std::memcpy(out.data(), raw.constData(), out.size() * sizeof(float));
  return out;
}

int comienzoDelTono(const std::vector<float>& s) {
  for (std::size_t i = 0; i + 240 < s.size(); i += 48) {
    double e = 0;
    for (int j = 0; j < 240; ++j) e += s[i + j] * s[i + j];
    if (e / 240 > 0.01) return static_cast<int>(i);
  }
  return -1;
}

}  // namespace corvalin::testing
