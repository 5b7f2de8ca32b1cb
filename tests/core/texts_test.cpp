#include <gtest/gtest.h>

#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include "core/settings.h"
#include "core/texts.h"
#include "core/texts_table.h"
#include "support/idioma_fijo.h"

namespace corvalin {
namespace {

using namespace Qt::Literals::StringLiterals;

// The printf conversions of a text, in sorted order ("%1$@" counts as "%@").
QStringList conversiones(const QString& text) {
  static const QRegularExpression re(
      u"%(?:\\d+\\$)?([-+0 #]*\\d*(?:\\.\\d+)?(?:hh|h|ll|l|q|z)?[@sdiuxXfF])"_s);
  QStringList found;
  for (auto it = re.globalMatch(text); it.hasNext();) found << it.next().captured(1);
  found.sort();
  return found;
}

using prueba::IdiomaFijo;

TEST(TextTable, EveryPairKeepsItsPlaceholdersAndNoKeyRepeats) {
  QSet<QString> keys;
  for (std::size_t i = 0; i < kTextPairCount; ++i) {
    const QString es = QString::fromUtf8(kTextPairs[i].es);
    const QString en = QString::fromUtf8(kTextPairs[i].en);
    EXPECT_FALSE(en.isEmpty()) << es.toStdString();
    EXPECT_FALSE(keys.contains(es)) << "repeated: " << es.toStdString();
    keys.insert(es);
    EXPECT_EQ(conversiones(es), conversiones(en)) << es.toStdString();
  }
}

// Every literal the code passes to L() must have its English form, or English users would
// read Spanish.
TEST(TextTable, EveryTextTheCodeShowsHasItsEnglishForm) {
  QSet<QString> keys;
  for (std::size_t i = 0; i < kTextPairCount; ++i) keys.insert(QString::fromUtf8(kTextPairs[i].es));
  // L("…" "…", args): adjacent literals joined, escapes undone.
  static const QRegularExpression call(u"\\bL\\(\\s*((?:\"(?:[^\"\\\\]|\\\\.)*\"\\s*)+)"_s);
  static const QRegularExpression literal(u"\"((?:[^\"\\\\]|\\\\.)*)\""_s);
  int checked = 0;
  QStringList missing;
  QDirIterator files(QStringLiteral(CORVALIN_SOURCE_DIR "/src"), {u"*.cpp"_s, u"*.h"_s},
                     QDir::Files, QDirIterator::Subdirectories);
  while (files.hasNext()) {
    QFile file(files.next());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString source = QString::fromUtf8(file.readAll());
    if (file.fileName().endsWith(QLatin1String("texts_table.cpp"))) continue;
    for (auto it = call.globalMatch(source); it.hasNext();) {
      QString text;
      for (auto lit = literal.globalMatch(it.next().captured(1)); lit.hasNext();)
        text += lit.next().captured(1);
      text.replace(u"\\n"_s, u"\n"_s).replace(u"\\\""_s, u"\""_s).replace(u"\\\\"_s, u"\\"_s);
      ++checked;
      if (!keys.contains(text)) missing << file.fileName() + u": "_s + text;
    }
  }
  EXPECT_GT(checked, 50);
  EXPECT_TRUE(missing.isEmpty()) << missing.join(QLatin1Char('\n')).toStdString();
}

TEST(Texts, FormatsFillLikePrintfAndEnglishComesFromTheTable) {
  auto f = [](const char* format, QVariantList args) {
    return formatear(QString::fromUtf8(format), args);
  };
  EXPECT_EQ(f("%d:%02d", {5, 7}), u"5:07"_s);
  EXPECT_EQ(f("%.1f MB", {2.26}), u"2.3 MB"_s);
  EXPECT_EQ(f("%2$@ y %1$@", {u"uno"_s, u"dos"_s}), u"dos y uno"_s);
  // Missing arguments leave nothing; a percent sign that is no conversion stays.
  EXPECT_EQ(f("%@ y %@", {u"uno"_s}), u"uno y "_s);
  EXPECT_EQ(f("con menos de 100 % lo clonado", {}), u"con menos de 100 % lo clonado"_s);
  // English comes from the table; a text missing there stays in Spanish.
  EXPECT_EQ(traducir(u"Sin traducción"_s, Idioma::ingles), u"Sin traducción"_s);
  IdiomaFijo ingles(Idioma::ingles);
  EXPECT_EQ(L("%@ renglones al portapapeles", 3), u"3 lines to the clipboard"_s);
}

TEST(Texts, ChangingTheLanguageStoresItAndRestartsOnlyWhenItDiffers) {
  IdiomaFijo español(Idioma::español);
  QStringList pasos;
  const auto lanzar = [&] {
    pasos << u"lanzar"_s;
    return true;
  };
  Reinicio reinicio{[&] { pasos << u"soltar"_s; }, lanzar, [&] { pasos << u"terminar"_s; }};
  Settings::shared().d().remove(u"idioma"_s);
  cambiarYReiniciar(Idioma::español, reinicio);
  EXPECT_TRUE(pasos.isEmpty());
  EXPECT_FALSE(Settings::shared().d().hasStored(u"idioma"_s));

  cambiarYReiniciar(Idioma::ingles, reinicio);
  EXPECT_EQ(pasos, (QStringList{u"soltar"_s, u"lanzar"_s, u"terminar"_s}));
  // Written to disk before the new process starts.
  QSettings raw(Settings::shared().d().path(), QSettings::IniFormat);
  EXPECT_EQ(raw.value(u"idioma"_s).toString(), u"en"_s);
  Settings::shared().d().remove(u"idioma"_s);
}

}  // namespace
}  // namespace corvalin
