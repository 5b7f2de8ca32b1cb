// The inspector's contents and effects, its palette, the tool bar's segments and groups, and
// the sticker picker.
#include <gtest/gtest.h>

#include <QMenu>
#include <QPointer>
#include <QSlider>
#include <QTemporaryDir>
#include <QTest>
#include <set>

#include "core/settings.h"
#include "editor/color_palette_view.h"
#include "editor/sticker_picker.h"
#include "editor/style_bar.h"
#include "editor/style_bar_model.h"
#include "editor/symbol_drawing.h"
#include "editor/tool_kind.h"
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

TEST(InspectorContents, EachKindShowsItsOwnControls) {
  // A callout offers to remove its box, or to bring it back once removed.
  Shape callout = of(ToolKind::text);
  callout.color = QColor(255, 0, 0);
  const auto boxed = inspectorControls(callout, 1, false, std::nullopt);
  std::vector<Kind> kinds;
  for (const auto& c : boxed) kinds.push_back(c.kind);
  EXPECT_EQ(kinds, (std::vector<Kind>{Kind::swatch, Kind::button, Kind::swatch, Kind::slider,
                                      Kind::button, Kind::button}));
  EXPECT_EQ(boxed[1].action, InspectorAction::removeBox);
  callout.color = withoutBox(callout.color);
  EXPECT_EQ(inspectorControls(callout, 1, false, std::nullopt)[1].action,
            InspectorAction::restoreBox);
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
  QTest::mouseClick(palette, Qt::LeftButton, {}, QPoint(5 * 20 + 8, 8));
  ASSERT_EQ(picks.size(), 1u);
  EXPECT_EQ(picks[0].first, paletteColors()[5]);
  EXPECT_EQ(picks[0].second, InspectorTarget::text);
  EXPECT_FALSE(bar->expanded());
  EXPECT_EQ(bar->shape()->textColor, paletteColors()[5]);
}

TEST_F(Bar, TheSliderRestylesReportsAndRemembersTheWidth) {
  std::vector<double> widths;
  bar->onWidth = [&](double v) { widths.push_back(v); };
  Shape arrow = of(ToolKind::arrow);
  arrow.width = 3;
  bar->configure(arrow, 2, false);
  auto* slider = control<QSlider>(1);
  ASSERT_TRUE(slider);
  slider->setValue(1000);
  ASSERT_EQ(widths, std::vector<double>{10});
  EXPECT_DOUBLE_EQ(bar->shape()->width, 5);
  EXPECT_DOUBLE_EQ(leerAjustes(settings->ajustesPorHerramienta(), ToolKind::arrow).ancho, 10);
}

TEST(Tools, AQuickClickChoosesAGroupAndHoldingOpensItsMenuInstead) {
  ToolsControl control(segmentosDeGrupos());
  QMenu menu;
  menu.addAction(QStringLiteral("uno"));
  std::vector<int> menuRequests;
  control.menuDelGrupo = [&](int s) {
    menuRequests.push_back(s);
    return &menu;
  };
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
  QTest::mouseRelease(&control, Qt::LeftButton, {}, at(3));
  EXPECT_EQ(control.selectedSegment(), 1);  // and holding chose nothing
  menu.close();
}

// Each tool the user can pick sits in exactly one tool-bar group, has a drawn icon and a
// default letter; pasted pictures fall back to the first group.
TEST(ToolKind, EveryPickableToolHasOneGroupAnIconAndALetter) {
  std::multiset<ToolKind> grouped;
  for (const Grupo& g : grupos()) {
    EXPECT_FALSE(g.herramientas.empty());
    grouped.insert(g.herramientas.begin(), g.herramientas.end());
  }
  for (ToolKind t : toolbarCases()) {
    EXPECT_EQ(grouped.count(t), 1u) << static_cast<int>(t);
    EXPECT_TRUE(hasSymbolDrawing(symbol(t))) << symbol(t).toStdString();
    EXPECT_TRUE(Settings::defaultShortcuts().contains(QString::number(static_cast<int>(t))));
  }
  EXPECT_EQ(grouped.size(), toolbarCases().size());  // and no group holds a tool of its own
  EXPECT_EQ(grupo(ToolKind::image), 0);
}

TEST(StickerPicker, OpensOnTheRecentsAndClosesAfterAChoice) {
  const QString rocket = QStringLiteral("\U0001F680");
  auto* picker = new StickerPicker(rocket, {rocket});
  QString chosen;
  picker->onPick = [&](const QString& g) { chosen = g; };
  picker->show();
  ASSERT_FALSE(picker->grid()->celdas().empty());
  EXPECT_EQ(picker->grid()->selected(), rocket);
  QPointer<StickerPicker> alive(picker);
  QTest::mouseClick(picker->grid(), Qt::LeftButton, {},
                    picker->grid()->celdas()[0].rect.center().toPoint());
  EXPECT_EQ(chosen, rocket);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(alive.isNull());
}

}  // namespace
}  // namespace corvalin
