// The MD5 digest engine of the platform: OpenSSL on Linux, CNG on Windows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace qmon::platform {

using Md5Bytes = std::array<uint8_t, 16>;

// The digest of `bytes`, fed to the engine `block_bytes` at a time; nullopt
// when the engine fails.
std::optional<Md5Bytes> Md5Digest(const std::string& bytes, size_t block_bytes);

}  // namespace qmon::platform
