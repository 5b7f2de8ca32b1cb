// The update feed as the network delivers it, whatever it holds.
#include <cstdint>

#include "update/update_feed.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  (void)corvalin::leerFeed(
      QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)));
  return 0;
}
