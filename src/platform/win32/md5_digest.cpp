#include "platform/md5_digest.h"

#include <windows.h>
// After windows.h, which it needs.
#include <bcrypt.h>

#include <algorithm>
#include <memory>

namespace qmon::platform {
namespace {

struct AlgorithmClose {
  void operator()(BCRYPT_ALG_HANDLE h) const { BCryptCloseAlgorithmProvider(h, 0); }
};
struct HashDestroy {
  void operator()(BCRYPT_HASH_HANDLE h) const { BCryptDestroyHash(h); }
};

bool Ok(NTSTATUS status) { return status >= 0; }

}  // namespace

std::optional<Md5Bytes> Md5Digest(const std::string& bytes, size_t block_bytes) {
  BCRYPT_ALG_HANDLE raw_algorithm = nullptr;
  if (!Ok(BCryptOpenAlgorithmProvider(&raw_algorithm, BCRYPT_MD5_ALGORITHM, nullptr, 0))) {
    return std::nullopt;
  }
  const std::unique_ptr<void, AlgorithmClose> algorithm(raw_algorithm);
  BCRYPT_HASH_HANDLE raw_hash = nullptr;
  if (!Ok(BCryptCreateHash(algorithm.get(), &raw_hash, nullptr, 0, nullptr, 0, 0))) {
    return std::nullopt;
  }
  const std::unique_ptr<void, HashDestroy> hash(raw_hash);
  // BCryptHashData takes a ULONG count; blocks beyond it go in pieces.
  const size_t step = std::min<size_t>(block_bytes, ULONG_MAX);
  for (size_t at = 0; at < bytes.size(); at += step) {
    const ULONG n = static_cast<ULONG>(std::min(step, bytes.size() - at));
    auto* data = reinterpret_cast<PUCHAR>(const_cast<char*>(bytes.data() + at));
    if (!Ok(BCryptHashData(hash.get(), data, n, 0))) return std::nullopt;
  }
  Md5Bytes md{};
  if (!Ok(BCryptFinishHash(hash.get(), md.data(), static_cast<ULONG>(md.size()), 0))) {
    return std::nullopt;
  }
  return md;
}

}  // namespace qmon::platform
