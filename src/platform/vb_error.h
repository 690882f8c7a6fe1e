// The error every procedure catches at its own boundary: a runtime error number
// and its English description, as the program logs and reports them.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace qmon {

struct VbError {
  int32_t number = 0;
  std::string description;

  VbError(int32_t n, std::string d) : number(n), description(std::move(d)) {}
  // The runtime's own text for a built-in error number.
  explicit VbError(int32_t n);
};

// Runtime error numbers the program raises or meets.
namespace vberr {
inline constexpr int32_t kInvalidCall = 5;
inline constexpr int32_t kOverflow = 6;
inline constexpr int32_t kOutOfMemory = 7;
inline constexpr int32_t kSubscriptOutOfRange = 9;
inline constexpr int32_t kTypeMismatch = 13;
inline constexpr int32_t kFileNotFound = 53;
inline constexpr int32_t kFileAlreadyExists = 58;
inline constexpr int32_t kPermissionDenied = 70;
inline constexpr int32_t kPathFileAccess = 75;
inline constexpr int32_t kPathNotFound = 76;
inline constexpr int32_t kObjectNotSet = 91;
inline constexpr int32_t kCantCreateObject = 429;
inline constexpr int32_t kLibraryNotRegistered = -2147319779;  // 0x8002801D
}  // namespace vberr

// The runtime error that a failed system call with this Win32 error code
// (GetLastError) raises in the scripting runtime's file functions.
VbError VbErrorFromWin32(uint32_t code);

// The runtime's English text for a built-in error number, or
// "Application-defined or object-defined error" for any other number.
std::string VbErrorText(int32_t number);

// Runs one statement under "On Error Resume Next": a runtime error is
// passed over and the caller goes on with its next statement.
template <typename Statement>
void ResumeNext(Statement&& statement) {
  try {
    statement();
  } catch (const VbError&) {
  }
}

// Ends the process. Thrown by the procedures that end the run; only main()
// turns it into an exit, so tests can run Main many times in one process.
struct ProcessEnd {};

}  // namespace qmon
