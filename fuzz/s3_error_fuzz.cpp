// An S3 server's error body, whatever it holds: the explanation shown to the user.
#include <cstdint>

#include "upload/s3_error.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString body =
      QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString shown = corvalin::explain(body);
  // However long the body, the explanation stays a line or two.
  if (shown.size() > 2000) __builtin_trap();
  return 0;
}
