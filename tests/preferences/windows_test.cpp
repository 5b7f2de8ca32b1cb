#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include "core/texts.h"
#include "preferences/about_window.h"
#include "preferences/preferences_window.h"
#include "preferences_test_support.h"
#include "update/update_controller.h"

namespace corvalin {
namespace {

QPushButton* boton(QWidget* w, const QString& text) {
  for (QPushButton* b : w->findChildren<QPushButton*>()) {
    if (b->text() == text) return b;
  }
  return nullptr;
}

TEST(AboutWindow, ShowsTheVersionAndRunsItsButtons) {
  fijarIdiomaActual(Idioma::ingles);
  int checks = 0;
  std::vector<QString> opened;
  AboutWindow w(AcercaDeView{QStringLiteral("0.1.0"), QStringLiteral("7"), QStringLiteral("© 2026"),
                             [&] { ++checks; }},
                [&](const QString& url) { opened.push_back(url); });
  EXPECT_EQ(w.windowTitle(), QStringLiteral("About Corvalin"));
  EXPECT_EQ(w.size(), QSize(400, 340));
  QStringList texts;
  for (QLabel* l : w.findChildren<QLabel*>()) texts << l->text();
  EXPECT_TRUE(texts.contains(QStringLiteral("Version 0.1.0  ·  build 7")));
  EXPECT_TRUE(texts.contains(QStringLiteral("Screenshots with real retouching.")));
  boton(&w, QStringLiteral("Website"))->click();
  boton(&w, QStringLiteral("What's new"))->click();
  boton(&w, QStringLiteral("Update"))->click();
  EXPECT_EQ(opened, (std::vector<QString>{AboutWindow::kSitio, AboutWindow::kNovedades}));
  EXPECT_EQ(checks, 1);
  fijarIdiomaActual(Idioma::español);
}

TEST(PreferencesWindow, ToolsPageBindsTheLanguageAndUpdateSwitches) {
  fijarIdiomaActual(Idioma::español);
  QTemporaryDir dir;
  UpdateController::Configuracion c;
  c.archivoDeEstado = dir.path() + QStringLiteral("/update.conf");
  c.version = QStringLiteral("0.1.0");
  c.build = QStringLiteral("7");
  UpdateController updates(c, nullptr);
  prueba::AjustesDePrueba a;
  PreferencesWindow w(*a.settings, updates, {});
  EXPECT_EQ(w.windowTitle(), QStringLiteral("Preferencias de Corvalin"));
  EXPECT_EQ(w.pestanas()->tabText(1), QStringLiteral("Herramientas"));
  QRadioButton* espanol = nullptr;
  for (QRadioButton* r : w.findChildren<QRadioButton*>()) {
    if (r->text() == QStringLiteral("Español")) espanol = r;
  }
  ASSERT_NE(espanol, nullptr);
  EXPECT_TRUE(espanol->isChecked());
  for (QCheckBox* box : w.findChildren<QCheckBox*>()) box->click();
  EXPECT_FALSE(updates.automaticallyChecksForUpdates());
  EXPECT_TRUE(updates.automaticallyDownloadsUpdates());
  QStringList texts;
  for (QLabel* l : w.findChildren<QLabel*>()) texts << l->text();
  EXPECT_TRUE(texts.contains(QStringLiteral("0.1.0 (7)")));
  EXPECT_TRUE(texts.contains(QStringLiteral("Se aplica al reiniciar Corvalin.")));
}

}  // namespace
}  // namespace corvalin
