#include "tools/png_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <memory>
#include <thread>

namespace corvalin::tools {
namespace {

// Rows per filtering band: small enough to stay in cache, large enough that the choice of
// deflate strategy per band costs nothing measurable.
constexpr int kBandRows = 16;
// A band whose filtered bytes are less than this share zeros is noise-like (photographs,
// video stills): string matching finds almost nothing there, and Huffman coding alone is
// twice as fast for a slightly smaller result. Flat interface areas filter to long runs of
// zeros, where the fastest matching level wins by far.
constexpr double kMinZeroShareForMatching = 0.25;
constexpr std::size_t kMinFreeOutput = 64 * 1024;

void putBigEndian32(std::uint8_t* p, std::uint32_t v) {
  p[0] = static_cast<std::uint8_t>(v >> 24);
  p[1] = static_cast<std::uint8_t>(v >> 16);
  p[2] = static_cast<std::uint8_t>(v >> 8);
  p[3] = static_cast<std::uint8_t>(v);
}

void appendBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t v) {
  std::array<std::uint8_t, 4> b{};
  putBigEndian32(b.data(), v);
  out.insert(out.end(), b.begin(), b.end());
}

void toRgb(const std::uint32_t* src, int widthPx, std::uint8_t* dst) {
  for (int x = 0; x < widthPx; ++x) {
    const std::uint32_t p = src[x];
    dst[3 * x] = static_cast<std::uint8_t>(p >> 16);
    dst[3 * x + 1] = static_cast<std::uint8_t>(p >> 8);
    dst[3 * x + 2] = static_cast<std::uint8_t>(p);
  }
}

// Compressed bytes. Reserved once for the worst case without being written, so the pages the
// compressor never reaches cost nothing, and never moved for a picture that compresses.
struct Output {
  std::unique_ptr<std::uint8_t[]> data;
  std::size_t capacity = 0;
  std::size_t size = 0;

  void reserve(std::size_t n) {
    if (n <= capacity) return;
    auto bigger = std::make_unique_for_overwrite<std::uint8_t[]>(n);
    if (size > 0) std::memcpy(bigger.get(), data.get(), size);
    data = std::move(bigger);
    capacity = n;
  }
  void append(const std::uint8_t* bytes, std::size_t n) {
    reserve(size + n);
    std::memcpy(data.get() + size, bytes, n);
    size += n;
  }
};

// One horizontal strip of the picture, compressed as a raw deflate stream that ends on a
// byte boundary (full flush) or, for the last strip, with the final block. `bytes` holds the
// IDAT chunk's type and data, ready for its CRC.
struct Strip {
  int firstRow = 0;
  int endRow = 0;
  bool first = false;
  bool last = false;
  Output bytes;
  uLong adler = 1;
  uLong filteredBytes = 0;
  uLong crc = 0;
  bool ok = false;
};

class StripEncoder {
 public:
  StripEncoder(const Rgb32View& pixels, Strip& strip) : pixels_(pixels), strip_(strip) {}
  ~StripEncoder() {
    if (initialised_) deflateEnd(&z_);
  }

