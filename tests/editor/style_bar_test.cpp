// The inspector's contents and effects, its palette, and the tool bar's segments.
#include <gtest/gtest.h>

#include <QMenu>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include "core/settings.h"
#include "core/texts.h"
#include "editor/color_palette_view.h"
#include "editor/style_bar.h"
#include "editor/style_bar_model.h"
#include "editor/tool_settings.h"
#include "editor/tools_control.h"

namespace corvalin {
namespace {

using Kind = InspectorControl::Kind;

Shape of(ToolKind kind) {
  Shape s;
  s.kind = kind;
  s.text = QStringLiteral("x");
  return s;
}

std::vector<Kind> kinds(const std::vector<InspectorControl>& controls) {
  std::vector<Kind> out;
  for (const auto& c : controls) out.push_back(c.kind);
  return out;
}

TEST(InspectorContents, EachKindShowsItsOwnControls) {
  const auto arrow = inspectorControls(of(ToolKind::arrow), 1, false, std::nullopt);
  EXPECT_EQ(kinds(arrow),
            (std::vector<Kind>{Kind::swatch, Kind::slider, Kind::button, Kind::button}));
  EXPECT_EQ(arrow[2].action, InspectorAction::duplicate);
  // A magnifier's swatch is its frame and its slider its magnification.
  const auto mag = inspectorControls(of(ToolKind::magnifier), 1, false, std::nullopt);
  EXPECT_NE(mag[0].title, arrow[0].title);
  EXPECT_NE(mag[1].title, arrow[1].title);
  for (ToolKind hidden : {ToolKind::pixelate, ToolKind::blur, ToolKind::sticker, ToolKind::image}) {
    EXPECT_EQ(kinds(inspectorControls(of(hidden), 1, false, std::nullopt)),
              (std::vector<Kind>{Kind::button, Kind::button}));
  }
  const auto counter = inspectorControls(of(ToolKind::counter), 1, false, std::nullopt);
  EXPECT_EQ(counter[0].target, InspectorTarget::stroke);
  EXPECT_EQ(counter[1].target, InspectorTarget::text);
  EXPECT_EQ(counter[2].kind, Kind::slider);

  // A callout offers to remove its box, or to bring it back once removed.
  Shape callout = of(ToolKind::text);
  callout.color = QColor(255, 0, 0);
  const auto boxed = inspectorControls(callout, 1, false, std::nullopt);
  EXPECT_EQ(kinds(boxed), (std::vector<Kind>{Kind::swatch, Kind::button, Kind::swatch, Kind::slider,
                                             Kind::button, Kind::button}));
  EXPECT_EQ(boxed[1].action, InspectorAction::removeBox);
  EXPECT_EQ(boxed[1].symbol, QStringLiteral("square.slash"));
  callout.color = withoutBox(callout.color);
  EXPECT_EQ(callout.color.rgb(), qRgb(255, 0, 0));
  EXPECT_EQ(inspectorControls(callout, 1, false, std::nullopt)[1].action,
            InspectorAction::restoreBox);
  EXPECT_EQ(withBox(callout.color).alpha(), 255);
}

TEST(InspectorContents, AnOpenPaletteMarksTheTargetsColourIfItIsOne) {
  Shape s = of(ToolKind::counter);
  s.color = QColor(0x00, 0x7A, 0xFF);
  s.textColor = QColor(0x12, 0x34, 0x56);
  EXPECT_EQ(inspectorControls(s, 1, false, InspectorTarget::stroke)[1].selectedIndex, 5);
  EXPECT_EQ(inspectorControls(s, 1, false, InspectorTarget::text)[1].selectedIndex, std::nullopt);
  s.color.setAlpha(0);  // a removed box is not the opaque palette colour
  EXPECT_EQ(inspectorControls(s, 1, false, InspectorTarget::stroke)[1].selectedIndex, std::nullopt);
}

TEST(InspectorSliders, ShowValuesAsSeenOnScreenWithinOneToSixteen) {
  const auto shown = [](ToolKind kind, double Shape::*field, double value) {
    Shape s = of(kind);
    s.*field = value;
    return sliderValue(s, 1);
  };
  EXPECT_DOUBLE_EQ(shown(ToolKind::arrow, &Shape::width, 0.5), 1);
  EXPECT_DOUBLE_EQ(shown(ToolKind::arrow, &Shape::width, 20), 16);
  EXPECT_NEAR(shown(ToolKind::magnifier, &Shape::zoom, 2.5), 1 + 15.0 / 4.5, 1e-12);
  EXPECT_DOUBLE_EQ(shown(ToolKind::magnifier, &Shape::zoom, 7), 16);
  EXPECT_DOUBLE_EQ(shown(ToolKind::text, &Shape::fontSize, 24), 4);
  EXPECT_DOUBLE_EQ(shown(ToolKind::counter, &Shape::fontSize, 22), 4);
}

// Whatever the slider sets, the bar shows the same position again when it is rebuilt.
TEST(InspectorSliders, MovingTheSliderRoundTrips) {
  for (ToolKind kind : {ToolKind::arrow, ToolKind::magnifier, ToolKind::text, ToolKind::counter,
                        ToolKind::handText}) {
    for (double v : {1.0, 4.5, 16.0}) {
      Shape s = of(kind);
      applySlider(s, v, 0.5);
      EXPECT_NEAR(sliderValue(s, 0.5), v, 1e-9) << static_cast<int>(kind);
    }
  }
  Shape arrow = of(ToolKind::arrow);
  applySlider(arrow, 8, 2);
  EXPECT_DOUBLE_EQ(arrow.width, 4);
  Shape counter = of(ToolKind::counter);
  applyColor(counter, Qt::yellow, InspectorTarget::text);
  applyColor(counter, Qt::blue, InspectorTarget::stroke);
  EXPECT_EQ(counter.textColor, QColor(Qt::yellow));
  EXPECT_EQ(counter.color, QColor(Qt::blue));
}

TEST(ToolSettings, StoredValuesFallBackToTheirDefaults) {
  AjustesPorHerramienta stored;
  stored[QStringLiteral("14")] = {{QStringLiteral("radio"), 40}, {QStringLiteral("iluminar"), 0.2}};
  const AjustesDeHerramienta clone = leerAjustes(stored, ToolKind::clone);
  EXPECT_DOUBLE_EQ(clone.radio, 40);
  EXPECT_FALSE(clone.iluminar);
  EXPECT_DOUBLE_EQ(clone.ancho, 4);
  EXPECT_DOUBLE_EQ(clone.sensibilidad, 0.6);
  EXPECT_TRUE(leerAjustes(stored, ToolKind::arrow).encoger);
  EXPECT_TRUE(plantillaDeHerramienta(ToolKind::counter, {}));
  for (ToolKind none : {ToolKind::select, ToolKind::pixelate, ToolKind::magnifier, ToolKind::clone,
                        ToolKind::sticker, ToolKind::repair, ToolKind::crop}) {
    EXPECT_FALSE(plantillaDeHerramienta(none, {})) << static_cast<int>(none);
  }
  // A template shows the tool's current width on its slider.
  const auto pencil = plantillaDeHerramienta(ToolKind::pencil, {Qt::red, Qt::white, 7, 2});
  EXPECT_DOUBLE_EQ(sliderValue(*pencil, 2), 7);
}

class Bar : public ::testing::Test {
 protected:
  void SetUp() override {
    settings = std::make_unique<Settings>(dir.path(), dir.path());
    bar = std::make_unique<InspectorBar>(settings.get());
    bar->onPickColor = [this](const QColor& c, InspectorTarget t) { picks.push_back({c, t}); };
    bar->onResize = [this] { ++resizes; };
  }
  template <typename T>
  T* control(std::size_t i) {
    return dynamic_cast<T*>(bar->controls().at(i));
  }

