// The platform: every Windows piece the program leans on, behind one set of
// interfaces. The posix/ backend emulates a Windows machine under QMON_PREFIX;
// a win32/ backend forwards to the real APIs. Tests swap single parts.
//
// Two kinds of text cross this boundary:
//  - the ANSI functions (registry, profile, GetShortPathNameA, ...) take and
//    answer bytes of the ANSI code page, exactly as their Win32 namesakes do;
//    callers convert with CodePage at each call;
//  - the file-system object (FileExists, CreateText, ...) takes UTF-8 text,
//    as the scripting runtime takes Unicode.
// Method names avoid the Win32 macro names (CreateFile, DeleteFile, ...).
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qmon::platform {

// ---- Code page -------------------------------------------------------------

class CodePage {
 public:
  virtual ~CodePage() = default;
  // UTF-8 to the ANSI code page. A character the code page cannot hold becomes
  // "?" and sets *lossy.
  virtual std::string ToAnsi(std::string_view text, bool* lossy = nullptr) const = 0;
  // ANSI bytes back to UTF-8.
  virtual std::string FromAnsi(std::string_view ansi) const = 0;
};

// ---- Registry (ANSI functions) -------------------------------------------

// Pointer-sized, as HKEY is: the Windows backend hands out the system's own
// handles, so a handle in the log is the one the system gave.
using Hkey = uintptr_t;
inline constexpr Hkey kHkeyLocalMachine = 0x80000002u;
inline constexpr uint32_t kRegSz = 1;
inline constexpr uint32_t kRegDword = 4;
inline constexpr uint32_t kKeyRead = 0x20019;

// Win32 error codes answered by the ANSI functions.
inline constexpr int32_t kErrorSuccess = 0;
inline constexpr int32_t kErrorFileNotFound = 2;
inline constexpr int32_t kErrorPathNotFound = 3;
inline constexpr int32_t kErrorAccessDenied = 5;
inline constexpr int32_t kErrorTooManyOpenFiles = 4;
inline constexpr int32_t kErrorInvalidHandle = 6;
inline constexpr int32_t kErrorWriteFault = 29;
inline constexpr int32_t kErrorSharingViolation = 32;
inline constexpr int32_t kErrorFileExists = 80;
inline constexpr int32_t kErrorDiskFull = 112;
inline constexpr int32_t kErrorMoreData = 234;
inline constexpr int32_t kErrorIoDevice = 1117;
inline constexpr int32_t kErrorRegistryIoFailed = 1016;

class Registry {
 public:
  virtual ~Registry() = default;
  // RegOpenKeyExA. Answers a Win32 error code, 0 on success.
  virtual int32_t OpenKeyEx(Hkey root, const std::string& subkey, uint32_t options,
                            uint32_t access, Hkey* result) = 0;
  // RegCreateKeyA: opens the key, creating every missing level.
  virtual int32_t CreateKey(Hkey root, const std::string& subkey, Hkey* result) = 0;
  // RegQueryValueExA. `data` may be null to ask for type and size only; *size
  // is the buffer size on entry and the value's size on return.
  virtual int32_t QueryValueEx(Hkey key, const std::string& name, uint32_t* type,
                               uint8_t* data, uint32_t* size) = 0;
  // RegSetValueExA.
  virtual int32_t SetValueEx(Hkey key, const std::string& name, uint32_t type,
                             const uint8_t* data, uint32_t size) = 0;
  // RegDeleteValueA.
  virtual int32_t DeleteValue(Hkey key, const std::string& name) = 0;
  // RegCloseKey.
  virtual int32_t CloseKey(Hkey key) = 0;
};

// ---- Private-profile functions (ANSI) ------------------------------------

class Profile {
 public:
  virtual ~Profile() = default;
  // GetPrivateProfileStringA. Section, key and def may be null. Answers the
  // count of characters copied, as Windows does (truncation rules included).
  virtual uint32_t GetString(const char* section, const char* key, const char* def,
                             char* buffer, uint32_t size, const char* file) = 0;
  // GetPrivateProfileIntA.
  virtual uint32_t GetInt(const char* section, const char* key, int32_t def,
                          const char* file) = 0;
  // GetPrivateProfileSectionNamesA.
  virtual uint32_t GetSectionNames(char* buffer, uint32_t size, const char* file) = 0;
  // WritePrivateProfileStringA. A null key deletes the section, a null value
  // deletes the key. The writes to a file are kept, and answer the reads of
  // it, until a call with section, key and value all null writes the file
  // whole (every file with writes kept, when the file is null too); that
  // call answers false, with the error of the write set.
  virtual bool WriteString(const char* section, const char* key, const char* value,
                           const char* file) = 0;
};

// ---- Files -----------------------------------------------------------------

// A text stream of the file-system object, ANSI format.
class TextStream {
 public:
  virtual ~TextStream() = default;
  // Converts to the ANSI code page; a character it cannot hold raises
  // VbError 5 and nothing of that call is written.
  virtual void Write(std::string_view text) = 0;
  // Write(text) followed by CR LF.
  virtual void WriteLine(std::string_view text) = 0;
  virtual void Close() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  // The scripting runtime's file-system object. Paths in Windows form
  // (C:\Agent\...), UTF-8. Failures raise VbError with the runtime's number.
  virtual bool FileExists(const std::string& path) = 0;
  virtual bool FolderExists(const std::string& path) = 0;
  // Creates the last level only: 58 when it exists, 76 when the parent is missing.
  virtual void CreateFolder(const std::string& path) = 0;
  // Names of the files of a folder (GetFolder(path).Files), in the order the
  // file system lists them; 76 when the folder is missing.
  virtual std::vector<std::string> ListFiles(const std::string& folder) = 0;
  // CopyFile with overwrite True. The target is replaced whole, never seen
  // half copied.
  virtual void CopyOver(const std::string& from, const std::string& to) = 0;
  // DeleteFile(path, force).
  virtual void RemoveFile(const std::string& path, bool force) = 0;
  // CreateTextFile(path, overwrite True, Unicode False). The file keeps what
  // it held until the first text is written, or the stream is closed (or
  // released) with nothing written; then it holds that text, whole.
  virtual std::unique_ptr<TextStream> CreateText(const std::string& path) = 0;
  // OpenTextFile(path, ForAppending, create False, ANSI).
  virtual std::unique_ptr<TextStream> OpenTextForAppend(const std::string& path) = 0;
  // The file's bytes, for readers below the runtime (DOM load, MD5); nullopt
  // when it cannot be read.
  virtual std::optional<std::string> ReadBytes(const std::string& path) = 0;

  // Win32 ANSI functions.
  // GetShortPathNameA: answers the count copied, or the size needed when the
  // buffer is too small, or 0 when the path does not exist.
  virtual uint32_t ShortPathName(const char* path, char* buffer, uint32_t size) = 0;
  // SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL): clears read-only.
  virtual bool SetAttributesNormal(const char* path) = 0;
  // MakeSureDirectoryPathExists (image-help): creates every missing level of
  // the folder part of the path (up to its last backslash).
  virtual bool MakeSureDirectoryPathExists(const char* path) = 0;
};

// ---- Clock -----------------------------------------------------------------

struct LocalTime {
  int year = 1899, month = 12, day = 30, hour = 0, minute = 0, second = 0;
  bool operator==(const LocalTime&) const = default;
};

class Clock {
 public:
  virtual ~Clock() = default;
  // The local date and time, truncated to the second.
  virtual LocalTime Now() = 0;
  // The user's regional short-date and long-time formats, as the VB runtime
  // writes a Date (US English: "3/4/2026", "9:05:07 AM").
  virtual std::string ShortDate(const LocalTime& t) = 0;
  virtual std::string LongTime(const LocalTime& t) = 0;
};

// ---- The running program and the system ----------------------------------

struct ProgramVersion {
  int major = 0, minor = 0, revision = 0;
};

class System {
 public:
  virtual ~System() = default;
  // The command line as the program was started with it, after the program's
  // own name and the blanks that follow it (the VB runtime's Command).
  virtual std::string CommandLine() = 0;
  // The program's own version numbers (App.Major, App.Minor, App.Revision).
  virtual ProgramVersion Version() = 0;
  // True when no other instance runs; the claim lasts until the process ends
  // (a crash releases it).
  virtual bool ClaimSingleInstance() = 0;
  // The folder the program runs from (App.Path), without a trailing backslash.
  virtual std::string ProgramFolder() = 0;
  // Starts a command line as a separate process, minimized, without waiting.
  virtual void StartProcess(const std::string& commandLine) = 0;
  // FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM, code, language 0) into an ANSI
  // buffer; answers the count, 0 when there is no message or it does not fit.
  virtual uint32_t FormatSystemMessage(uint32_t code, char* buffer, uint32_t size) = 0;
};

// ---- The agent's MD5 library ----------------------------------------------

class Md5Library {
 public:
  virtual ~Md5Library() = default;
  // QGetMD5 and QGetMD5WBlock: non-zero on success with the digest and the
  // size filled, 0 with an error text otherwise. Raise VbError 53
  // "File not found: QGnMD5" when the library cannot be loaded.
  virtual int16_t QGetMD5(const std::string& path, std::string& digest, std::string& size,
                          std::string& error) = 0;
  virtual int16_t QGetMD5WBlock(const std::string& path, const std::string& blockKb,
                                std::string& digest, std::string& size, std::string& error) = 0;
};

// ---- COM components --------------------------------------------------------

// The agent's web-post component ("qWbPost.WebPost"), called by name through
// its dispatch interface.
class WebPostObject {
 public:
  virtual ~WebPostObject() = default;
  // Posts `xml` to `url`. True: the exchange completed and `response` holds the
  // server's answer. False: `error1` to `error3` tell what happened. May raise
  // VbError 429 or -2147319779 (type library not registered).
  virtual bool PostXMLString(std::string& xml, bool flag, std::string& url, std::string arg4,
                             std::string arg5, std::string& response, std::string& error1,
                             std::string& error2, std::string& error3) = 0;
};

// CreateObject: the components known by ProgID (without regard to case).
class ComponentRegistry {
 public:
  using Factory = std::function<std::unique_ptr<WebPostObject>()>;

  void Register(const std::string& progId, Factory factory);
  // A new object; VbError 429 "ActiveX component can't create object" when
  // the ProgID is not registered or its factory makes nothing.
  std::unique_ptr<WebPostObject> CreateObject(const std::string& progId) const;

 private:
  std::vector<std::pair<std::string, Factory>> factories_;
};

// ---- The whole platform ------------------------------------------------------

// What one run works with. Parts are owned elsewhere (the backend, or a test).
struct Env {
  CodePage* codepage = nullptr;
  Registry* registry = nullptr;
  Profile* profile = nullptr;
  FileSystem* fs = nullptr;
  Clock* clock = nullptr;
  System* system = nullptr;
  Md5Library* md5 = nullptr;
  ComponentRegistry* components = nullptr;
};

// A backend: owns its parts and hands out an Env over them.
class Platform {
 public:
  virtual ~Platform() = default;
  virtual Env env() = 0;
};

// The backend this build was made for (posix/ or win32/).
std::unique_ptr<Platform> MakeDefaultPlatform();

}  // namespace qmon::platform
