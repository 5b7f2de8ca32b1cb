// The PNG writer against libpng, and the file replacement a polling reader relies on.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zlib.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <cerrno>
#include <cstring>
#include <random>

#include "tools/png_writer.h"

namespace corvalin::tools {
namespace {

// Random pixels in some rows, flat colour and soft gradients in others, so that both ways of
// deflating are used and switched between inside one strip.
QImage mixedPicture(int w, int h, std::uint32_t seed) {
  QImage image(w, h, QImage::Format_RGB32);
  std::mt19937 random(seed);
  for (int y = 0; y < h; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
    const int kind = (y / 16) % 3;
    for (int x = 0; x < w; ++x)
      row[x] = kind == 0   ? random() | 0xff000000u
               : kind == 1 ? 0xff204060u
                           : qRgb(x % 256, (x + y) % 256, y % 256);
    // The unused byte must not reach the file.
    if (w > 1) row[w / 2] = (row[w / 2] & 0xffffffu) | 0x12000000u;
  }
  return image;
}

// The size of the image data of all IDAT chunks, inflated, and that the file ends with its last
// chunk: libpng only warns about a broken end of the zlib stream. (It checks the chunks' CRCs.)
std::size_t inflatedSize(const std::vector<std::uint8_t>& png, std::size_t raw) {
  std::vector<std::uint8_t> idat;
  std::size_t at = 8;
  while (at + 12 <= png.size()) {
    const std::uint32_t length = qFromBigEndian<std::uint32_t>(&png[at]);
    if (std::memcmp(&png[at + 4], "IDAT", 4) == 0 && at + 12 + length <= png.size())
      idat.insert(idat.end(), png.begin() + std::ptrdiff_t(at + 8),
                  png.begin() + std::ptrdiff_t(at + 8 + length));
    at += 12 + length;
  }
  EXPECT_EQ(at, png.size()) << "bytes after the last chunk";
  std::vector<std::uint8_t> data(raw + 1);
  uLongf length = data.size();
  EXPECT_EQ(uncompress(data.data(), &length, idat.data(), idat.size()), Z_OK);
  return length;
}

TEST(PngWriter, RoundTripsRandomPicturesExactlyWhateverTheSizeAndNumberOfStrips) {
  const QSize sizes[] = {{1, 1}, {3, 2}, {17, 5}, {640, 480}, {1921, 37}, {5, 700}};
  std::uint32_t seed = 1;
  for (const QSize size : sizes) {
    const QImage picture = mixedPicture(size.width(), size.height(), seed++);
    for (const int strips : {0, 1, 2, 3, 8}) {
      SCOPED_TRACE(::testing::Message()
                   << size.width() << "x" << size.height() << " in " << strips);
      const std::vector<std::uint8_t> png = encodePng(
          {picture.constBits(), picture.width(), picture.height(), picture.bytesPerLine()}, strips);
      const std::size_t raw = std::size_t(size.width() * 3 + 1) * size.height();
      EXPECT_EQ(inflatedSize(png, raw), raw);
      const QImage read = QImage::fromData(png.data(), static_cast<int>(png.size()), "PNG");
      EXPECT_FALSE(read.hasAlphaChannel());
      // Equal for RGB32 ignores the unused byte.
      EXPECT_TRUE(read.convertToFormat(QImage::Format_RGB32) == picture);
    }
  }
  EXPECT_TRUE(encodePng(Rgb32View{}).empty());
  EXPECT_TRUE(encodePng(Rgb32View{mixedPicture(4, 4, 3).constBits(), 0, 4, 16}).empty());
}

TEST(AtomicFile, ReplacesTheFileWithTheUsualOrAPrivateModeLeavingNothingOrFailsWithTheReason) {
  QTemporaryDir dir;
  const std::string path = dir.filePath(QStringLiteral("out.png")).toStdString();
  const std::vector<std::uint8_t> first(1000, 1), second(10, 2);
  std::string error;
  const auto modo = [&] {
    struct stat info {};
    EXPECT_EQ(::stat(path.c_str(), &info), 0);
    return info.st_mode & 0777;
  };
  // A folder only its owner enters keeps what is written there private.
  const auto owner = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
  ASSERT_TRUE(QFile::setPermissions(dir.path(), owner));
  ASSERT_TRUE(writeFileAtomically(path, first, &error)) << error;
  EXPECT_EQ(modo(), 0600u);
  ASSERT_TRUE(QFile::setPermissions(dir.path(), owner | QFile::ReadOther | QFile::ExeOther));
  ASSERT_TRUE(writeFileAtomically(path, second, &error)) << error;
  QFile file(QString::fromStdString(path));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  EXPECT_EQ(file.readAll(), QByteArray(10, 2));
  const mode_t mask = ::umask(0);
  ::umask(mask);
  EXPECT_EQ(modo(), 0666 & ~mask);
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::System),
            QStringList{QStringLiteral("out.png")});
  // Where the folder is missing, it fails with the reason.
  EXPECT_FALSE(writeFileAtomically(dir.filePath("missing/out.png").toStdString(), first, &error));
  EXPECT_NE(error.find("/missing/: " + std::string(std::strerror(ENOENT))), std::string::npos)
      << error;
}

}  // namespace
}  // namespace corvalin::tools
