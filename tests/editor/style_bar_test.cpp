// The inspector's contents and effects, its palette, and the tool bar's segments.
#include <gtest/gtest.h>

#include <QMenu>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>

#include "core/settings.h"
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

  // A callout offers to remove its box, or to bring it back once removed.
  Shape callout = of(ToolKind::text);
  callout.color = QColor(255, 0, 0);
  const auto boxed = inspectorControls(callout, 1, false, std::nullopt);
  EXPECT_EQ(kinds(boxed), (std::vector<Kind>{Kind::swatch, Kind::button, Kind::swatch, Kind::slider,
                                             Kind::button, Kind::button}));
  EXPECT_EQ(boxed[1].action, InspectorAction::removeBox);
  callout.color = withoutBox(callout.color);
  EXPECT_EQ(inspectorControls(callout, 1, false, std::nullopt)[1].action,
            InspectorAction::restoreBox);
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
  arrow.width = 20;
  EXPECT_DOUBLE_EQ(sliderValue(arrow, 1), 16);  // the slider ends at 16
}

class Bar : public ::testing::Test {
 protected:
  void SetUp() override {
    settings = std::make_unique<Settings>(dir.path(), dir.path());
    bar = std::make_unique<InspectorBar>(settings.get());
    bar->onPickColor = [this](const QColor& c, InspectorTarget t) { picks.push_back({c, t}); };
  }
  template <typename T>
  T* control(std::size_t i) {
    return dynamic_cast<T*>(bar->controls().at(i));
  }

  QTemporaryDir dir;
  std::unique_ptr<Settings> settings;
  std::unique_ptr<InspectorBar> bar;
  std::vector<std::pair<QColor, InspectorTarget>> picks;
};

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
}

TEST_F(Bar, RemovingTheBoxReportsATransparentColourAndOffersItBack) {
  Shape callout = of(ToolKind::text);
  callout.color = QColor(0xFF, 0x3B, 0x30);
  bar->configure(callout, 1, false);
  control<QAbstractButton>(1)->click();
  ASSERT_EQ(picks.size(), 1u);
  EXPECT_EQ(picks[0].first.alpha(), 0);
  EXPECT_EQ(picks[0].first.rgb(), callout.color.rgb());
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

TEST(Tools, AQuickClickChoosesAGroupAndHoldingOpensItsMenuInstead) {
  ToolsControl control(segmentosDeGrupos());
  QMenu menu;
  menu.addAction(QStringLiteral("uno"));
  std::vector<int> chosen;
  std::vector<int> menuRequests;
  control.menuDelGrupo = [&](int s) -> QMenu* {
    if (!control.segments()[s].hasMenu) return nullptr;
    menuRequests.push_back(s);
    return &menu;
  };
  control.alEscoger = [&](int s) { chosen.push_back(s); };
  control.show();
  // A point inside a segment, clear of its menu arrow.
  const auto at = [&](int segment) {
    const QRectF r = control.rectoDe(segment);
    return QPoint(static_cast<int>(r.left() + 10), static_cast<int>(r.center().y()));
  };
  QTest::mousePress(&control, Qt::LeftButton, {}, at(1));
  QTest::mouseRelease(&control, Qt::LeftButton, {}, at(1), 50);
  EXPECT_EQ(control.selectedSegment(), 1);
  QTest::mousePress(&control, Qt::LeftButton, {}, at(3));
  QTest::qWait(control.esperaParaElMenuMs + 80);
  EXPECT_EQ(menuRequests, std::vector<int>{3});  // the quick click asked for none
  EXPECT_GT(menu.pos().y(), control.mapToGlobal(control.rectoDe(3).center().toPoint()).y());
  QTest::mouseRelease(&control, Qt::LeftButton, {}, at(3));
  EXPECT_EQ(chosen, std::vector<int>{1});
  menu.close();
}

}  // namespace
}  // namespace corvalin
