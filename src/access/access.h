// The Windows access layer: thin, logged operations over the registry, INI
// files and files, shared by every subsystem above it.
//
// Other subsystems include this header only.
#pragma once

#include <cstdint>
#include <string>

#include "platform/env.h"
#include "run/run.h"

namespace qmon {

// ---- Registry value writes --------------------------------------------------

// Opens or creates the subkey and writes the value as REG_SZ; logs the key
// handle. Failures are not detected.
void SetRegValue(Run& run, platform::Hkey root, const std::string& subkey,
                 const std::string& name, const std::string& value);
// Opens or creates the subkey and deletes the value; never reports anything.
void DelRegValue(Run& run, platform::Hkey root, const std::string& subkey,
                 const std::string& name);

// ---- INI file access ----------------------------------------------------------

// The value up to its first NUL; "" when missing or empty (8000-char buffer).
std::string GetINIString(Run& run, std::string section, std::string key, std::string file);
// The value cut to the count answered (255-char buffer), or with `number` the
// value read as an integer in decimal ("0" when missing).
std::string GetKeyValue(Run& run, const std::string& section, const std::string& key,
                        const std::string& file, bool number);
// Logs and writes one key; answers the platform's result (0 on failure).
int32_t SetKeyValue(Run& run, const std::string& section, const std::string& key,
                    const std::string& value, const std::string& file);
// Section names, each followed by NUL (8192-char buffer, null section).
std::string GetSections(Run& run, const std::string& file);
// Section names, each followed by NUL (5000-char buffer).
std::string GetSectionNames(Run& run, std::string file);
// Logs and deletes a whole section; answers the platform's result.
int32_t DeleteSection(Run& run, const std::string& section, const std::string& file);

// One step's writes to an INI file: the profile functions keep them, and
// answer the file's reads from them, until the step ends; then, also when it
// ends in an error, they reach the file together, so no other process sees
// the file between two of them. Without a file, the writes kept for every
// file. Must end before the file is used by any other means (copied, hashed,
// deleted).
class IniWriteStep {
 public:
  explicit IniWriteStep(Run& run, const std::string& file = "");
  ~IniWriteStep();
  IniWriteStep(const IniWriteStep&) = delete;
  IniWriteStep& operator=(const IniWriteStep&) = delete;

 private:
  Run& run_;
  std::string file_;  // ANSI
};

// ---- File and system helpers --------------------------------------------------

// The file's MD5 digest through the agent's MD5 library, with the block-read
// fallback; "" when it failed. `error` is set to "File not found: QGnMD5"
// when the library itself is missing.
std::string Checksum(Run& run, const std::string& path, std::string& error);
// The short form of a path; "" when it does not exist (164-char buffer).
std::string GetShortPath(Run& run, const std::string& path);
// The short form of a path, or the path itself when there is none.
std::string fncGetShortPath(Run& run, std::string path);
// Clears the file's attributes and deletes it if it exists; True unless an
// unexpected error occurred.
bool fncDeleteFile(Run& run, std::string path);

}  // namespace qmon
