// An MD5 library that fails on purpose, for tests of the code that calls it.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "platform/env.h"
#include "platform/vb_error.h"

namespace qmon::test {

class FailingMd5 final : public platform::Md5Library {
 public:
  // Every call raises 53 "File not found: QGnMD5", as when the library file
  // is missing from the installation.
  static FailingMd5 Missing() { return FailingMd5(Mode::kMissing, "", nullptr); }
  // QGetMD5 answers 0 with `error`; QGetMD5WBlock is answered by `fallback`.
  static FailingMd5 FirstCallFails(platform::Md5Library& fallback,
                                   std::string error = "QGetMD5 failed") {
    return FailingMd5(Mode::kFirstCallFails, std::move(error), &fallback);
  }
  // Both calls answer 0 with `error`; digest and size are left as they were.
  static FailingMd5 BothFail(std::string error) {
    return FailingMd5(Mode::kBothFail, std::move(error), nullptr);
  }

  int16_t QGetMD5(const std::string& /*path*/, std::string& /*digest*/, std::string& /*size*/,
                  std::string& error) override {
    if (mode_ == Mode::kMissing) throw VbError(vberr::kFileNotFound, "File not found: QGnMD5");
    error = error_;
    return 0;
  }

  int16_t QGetMD5WBlock(const std::string& path, const std::string& blockKb, std::string& digest,
                        std::string& size, std::string& error) override {
    last_block_kb = blockKb;
    if (mode_ == Mode::kMissing) throw VbError(vberr::kFileNotFound, "File not found: QGnMD5");
    if (fallback_) return fallback_->QGetMD5WBlock(path, blockKb, digest, size, error);
    error = error_;
    return 0;
  }

  // The block size of the last QGetMD5WBlock call.
  std::string last_block_kb;

 private:
  enum class Mode { kMissing, kFirstCallFails, kBothFail };

  FailingMd5(Mode mode, std::string error, platform::Md5Library* fallback)
      : mode_(mode), error_(std::move(error)), fallback_(fallback) {}

  Mode mode_;
  std::string error_;
  platform::Md5Library* fallback_;
};

}  // namespace qmon::test
