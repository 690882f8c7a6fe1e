#include "platform/md5_digest.h"

#include <openssl/evp.h>

#include <algorithm>
#include <memory>

#include "platform/posix/shared_library.h"

namespace qmon::platform {
namespace {

// libcrypto, loaded when the first digest is asked for.
struct Crypto {
  Crypto() : library("libcrypto.so.3") {
    ready = library.Bind("EVP_MD_CTX_new", ctx_new) && library.Bind("EVP_MD_CTX_free", ctx_free) &&
            library.Bind("EVP_md5", md5) && library.Bind("EVP_DigestInit_ex", init) &&
            library.Bind("EVP_DigestUpdate", update) && library.Bind("EVP_DigestFinal_ex", final);
  }
  posix::SharedLibrary library;
  bool ready = false;
  decltype(&EVP_MD_CTX_new) ctx_new;
  decltype(&EVP_MD_CTX_free) ctx_free;
  decltype(&EVP_md5) md5;
  decltype(&EVP_DigestInit_ex) init;
  decltype(&EVP_DigestUpdate) update;
  decltype(&EVP_DigestFinal_ex) final;
};

}  // namespace

std::optional<Md5Bytes> Md5Digest(const std::string& bytes, size_t block_bytes) {
  static const Crypto crypto;
  if (!crypto.ready) return std::nullopt;
  const std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(crypto.ctx_new(),
                                                                    crypto.ctx_free);
  if (!ctx || crypto.init(ctx.get(), crypto.md5(), nullptr) != 1) return std::nullopt;
  for (size_t at = 0; at < bytes.size(); at += block_bytes) {
    const size_t n = std::min(block_bytes, bytes.size() - at);
    if (crypto.update(ctx.get(), bytes.data() + at, n) != 1) return std::nullopt;
  }
  Md5Bytes md{};
  unsigned int md_len = 0;
  if (crypto.final(ctx.get(), md.data(), &md_len) != 1 || md_len != md.size()) {
    return std::nullopt;
  }
  return md;
}

}  // namespace qmon::platform
