#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include "core/settings.h"
#include "core/texts.h"
#include "core/texts_table.h"
#include "support/idioma_fijo.h"

namespace corvalin {
namespace {

// The printf conversions of a text, in argument order ("%1$@" counts as the first "%@").
QStringList conversiones(const QString& text) {
  static const QRegularExpression re(
      QStringLiteral("%(?:(\\d+)\\$)?[-+0 #]*\\d*(?:\\.\\d+)?(?:hh|h|ll|l|q|z)?([@sdiuxXfF%])"));
  QList<std::pair<int, QString>> found;
  int next = 0;
  for (auto it = re.globalMatch(text); it.hasNext();) {
    const auto m = it.next();
    if (m.captured(2) == QLatin1String("%")) continue;
    const int position = m.captured(1).isEmpty() ? next++ : m.captured(1).toInt() - 1;
    QString kind = m.captured(0);
    kind.remove(QRegularExpression(QStringLiteral("^%\\d+\\$")));
    kind.replace(QLatin1Char('%'), QString());
    found.append({position, kind});
  }
  std::sort(found.begin(), found.end());
  QStringList out;
  for (const auto& f : found) out << f.second;
  return out;
}

using prueba::IdiomaFijo;

TEST(TextTable, EveryPairKeepsItsPlaceholdersAndNoKeyRepeats) {
  QSet<QString> keys;
  ASSERT_GT(kTextPairCount, 400u);
  for (std::size_t i = 0; i < kTextPairCount; ++i) {
    const QString es = QString::fromUtf8(kTextPairs[i].es);
    const QString en = QString::fromUtf8(kTextPairs[i].en);
    EXPECT_FALSE(es.isEmpty());
    EXPECT_FALSE(en.isEmpty()) << es.toStdString();
    EXPECT_FALSE(keys.contains(es)) << "repeated: " << es.toStdString();
    keys.insert(es);
    EXPECT_EQ(conversiones(es), conversiones(en)) << es.toStdString();
    EXPECT_FALSE(en.contains(QStringLiteral("⌘"))) << en.toStdString();
  }
}

// Every literal the code passes to L() must have its English form, or English users would
// read Spanish.
TEST(TextTable, EveryTextTheCodeShowsHasItsEnglishForm) {
  QSet<QString> keys;
  for (std::size_t i = 0; i < kTextPairCount; ++i) keys.insert(QString::fromUtf8(kTextPairs[i].es));
  // L("…" "…", args): adjacent literals joined, escapes undone.
  static const QRegularExpression call(
      QStringLiteral("\\bL\\(\\s*((?:\"(?:[^\"\\\\]|\\\\.)*\"\\s*)+)"));
  static const QRegularExpression literal(QStringLiteral("\"((?:[^\"\\\\]|\\\\.)*)\""));
  int checked = 0;
  QStringList missing;
  QDirIterator files(QStringLiteral(CORVALIN_SOURCE_DIR "/src"),
                     {QStringLiteral("*.cpp"), QStringLiteral("*.h")}, QDir::Files,
                     QDirIterator::Subdirectories);
  while (files.hasNext()) {
    QFile file(files.next());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString source = QString::fromUtf8(file.readAll());
    if (file.fileName().endsWith(QLatin1String("texts_table.cpp"))) continue;
    for (auto it = call.globalMatch(source); it.hasNext();) {
      QString text;
      for (auto lit = literal.globalMatch(it.next().captured(1)); lit.hasNext();) {
        text += lit.next().captured(1);
      }
      text.replace(QStringLiteral("\\n"), QStringLiteral("\n"))
          .replace(QStringLiteral("\\\""), QStringLiteral("\""))
          .replace(QStringLiteral("\\\\"), QStringLiteral("\\"));
      ++checked;
      if (!keys.contains(text)) missing << file.fileName() + QStringLiteral(": ") + text;
    }
  }
  EXPECT_GT(checked, 50);
  EXPECT_TRUE(missing.isEmpty()) << missing.join(QLatin1Char('\n')).toStdString();
}

TEST(Texts, EnglishComesFromTheTableAndSpanishIsTheFallback) {
  EXPECT_EQ(traducir(QStringLiteral("Texto copiado"), Idioma::ingles),
            QStringLiteral("Text copied"));
  EXPECT_EQ(traducir(QStringLiteral("Texto copiado"), Idioma::español),
            QStringLiteral("Texto copiado"));
  EXPECT_EQ(traducir(QStringLiteral("Una frase sin traducción"), Idioma::ingles),
            QStringLiteral("Una frase sin traducción"));
  IdiomaFijo ingles(Idioma::ingles);
  EXPECT_EQ(L("%@ renglones al portapapeles", 3), QStringLiteral("3 lines to the clipboard"));
  EXPECT_EQ(L("Subir a: %@", QStringLiteral("Your own S3")),
            QStringLiteral("Upload to: Your own S3"));
  IdiomaFijo español(Idioma::español);
  EXPECT_EQ(L("%@ renglones al portapapeles", 3), QStringLiteral("3 renglones al portapapeles"));
}

TEST(Texts, FormatsFillLikePrintf) {
  auto f = [](const char* format, QVariantList args) {
    return formatear(QString::fromUtf8(format), args);
  };
  EXPECT_EQ(f("%d:%02d", {5, 7}), QStringLiteral("5:07"));
  EXPECT_EQ(f("%d:%02d:%02d", {1, 0, 0}), QStringLiteral("1:00:00"));
  EXPECT_EQ(f("%.1f MB", {2.26}), QStringLiteral("2.3 MB"));
  EXPECT_EQ(f("%.0f %%", {99.6}), QStringLiteral("100 %"));
  EXPECT_EQ(f("%2$@ y %1$@", {QStringLiteral("uno"), QStringLiteral("dos")}),
            QStringLiteral("dos y uno"));
  EXPECT_EQ(f("%@ px", {1.5}), QStringLiteral("1.5 px"));
  EXPECT_EQ(f("%ld/%s", {qint64(40), QStringLiteral("x")}), QStringLiteral("40/x"));
  EXPECT_EQ(f("%X", {255}), QStringLiteral("FF"));
  // Missing arguments leave nothing; a percent sign that is no conversion stays.
  EXPECT_EQ(f("%@ y %@", {QStringLiteral("uno")}), QStringLiteral("uno y "));
  EXPECT_EQ(f("con menos de 100 % lo clonado", {}),
            QStringLiteral("con menos de 100 % lo clonado"));
  EXPECT_EQ(f("100%", {}), QStringLiteral("100%"));
}

TEST(Texts, LanguageComesFromTheSettingOrTheSystem) {
  QTemporaryDir dir;
  Settings settings(dir.path(), QString());
  SettingsStore& d = settings.d();
  EXPECT_EQ(leerElegido(d, {QStringLiteral("en-GB"), QStringLiteral("es-MX")}), Idioma::ingles);
  EXPECT_EQ(leerElegido(d, {QStringLiteral("pt-BR"), QStringLiteral("en-US")}), Idioma::español);
  EXPECT_EQ(leerElegido(d, {}), Idioma::español);
  d.set(QStringLiteral("idioma"), QStringLiteral("en"));
  EXPECT_EQ(leerElegido(d, {QStringLiteral("es-ES")}), Idioma::ingles);
  d.set(QStringLiteral("idioma"), QStringLiteral("es"));
  EXPECT_EQ(leerElegido(d, {QStringLiteral("en-US")}), Idioma::español);
  d.set(QStringLiteral("idioma"), QStringLiteral("fr"));  // not a choice: the system decides
  EXPECT_EQ(leerElegido(d, {QStringLiteral("en-US")}), Idioma::ingles);
}

TEST(Texts, ChangingTheLanguageStoresItAndRestartsOnlyWhenItDiffers) {
  IdiomaFijo español(Idioma::español);
  QStringList pasos;
  Reinicio reinicio{[&] { pasos << QStringLiteral("soltar"); },
                    [&] {
                      pasos << QStringLiteral("lanzar");
                      return true;
                    },
                    [&] { pasos << QStringLiteral("terminar"); }};
  Settings::shared().d().remove(QStringLiteral("idioma"));
  cambiarYReiniciar(Idioma::español, reinicio);
  EXPECT_TRUE(pasos.isEmpty());
  EXPECT_FALSE(Settings::shared().d().hasStored(QStringLiteral("idioma")));

  cambiarYReiniciar(Idioma::ingles, reinicio);
  EXPECT_EQ(pasos, (QStringList{QStringLiteral("soltar"), QStringLiteral("lanzar"),
                                QStringLiteral("terminar")}));
  EXPECT_EQ(Settings::shared().d().string(QStringLiteral("idioma")), QStringLiteral("en"));
  // Written to disk before the new process starts.
  QSettings raw(Settings::shared().d().path(), QSettings::IniFormat);
  EXPECT_EQ(raw.value(QStringLiteral("idioma")).toString(), QStringLiteral("en"));
  EXPECT_EQ(idiomaActual(), Idioma::español);  // fixed for the life of the process
  Settings::shared().d().remove(QStringLiteral("idioma"));
}

TEST(Enumerations, RawValuesAreReadExactly) {
  EXPECT_EQ(captureModeFromRaw(QStringLiteral("recordWindow")), CaptureMode::recordWindow);
  EXPECT_EQ(captureModeFromRaw(QStringLiteral("Area")), std::nullopt);
  EXPECT_EQ(fuenteDeAudioFromRaw(QStringLiteral("ninguno")), FuenteDeAudio::ninguno);
  EXPECT_TRUE(incluyeSistema(FuenteDeAudio::ambos));
  EXPECT_FALSE(incluyeSistema(FuenteDeAudio::microfono));
  EXPECT_TRUE(incluyeMicrofono(FuenteDeAudio::microfono));
}

}  // namespace
}  // namespace corvalin