  QTemporaryDir dir;
  std::unique_ptr<Settings> settings;
  std::unique_ptr<InspectorBar> bar;
  std::vector<std::pair<QColor, InspectorTarget>> picks;
  int resizes = 0;
};

TEST_F(Bar, LaysItsControlsOutFromThePaddingAndReportsItsSize) {
  EXPECT_EQ(bar->width(), 10);
  Shape arrow = of(ToolKind::arrow);
  bar->configure(arrow, 1, false);
  ASSERT_EQ(bar->controls().size(), 4u);
  EXPECT_EQ(bar->controls()[0]->x(), InspectorBar::kPadding);
  const QWidget* last = bar->controls().back();
  EXPECT_EQ(bar->width(), last->geometry().right() + 1 + InspectorBar::kPadding);
  EXPECT_EQ(bar->height(), InspectorBar::kBarHeight);
  for (const QWidget* w : bar->controls()) {
    EXPECT_NEAR(w->y() + w->height() / 2.0, InspectorBar::kBarHeight / 2.0, 0.5);
  }
  EXPECT_EQ(resizes, 1);
  bar->configure(arrow, 1, true);
  EXPECT_EQ(bar->controls().size(), 2u);
}

TEST_F(Bar, ASwatchOpensThePaletteAndAPickClosesIt) {
  Shape counter = of(ToolKind::counter);
  counter.textColor = Qt::white;
  bar->configure(counter, 1, false);
  control<QAbstractButton>(1)->click();  // the text colour
  EXPECT_EQ(bar->expanded(), InspectorTarget::text);
  auto* palette = control<ColorPaletteView>(1);
  ASSERT_TRUE(palette);
  EXPECT_EQ(palette->selectedIndex, 8);  // white
  QTest::mouseClick(palette, Qt::LeftButton, {}, QPoint(5 * 20 + 8, 8));
  ASSERT_EQ(picks.size(), 1u);
  EXPECT_EQ(picks[0].first, paletteColors()[5]);
  EXPECT_EQ(picks[0].second, InspectorTarget::text);
  EXPECT_FALSE(bar->expanded());
  EXPECT_EQ(bar->shape()->textColor, paletteColors()[5]);
  // The back button closes the palette without a pick.
  control<QAbstractButton>(0)->click();
  control<QAbstractButton>(0)->click();
  EXPECT_FALSE(bar->expanded());
  EXPECT_EQ(picks.size(), 1u);
}

TEST_F(Bar, RemovingTheBoxReportsATransparentColourAndOffersItBack) {
  Shape callout = of(ToolKind::text);
  callout.color = QColor(0xFF, 0x3B, 0x30);
  bar->configure(callout, 1, false);
  control<QAbstractButton>(1)->click();
  ASSERT_EQ(picks.size(), 1u);
  EXPECT_EQ(picks[0].first.alpha(), 0);
  EXPECT_EQ(picks[0].first.rgb(), callout.color.rgb());
  EXPECT_EQ(bar->controls()[1]->toolTip(), L("Devolver el recuadro"));
  control<QAbstractButton>(1)->click();
  EXPECT_EQ(picks[1].first, callout.color);
}

TEST_F(Bar, TheSliderRestylesReportsAndRemembersTheWidth) {
  std::vector<double> widths;
  bar->onWidth = [&](double v) { widths.push_back(v); };
  Shape arrow = of(ToolKind::arrow);
  arrow.width = 3;
  bar->configure(arrow, 2, false);
  auto* slider = control<QSlider>(1);
  ASSERT_TRUE(slider);
  EXPECT_EQ(slider->value(), 600);
  slider->setValue(1000);
  ASSERT_EQ(widths, std::vector<double>{10});
  EXPECT_DOUBLE_EQ(bar->shape()->width, 5);
  EXPECT_DOUBLE_EQ(leerAjustes(settings->ajustesPorHerramienta(), ToolKind::arrow).ancho, 10);
  // A magnifier's slider is its magnification, not a width to remember.
  bar->configure(of(ToolKind::magnifier), 1, false);
  control<QSlider>(1)->setValue(1600);
  EXPECT_DOUBLE_EQ(bar->shape()->zoom, 6);
  EXPECT_FALSE(settings->ajustesPorHerramienta().contains(QStringLiteral("10")));
}

TEST_F(Bar, UpdateRecoloursWithoutRebuilding) {
  bar->configure(of(ToolKind::counter), 1, false);
  const std::vector<QWidget*> before = bar->controls();
  Shape recoloured = of(ToolKind::counter);
  recoloured.color = Qt::green;
  recoloured.textColor = Qt::black;
  bar->updateFor(recoloured);
  EXPECT_EQ(bar->controls(), before);
  EXPECT_EQ(control<SwatchButton>(0)->color(), QColor(Qt::green));
  EXPECT_EQ(control<SwatchButton>(1)->color(), QColor(Qt::black));
}

class Tools : public ::testing::Test {
 protected:
  void SetUp() override {
    control = std::make_unique<ToolsControl>(segmentosDeGrupos());
    control->menuDelGrupo = [this](int s) -> QMenu* {
      if (!control->segments()[s].hasMenu) return nullptr;
      menuRequests.push_back(s);
      return &menu;
    };
    control->alEscoger = [this](int s) { chosen.push_back(s); };
    menu.addAction(QStringLiteral("uno"));
    control->show();
  }
  void TearDown() override { menu.close(); }
  QPoint at(int segment, double dx) const {
    const QRectF r = control->rectoDe(segment);
    return QPoint(static_cast<int>(r.left() + dx), static_cast<int>(r.center().y()));
  }

