// The description of the user's own S3-compatible bucket, assembled from the settings and
// the keyring on every read.
#pragma once

#include <QString>
#include <cstdint>

namespace corvalin {

struct S3Config {
  QString endpoint;
  QString region;
  QString bucket;
  QString accessKey;
  QString secretKey;
  QString prefix;
  bool pathStyle = false;
  QString publicBase;
  QString acl;
  int64_t presignSeconds = 0;     // 0: plain object links; else 1 to 7 days in seconds
  bool llaveroBloqueado = false;  // a key is in a keyring nobody opened, so it reads empty
};

}  // namespace corvalin
