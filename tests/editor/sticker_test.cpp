#include <gtest/gtest.h>

#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

#include "core/settings.h"
#include "core/texts.h"
#include "editor/sticker_catalog.h"
#include "editor/sticker_picker.h"

namespace corvalin {
namespace {

QString scalar(char32_t c) {
  return QString::fromUcs4(&c, 1);
}

// Built with a test that accepts only the hearts: sections without one are dropped, fixed
// entries keep their variation selector, and a glyph in both a range and a list stays twice.
TEST(StickerCatalog, SectionsKeepOnlyDrawableGlyphsAndDropEmptyOnes) {
  const QString heart = scalar(0x2764) + QChar(0xFE0F);
  const auto sections = StickerCatalog::construir([](const QString& g) {
    const char32_t first = g.toUcs4().value(0);
    return first == 0x2764 || first == 0x1F494 || first == 0x1F4A7;
  });
  ASSERT_EQ(sections.size(), 3u);
  EXPECT_EQ(sections[0].glyphs, QStringList{scalar(0x1F4A7)});
  EXPECT_EQ(sections[2].glyphs, (QStringList{heart, scalar(0x1F494)}));
  const auto all = StickerCatalog::construir([](const QString&) { return true; });
  ASSERT_EQ(all.size(), 9u);
  EXPECT_EQ(all[6].glyphs.count(scalar(0x1F4BE)), 2);  // in the range and the fixed list
  // The colour emoji font decides what is drawable; only the first scalar counts.
  EXPECT_TRUE(StickerCatalog::dibujable(scalar(0x1F600) + QStringLiteral("A")));
  EXPECT_FALSE(StickerCatalog::dibujable(QStringLiteral("A")));
}

TEST(StickerRecents, UsedStickersMoveToTheFrontWithoutRepeats) {
  QTemporaryDir dir;
  Settings settings(dir.path(), dir.path());
  const QStringList defaults = settings.stickerRecents();
  const QString rocket = scalar(0x1F680);
  rememberSticker(settings, rocket);
  EXPECT_EQ(settings.stickerRecents(), QStringList{rocket} + defaults.mid(0, 9));
  rememberSticker(settings, defaults[4]);
  const QStringList now = settings.stickerRecents();
  EXPECT_EQ(now.mid(0, 2), (QStringList{defaults[4], rocket}));
  EXPECT_EQ(now.size(), 10);
  EXPECT_EQ(now.count(defaults[4]), 1);
}

TEST(StickerPicker, OpensOnTheRecentsAndClosesAfterAChoice) {
  const QString rocket = scalar(0x1F680);
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