  bool run() {
    if (deflateInit2(&z_, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    initialised_ = true;
    const std::size_t rowBytes = static_cast<std::size_t>(pixels_.widthPx) * 3;
    const std::size_t rawBytes = (rowBytes + 1) * (strip_.endRow - strip_.firstRow);
    Output& out = strip_.bytes;
    // Stored blocks bound what deflate writes; Huffman coding alone can exceed them slightly.
    out.reserve(6 + rawBytes + rawBytes / 8 + kMinFreeOutput);
    const std::uint8_t type[] = {'I', 'D', 'A', 'T'};
    out.append(type, 4);
    // zlib header: deflate with a 32 KiB window, fastest level; 0x7801 is a multiple of 31.
    const std::uint8_t header[] = {0x78, 0x01};
    if (strip_.first) out.append(header, 2);

    std::vector<std::uint8_t> previous(rowBytes, 0);
    std::vector<std::uint8_t> current(rowBytes);
    std::vector<std::uint8_t> band((rowBytes + 1) * kBandRows);
    if (strip_.firstRow > 0)
      toRgb(pixels_.row(strip_.firstRow - 1), pixels_.widthPx, previous.data());

    for (int y = strip_.firstRow; y < strip_.endRow; y += kBandRows) {
      const int rows = std::min(kBandRows, strip_.endRow - y);
      std::size_t zeros = 0;
      std::uint8_t* o = band.data();
      for (int r = 0; r < rows; ++r) {
        toRgb(pixels_.row(y + r), pixels_.widthPx, current.data());
        // "Up" for every row: cheap, and as good as any single filter on screen content.
        // The first row of the picture has zeros above it, which PNG defines the same way.
        *o++ = 2;
        const std::uint8_t* c = current.data();
        const std::uint8_t* p = previous.data();
        for (std::size_t i = 0; i < rowBytes; ++i) {
          const std::uint8_t d = static_cast<std::uint8_t>(c[i] - p[i]);
          o[i] = d;
          zeros += d == 0;
        }
        o += rowBytes;
        std::swap(previous, current);
      }
      const std::size_t n = static_cast<std::size_t>(o - band.data());
      strip_.adler = adler32_z(strip_.adler, band.data(), n);
      const bool noisy = static_cast<double>(zeros) < kMinZeroShareForMatching * n;
      if (!setStrategy(noisy ? Z_HUFFMAN_ONLY : Z_DEFAULT_STRATEGY)) return false;
      if (!deflateAll(band.data(), n)) return false;
    }
    if (!finish()) return false;
    strip_.filteredBytes = static_cast<uLong>(rawBytes);
    strip_.crc = crc32_z(0, out.data.get(), out.size);
    return true;
  }

 private:
  // At least kMinFreeOutput bytes free for zlib; more when it reported it had too little.
  void reserveOutput(bool grow = false) {
    Output& out = strip_.bytes;
    if (grow || out.capacity - out.size < kMinFreeOutput)
      out.reserve(out.capacity * 3 / 2 + kMinFreeOutput);
    z_.next_out = out.data.get() + out.size;
    z_.avail_out = static_cast<uInt>(std::min<std::size_t>(out.capacity - out.size, 1u << 30));
  }
  void takeOutput() {
    strip_.bytes.size = static_cast<std::size_t>(z_.next_out - strip_.bytes.data.get());
  }

  bool setStrategy(int strategy) {
    if (strategy == strategy_) return true;
    // Changing strategy first flushes the block so far; zlib refuses, changing nothing, when
    // that does not fit in the output space.
    for (bool grow = false;; grow = true) {
      reserveOutput(grow);
      const int ret = deflateParams(&z_, 1, strategy);
      takeOutput();
      if (ret == Z_OK) break;
      if (ret != Z_BUF_ERROR) return false;
    }
    strategy_ = strategy;
    return true;
  }

  bool deflateAll(const std::uint8_t* data, std::size_t n) {
    z_.next_in = const_cast<Bytef*>(data);
    z_.avail_in = static_cast<uInt>(n);
    while (z_.avail_in > 0) {
      reserveOutput();
      const int ret = deflate(&z_, Z_NO_FLUSH);
      takeOutput();
      if (ret != Z_OK && ret != Z_BUF_ERROR) return false;
    }
    return true;
  }

  bool finish() {
    // A full flush ends this strip on a byte boundary with no reference to earlier data, so
    // the next strip's independent stream can follow it directly.
    const int flush = strip_.last ? Z_FINISH : Z_FULL_FLUSH;
    for (;;) {
      reserveOutput();
      const int ret = deflate(&z_, flush);
      takeOutput();
      if (strip_.last ? ret == Z_STREAM_END : (ret == Z_OK && z_.avail_out > 0)) return true;
      if (ret != Z_OK && ret != Z_BUF_ERROR) return false;
    }
  }

  const Rgb32View& pixels_;
  Strip& strip_;
  z_stream z_{};
  bool initialised_ = false;
  int strategy_ = Z_DEFAULT_STRATEGY;
};

void encodeStrip(const Rgb32View& pixels, Strip& strip) {
  try {
    strip.ok = StripEncoder(pixels, strip).run();
  } catch (const std::bad_alloc&) {
    strip.ok = false;
  }
}

void appendChunk(std::vector<std::uint8_t>& png, const char* type, const std::uint8_t* data,
                 std::size_t n) {
  appendBigEndian32(png, static_cast<std::uint32_t>(n));
  const std::size_t start = png.size();
  png.insert(png.end(), type, type + 4);
  png.insert(png.end(), data, data + n);
  appendBigEndian32(png, static_cast<std::uint32_t>(crc32_z(0, png.data() + start, n + 4)));
}

int automaticStrips() {
  const unsigned cpus = std::thread::hardware_concurrency();
  return static_cast<int>(std::clamp(cpus, 2u, 8u));
}

}  // namespace

std::vector<std::uint8_t> encodePng(const Rgb32View& pixels, int count) {
  if (pixels.empty()) return {};
  if (count <= 0) count = automaticStrips();
  count = std::min(count, pixels.heightPx);

  std::vector<Strip> strips(count);
  for (int i = 0; i < count; ++i) {
    strips[i].firstRow = static_cast<int>(static_cast<long long>(pixels.heightPx) * i / count);
    strips[i].endRow = static_cast<int>(static_cast<long long>(pixels.heightPx) * (i + 1) / count);
    strips[i].first = i == 0;
    strips[i].last = i == count - 1;
  }
  {
    std::vector<std::jthread> helpers;
    try {
      for (int i = 1; i < count; ++i)
        helpers.emplace_back([&pixels, &strip = strips[i]] { encodeStrip(pixels, strip); });
    } catch (const std::system_error&) {
      // No more threads: whatever did not start is encoded here, one after another.
      for (int i = static_cast<int>(helpers.size()) + 1; i < count; ++i)
        encodeStrip(pixels, strips[i]);
    }
    encodeStrip(pixels, strips[0]);
  }
  for (const Strip& p : strips)
    if (!p.ok) return {};

  uLong adler = strips[0].adler;
  for (int i = 1; i < count; ++i)
    adler = adler32_combine(adler, strips[i].adler, static_cast<z_off_t>(strips[i].filteredBytes));
  std::array<std::uint8_t, 4> trailer{};
  putBigEndian32(trailer.data(), static_cast<std::uint32_t>(adler));
  Strip& last = strips.back();
  last.bytes.append(trailer.data(), trailer.size());
  last.crc = crc32_z(last.crc, trailer.data(), trailer.size());

  std::size_t total = 8 + 25 + 12;
  for (const Strip& p : strips) total += p.bytes.size + 8;
  std::vector<std::uint8_t> png;
  png.reserve(total);
  const std::uint8_t signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
  png.insert(png.end(), std::begin(signature), std::end(signature));
  std::array<std::uint8_t, 13> header{};
  putBigEndian32(header.data(), static_cast<std::uint32_t>(pixels.widthPx));
  putBigEndian32(header.data() + 4, static_cast<std::uint32_t>(pixels.heightPx));
  header[8] = 8;  // bits per sample
  header[9] = 2;  // truecolour; compression, filter method and interlace stay 0
  appendChunk(png, "IHDR", header.data(), header.size());
  for (const Strip& p : strips) {
    appendBigEndian32(png, static_cast<std::uint32_t>(p.bytes.size - 4));
    png.insert(png.end(), p.bytes.data.get(), p.bytes.data.get() + p.bytes.size);
    appendBigEndian32(png, static_cast<std::uint32_t>(p.crc));
  }
  appendChunk(png, "IEND", nullptr, 0);
  return png;
}

bool writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                         std::string* error) {
  const auto fail = [&](const std::string& what) {
    if (error) *error = what + ": " + std::strerror(errno);
    return false;
  };
  const std::size_t slash = path.rfind('/');
  const std::string folder =
      slash == std::string::npos ? std::string(".") : path.substr(0, slash + 1);
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  std::string temporary = folder + (folder.ends_with('/') ? "" : "/") + "." + name + ".XXXXXX";
  const int fd = mkostemp(temporary.data(), O_CLOEXEC);
  if (fd < 0) return fail(folder);

  const std::uint8_t* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      const int saved = errno;
      ::close(fd);
      ::unlink(temporary.c_str());
      errno = saved;
      return fail(path);
    }
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  // mkstemp creates the file for its owner only. In a folder only its owner can enter (where
  // Corvalin keeps captures on their way to the editor) it stays that way; elsewhere it gets
  // the usual mode for new files.
  struct stat carpeta {};
  const bool privada = ::stat(folder.c_str(), &carpeta) == 0 && (carpeta.st_mode & 077) == 0;
  if (!privada) {
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
  }
  if (::close(fd) != 0 || ::rename(temporary.c_str(), path.c_str()) != 0) {
    const int saved = errno;
    ::unlink(temporary.c_str());
    errno = saved;
    return fail(path);
  }
  return true;
}

}  // namespace corvalin::tools
