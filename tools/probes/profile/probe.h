// Shared helpers for the profile probes: build a file byte for byte, call a
// function with a sentinel-filled buffer and a sentinel last error, print
// what the call answered and the file's bytes afterwards, escaped.
#pragma once

#include <windows.h>

#include <cstdio>
#include <string>

namespace probe {

inline const char* kDir = "C:\\probe";

inline std::string PathOf(const char* name) {
  CreateDirectoryA(kDir, nullptr);
  return std::string(kDir) + "\\" + name;
}

inline std::string Escape(const char* p, size_t n) {
  std::string out;
  for (size_t i = 0; i < n; ++i) {
    unsigned char c = static_cast<unsigned char>(p[i]);
    if (c == 0) out += "\\0";
    else if (c == '\r') out += "\\r";
    else if (c == '\n') out += "\\n";
    else if (c == '\t') out += "\\t";
    else if (c == '\\') out += "\\\\";
    else if (c < 0x20 || c >= 0x7F) { char b[8]; snprintf(b, sizeof b, "\\x%02X", c); out += b; }
    else out += static_cast<char>(c);
  }
  return out;
}

inline void Put(const std::string& path, const std::string& bytes) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                         FILE_ATTRIBUTE_NORMAL, nullptr);
  DWORD done = 0;
  WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
  CloseHandle(h);
}

inline void Remove(const std::string& path) {
  SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  DeleteFileA(path.c_str());
}

// Prints the file's bytes, or <missing>.
inline void Dump(const std::string& path) {
  HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                         nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) { printf("    file: <missing>\n"); return; }
  static char buf[65536];
  DWORD got = 0;
  ReadFile(h, buf, sizeof buf, &got, nullptr);
  CloseHandle(h);
  printf("    file: \"%s\" (%lu bytes)\n", Escape(buf, got).c_str(), got);
}

inline const char* Show(const char* s) {
  static std::string keep[8];
  static int slot = 0;
  if (!s) return "NULL";
  std::string& k = keep[slot++ % 8];
  k = "\"" + Escape(s, strlen(s)) + "\"";
  return k.c_str();
}

// GetPrivateProfileStringA into a buffer of n bytes pre-filled with '#'.
inline void Get(const char* sec, const char* key, const char* def, DWORD n,
                const std::string& path) {
  char buf[4096];
  memset(buf, '#', sizeof buf);
  SetLastError(0xdeadbeef);
  DWORD r = GetPrivateProfileStringA(sec, key, def, buf, n, path.c_str());
  DWORD e = GetLastError();
  printf("  Get(%s,%s,def=%s,n=%lu) -> %lu err=%ld buf=\"%s\"\n", Show(sec), Show(key),
         Show(def), n, r, static_cast<long>(e), Escape(buf, n + 2).c_str());
}

inline void Names(DWORD n, const std::string& path) {
  char buf[4096];
  memset(buf, '#', sizeof buf);
  SetLastError(0xdeadbeef);
  DWORD r = GetPrivateProfileSectionNamesA(buf, n, path.c_str());
  DWORD e = GetLastError();
  printf("  Names(n=%lu) -> %lu err=%ld buf=\"%s\"\n", n, r, static_cast<long>(e),
         Escape(buf, n + 2).c_str());
}

inline void Int(const char* sec, const char* key, int def, const std::string& path) {
  SetLastError(0xdeadbeef);
  UINT r = GetPrivateProfileIntA(sec, key, def, path.c_str());
  printf("  Int(%s,%s,def=%d) -> %u (%d) err=%ld\n", Show(sec), Show(key), def, r,
         static_cast<int>(r), static_cast<long>(GetLastError()));
}

inline void Write(const char* sec, const char* key, const char* val, const std::string& path) {
  SetLastError(0xdeadbeef);
  BOOL r = WritePrivateProfileStringA(sec, key, val, path.c_str());
  DWORD e = GetLastError();
  printf("  Write(%s,%s,%s) -> %d err=%ld\n", Show(sec), Show(key), Show(val), r,
         static_cast<long>(e));
  Dump(path);
}

inline void Case(const char* title) { printf("\n== %s\n", title); }

}  // namespace probe
