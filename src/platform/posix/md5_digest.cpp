#include "platform/md5_digest.h"

// The plain MD5 functions skip OpenSSL 3's provider set-up, which costs more
// than digesting the files a run checks.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/md5.h>

#include <algorithm>

#include "platform/posix/shared_library.h"

namespace qmon::platform {
namespace {

// libcrypto, loaded when the first digest is asked for.
struct Crypto {
  Crypto() : library("libcrypto.so.3") {
    ready = library.Bind("MD5_Init", init) && library.Bind("MD5_Update", update) &&
            library.Bind("MD5_Final", final);
  }
  posix::SharedLibrary library;
  bool ready = false;
  decltype(&MD5_Init) init;
  decltype(&MD5_Update) update;
  decltype(&MD5_Final) final;
};

}  // namespace

std::optional<Md5Bytes> Md5Digest(const std::string& bytes, size_t block_bytes) {
  static const Crypto crypto;
  if (!crypto.ready) return std::nullopt;
  MD5_CTX ctx;
  if (crypto.init(&ctx) != 1) return std::nullopt;
  for (size_t at = 0; at < bytes.size(); at += block_bytes) {
    const size_t n = std::min(block_bytes, bytes.size() - at);
    if (crypto.update(&ctx, bytes.data() + at, n) != 1) return std::nullopt;
  }
  Md5Bytes md{};
  static_assert(sizeof md == MD5_DIGEST_LENGTH);
  if (crypto.final(md.data(), &ctx) != 1) return std::nullopt;
  return md;
}

}  // namespace qmon::platform
