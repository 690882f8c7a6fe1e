#include <string>

#include "access/access.h"
#include "log/run_log.h"
#include "platform/text.h"
#include "platform/vb_error.h"

namespace qmon {
namespace {

constexpr const char* kMd5BlockKb = "32";
constexpr const char* kMd5Missing = "File not found: QGnMD5";

// GetShortPathNameA into a buffer of `capacity` NULs of which `size` are
// offered. A count past the buffer is the size it would need: no short form.
std::string ShortForm(Run& run, const std::string& path, uint32_t capacity, uint32_t size) {
  std::string buffer(capacity, '\0');
  const uint32_t count =
      run.env.fs->ShortPathName(run.Ansi(path).c_str(), buffer.data(), size);
  if (count > size) return "";
  return run.Wide(std::string_view(buffer).substr(0, count));
}

}  // namespace

std::string Checksum(Run& run, const std::string& path, std::string& error) {
  try {
    WriteLogLine(run, "MSG : Getting MD5 checksum of : " + path);
    auto& md5 = *run.env.md5;
    std::string digest, size, md5Error;
    if (md5.QGetMD5(path, digest, size, md5Error) == 0 &&
        md5.QGetMD5WBlock(path, kMd5BlockKb, digest, size, md5Error) == 0) {
      WriteLogLine(run, "ERR : Failed to Get MD5 check Sum for File " + path + " Error = " +
                            vb::Trim(md5Error) + " with " + kMd5BlockKb + " KB Block Size");
    }
    digest = vb::Trim(digest);
    WriteLogLine(run, "MSG : Filesize : " + size + " Bytes");
    WriteLogLine(run, "MSG : FileMD5CheckSum : " + digest);
    return digest;
  } catch (const VbError& e) {
    WriteLogLine(run, "ERR : " + std::to_string(e.number) + " (" + e.description +
                          ") in procedure Checksum of Module ModAppInstall");
    if (e.number == vberr::kFileNotFound && vb::LCase(e.description) == vb::LCase(kMd5Missing)) {
      error = kMd5Missing;
    }
    return "";
  }
}

std::string GetShortPath(Run& run, const std::string& path) {
  std::string result;
  ResumeNext([&] { result = ShortForm(run, path, 165, 164); });
  return result;
}

std::string fncGetShortPath(Run& run, std::string path) {
  try {
    const std::string shortPath = ShortForm(run, path, 501, 500);
    return shortPath.empty() ? path : shortPath;
  } catch (const VbError& e) {
    WriteLogLine(run, "ERR : Error in fncGetShortPath() " + std::to_string(e.number) + " " +
                          e.description);
    return path;
  }
}

bool fncDeleteFile(Run& run, std::string path) {
  try {
    path = fncGetShortPath(run, path);
    run.env.fs->SetAttributesNormal(run.Ansi(path).c_str());
    auto& fso = run.fso();
    if (fso.FileExists(path)) {
      fso.RemoveFile(path, true);
      WriteLogLine(run, "File deleted : " + path);
    }
    return true;
  } catch (const VbError& e) {
    WriteLogLine(run, "ERR : Error in fncDeleteFile() " + path + " " + std::to_string(e.number) +
                          " " + e.description);
    return false;
  }
}

}  // namespace qmon
