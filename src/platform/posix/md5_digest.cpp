#include "platform/md5_digest.h"

// The plain MD5 functions skip OpenSSL 3's provider set-up, which costs more
// than digesting the files a run checks; linked from the static libcrypto,
// they bring no more than themselves.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/md5.h>

#include <algorithm>

namespace qmon::platform {

std::optional<Md5Bytes> Md5Digest(const std::string& bytes, size_t block_bytes) {
  MD5_CTX ctx;
  if (MD5_Init(&ctx) != 1) return std::nullopt;
  for (size_t at = 0; at < bytes.size(); at += block_bytes) {
    const size_t n = std::min(block_bytes, bytes.size() - at);
    if (MD5_Update(&ctx, bytes.data() + at, n) != 1) return std::nullopt;
  }
  Md5Bytes md{};
  static_assert(sizeof md == MD5_DIGEST_LENGTH);
  if (MD5_Final(md.data(), &ctx) != 1) return std::nullopt;
  return md;
}

}  // namespace qmon::platform
