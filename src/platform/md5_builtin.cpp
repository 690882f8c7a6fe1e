#include "platform/md5_builtin.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>
#include <string>
#include <utility>

#include "platform/md5_digest.h"
#include "platform/text.h"
#include "platform/vb_error.h"

namespace qmon::platform {
namespace {

// The whole-file call reads in blocks of this size, as the block call does
// with the size it is given.
constexpr size_t kDefaultBlockBytes = 64 * 1024;

// Larger blocks than this are the whole file anyway; the cap keeps the
// conversion from a Double in range.
constexpr double kMaxBlockBytes = 1e15;

// The digest of `bytes` fed `block_bytes` at a time, as lower-case hex.
std::optional<std::string> Md5Hex(const std::string& bytes, size_t block_bytes) {
  const std::optional<Md5Bytes> md = Md5Digest(bytes, block_bytes);
  if (!md) return std::nullopt;
  static constexpr char kHex[] = "0123456789abcdef";
  std::string hex;
  for (const uint8_t byte : *md) {
    hex += kHex[byte >> 4];
    hex += kHex[byte & 0x0F];
  }
  return hex;
}

// The block size in bytes for a size text in KB, or 0 when it gives no block.
size_t BlockBytes(const std::string& block_kb) {
  double bytes = 0;
  try {
    bytes = std::floor(vb::Val(block_kb) * 1024);
  } catch (const VbError&) {
    return 0;  // a text Val rejects gives no block size either
  }
  return bytes >= 1 ? static_cast<size_t>(std::min(bytes, kMaxBlockBytes)) : 0;
}

}  // namespace

int16_t BuiltinMd5::QGetMD5(const std::string& path, std::string& digest, std::string& size,
                            std::string& error) {
  return Digest(path, kDefaultBlockBytes, digest, size, error);
}

int16_t BuiltinMd5::QGetMD5WBlock(const std::string& path, const std::string& blockKb,
                                  std::string& digest, std::string& size,
                                  std::string& error) {
  const size_t block_bytes = BlockBytes(blockKb);
  if (block_bytes == 0) {
    error = "Invalid block size " + blockKb + " KB for file " + path;
    return 0;
  }
  return Digest(path, block_bytes, digest, size, error);
}

int16_t BuiltinMd5::Digest(const std::string& path, size_t block_bytes, std::string& digest,
                           std::string& size, std::string& error) {
  const std::optional<std::string> bytes = fs_.ReadBytes(path);
  if (!bytes) {
    error = "Unable to open file " + path;
    return 0;
  }
  std::optional<std::string> hex = Md5Hex(*bytes, block_bytes);
  if (!hex) {
    error = "Unable to compute the MD5 digest of file " + path;
    return 0;
  }
  digest = std::move(*hex);
  size = std::to_string(bytes->size());
  return 1;
}

}  // namespace qmon::platform
