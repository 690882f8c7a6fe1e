#include "platform/md5_digest.h"

#include <openssl/evp.h>

#include <algorithm>
#include <memory>

namespace qmon::platform {
namespace {

struct MdCtxFree {
  void operator()(EVP_MD_CTX* ctx) const { EVP_MD_CTX_free(ctx); }
};

}  // namespace

std::optional<Md5Bytes> Md5Digest(const std::string& bytes, size_t block_bytes) {
  const std::unique_ptr<EVP_MD_CTX, MdCtxFree> ctx(EVP_MD_CTX_new());
  if (!ctx || EVP_DigestInit_ex(ctx.get(), EVP_md5(), nullptr) != 1) return std::nullopt;
  for (size_t at = 0; at < bytes.size(); at += block_bytes) {
    const size_t n = std::min(block_bytes, bytes.size() - at);
    if (EVP_DigestUpdate(ctx.get(), bytes.data() + at, n) != 1) return std::nullopt;
  }
  Md5Bytes md{};
  unsigned int md_len = 0;
  if (EVP_DigestFinal_ex(ctx.get(), md.data(), &md_len) != 1 || md_len != md.size()) {
    return std::nullopt;
  }
  return md;
}

}  // namespace qmon::platform
