// The agent's MD5 library contract (QGetMD5, QGetMD5WBlock) served in-process:
// the file is read through the file system and digested by the platform.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/env.h"

namespace qmon::platform {

class BuiltinMd5 final : public Md5Library {
 public:
  explicit BuiltinMd5(FileSystem& fs) : fs_(fs) {}

  // On success: 1, the digest as 32 lower-case hex digits, the size as the
  // decimal byte count; the error text is left alone. On failure: 0, an
  // English error text naming the path; digest and size are left alone.
  int16_t QGetMD5(const std::string& path, std::string& digest, std::string& size,
                  std::string& error) override;
  // The same, digesting in blocks of `blockKb` KB (the text's numeric value);
  // a block size below one byte answers 0.
  int16_t QGetMD5WBlock(const std::string& path, const std::string& blockKb,
                        std::string& digest, std::string& size, std::string& error) override;

 private:
  // The loop both calls share: reads the file and digests it `block_bytes`
  // at a time.
  int16_t Digest(const std::string& path, size_t block_bytes, std::string& digest,
                 std::string& size, std::string& error);

  FileSystem& fs_;
};

}  // namespace qmon::platform
