// WritePrivateProfileStringA on files that are not canonical: blanks, odd
// line ends, comments, duplicates, missing files and folders, read-only.
#include "probe.h"

using namespace probe;

int main() {
  int n = 0;
  auto fresh = [&](const std::string& bytes) {
    std::string p = PathOf(("w" + std::to_string(++n) + ".ini").c_str());
    Remove(p);
    if (bytes != "<none>") Put(p, bytes);
    return p;
  };

  Case("blanks around names and value, new file");
  std::string p = fresh("<none>");
  Write("  S  ", "  k  ", "  v  ", p);
  Get("S", "k", "def", 64, p);
  Write("S", "k2", "\tv\t", p);

  Case("replace value on a line with blanks around = and value");
  p = fresh("[A]\r\n  key1 = v1   \r\nkey2=\"q\"\r\n");
  Write("A", "KEY1", "changed", p);
  Write("A", "key2", "x", p);

  Case("missing final line end, append key then section");
  p = fresh("[A]\r\nx=1");
  Write("A", "y", "2", p);
  p = fresh("[A]\r\nx=1");
  Write("B", "y", "2", p);

  Case("LF-only and CR-only lines");
  p = fresh("[A]\nx=1\ny=2\n[B]\nz=3\n");
  Write("A", "x", "9", p);
  Write("A", "n", "new", p);
  p = fresh("[A]\rx=1\r");
  Write("A", "n", "new", p);

  Case("new key in a section followed by blank lines and a comment");
  p = fresh("[A]\r\nx=1\r\n\r\n; c\r\n\r\n[B]\r\nz=3\r\n");
  Write("A", "y", "2", p);
  Write("B", "w", "4", p);

  Case("delete section with trailing blank lines");
  p = fresh("; top\r\n[A]\r\nx=1\r\n\r\n[B]\r\nz=3\r\n");
  Write("A", nullptr, nullptr, p);
  Write("B", "z", nullptr, p);

  Case("keys before the first section");
  p = fresh("k0=v0\r\n[A]\r\nx=1\r\n");
  Get("", "k0", "def", 64, p);
  Write("A", "y", "2", p);

  Case("duplicates");
  p = fresh("[A]\r\nk=1\r\nk=2\r\n[a]\r\nk=3\r\nm=4\r\n");
  Get("A", "k", "def", 64, p);
  Get("A", "m", "def", 64, p);
  Write("A", "k", "9", p);
  Write("A", "k", nullptr, p);
  Write("A", nullptr, nullptr, p);

  Case("delete from a missing file");
  p = fresh("<none>");
  Write("A", "k", nullptr, p);
  p = fresh("<none>");
  Write("A", nullptr, nullptr, p);

  Case("missing folder");
  Write("A", "k", "v", "C:\\nofolder\\x.ini");
  Write("A", "k", nullptr, "C:\\nofolder\\x.ini");
  Write("A", nullptr, nullptr, "C:\\nofolder\\x.ini");
  Get("A", "k", "def", 64, "C:\\nofolder\\x.ini");

  Case("read-only file: change, no change, delete");
  p = fresh("[A]\r\nk=v\r\n");
  SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_READONLY);
  Write("A", "k", "w", p);
  Write("A", "k", "v", p);
  Write("A", "k", nullptr, p);
  Write("A", nullptr, nullptr, p);
  Write("Z", nullptr, nullptr, p);
  SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);

  Case("null section");
  p = fresh("[A]\r\nk=v\r\n");
  Write(nullptr, "k", "v", p);
  Write(nullptr, nullptr, nullptr, p);

  Case("CR LF inside a value, then rewrite of the same key");
  p = fresh("<none>");
  Write("1", "a", "x", p);
  Write("1", "w", "0,1\r\n", p);
  Write("2", "a", "y", p);
  Write("1", "w", "0,1\r\n", p);
  Get("1", "w", "def", 64, p);
  return 0;
}