  QMenu menu;
  std::unique_ptr<ToolsControl> control;
  std::vector<int> chosen;
  std::vector<int> menuRequests;
};

TEST_F(Tools, AQuickClickOnAGroupOnlyChoosesIt) {
  QTest::mousePress(control.get(), Qt::LeftButton, {}, at(1, 10));
  QTest::mouseRelease(control.get(), Qt::LeftButton, {}, at(1, 10), 50);
  EXPECT_EQ(chosen, std::vector<int>{1});
  EXPECT_EQ(control->selectedSegment(), 1);
  QTest::qWait(control->esperaParaElMenuMs + 80);
  EXPECT_TRUE(menuRequests.empty());
  EXPECT_FALSE(menu.isVisible());
}

TEST_F(Tools, HoldingOnAGroupOpensItsMenuUnderTheSegment) {
  QTest::mousePress(control.get(), Qt::LeftButton, {}, at(3, 10));
  QTest::qWait(control->esperaParaElMenuMs + 80);
  EXPECT_EQ(menuRequests, std::vector<int>{3});
  EXPECT_TRUE(menu.isVisible());
  const QPoint expected =
      control->mapToGlobal(QPoint(static_cast<int>(control->rectoDe(3).left()),
                                  static_cast<int>(control->rectoDe(3).bottom()) + 4));
  EXPECT_EQ(menu.pos(), expected);
  QTest::mouseRelease(control.get(), Qt::LeftButton, {}, at(3, 10));
  EXPECT_TRUE(chosen.empty());
}

TEST_F(Tools, TheArrowZoneAndTheRightButtonOpenTheMenuAtOnce) {
  QTest::mouseClick(control.get(), Qt::LeftButton, {}, at(1, 40));
  EXPECT_EQ(menuRequests, std::vector<int>{1});
  EXPECT_TRUE(chosen.empty());
  menu.close();
  QTest::mouseClick(control.get(), Qt::RightButton, {}, at(6, 10));
  EXPECT_EQ(menuRequests, (std::vector<int>{1, 6}));
  menu.close();
  // A single-tool segment has no menu: a right click does nothing, a left click chooses.
  QTest::mouseClick(control.get(), Qt::RightButton, {}, at(0, 10));
  QTest::mouseClick(control.get(), Qt::LeftButton, {}, at(0, 10));
  EXPECT_EQ(menuRequests.size(), 2u);
  EXPECT_EQ(chosen, std::vector<int>{0});
}

}  // namespace
}  // namespace corvalin
