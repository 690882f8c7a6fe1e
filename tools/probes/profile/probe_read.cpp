// GetPrivateProfileStringA / GetPrivateProfileSectionNamesA on odd files:
// quotes and small buffers, defaults, comments, empty names, control bytes,
// key lists of missing and empty sections.
#include "probe.h"

using namespace probe;

int main() {
  int n = 0;
  auto fresh = [&](const std::string& bytes) {
    std::string p = PathOf(("r" + std::to_string(++n) + ".ini").c_str());
    Remove(p);
    if (bytes != "<none>") Put(p, bytes);
    return p;
  };

  Case("quoted value, small buffers");
  std::string p = fresh("[A]\r\nq=\"quoted\"\r\ns='ab'\r\n");
  for (DWORD k : {5, 6, 7, 8, 9}) Get("A", "q", "", k, p);
  Get("A", "s", "", 3, p);
  Get("A", "s", "", 4, p);

  Case("default: quotes, blanks, small buffers");
  Get("A", "none", "\"dq\"", 64, p);
  Get("A", "none", "  x y  ", 64, p);
  Get("A", "none", "x\t", 64, p);
  Get("A", "none", "abcdef", 4, p);
  Get("A", "none", "abc   ", 4, p);
  Get("A", "none", nullptr, 4, p);

  Case("comment lines and lines without =");
  p = fresh("[A]\r\n; c=x\r\n;d\r\n#h=1\r\nplain\r\nk=v\r\n");
  Get("A", "; c", "def", 64, p);
  Get("A", ";d", "def", 64, p);
  Get("A", "plain", "def", 64, p);
  Get("A", nullptr, "def", 64, p);

  Case("key list of a missing and of an empty section");
  p = fresh("[A]\r\n[B]\r\nk=v\r\n");
  Get("A", nullptr, "def", 64, p);
  Get("Z", nullptr, "def", 64, p);
  Get("Z", nullptr, "def", 2, p);

  Case("section list on a file without sections, with section \"\"");
  p = fresh("k=v\r\n");
  Get(nullptr, nullptr, "def", 64, p);
  Names(64, p);
  p = fresh("[]\r\nk=v\r\n[B]\r\n");
  Get(nullptr, nullptr, "def", 64, p);
  Names(64, p);
  Get("", "k", "def", 64, p);

  Case("control bytes around names and values");
  p = fresh(std::string("\0\0\r\n[A]\r\n\x1A" "k\x1A=\x01v\x1A\x01\r\n\x0B m=1\r\n", 32));
  Get("A", "k", "def", 64, p);
  Get("A", "m", "def", 64, p);
  Get("A", nullptr, "def", 64, p);
  Names(64, p);

  Case("section header forms");
  p = fresh("  [ Sec One ]  \r\nk=1\r\n[S] x\r\nk=2\r\n[a]b]\r\nk=3\r\n[noclose\r\nk=4\r\n[noclose=5\r\n");
  Names(128, p);
  Get("S", nullptr, "def", 64, p);
  Get("a]b", nullptr, "def", 64, p);

  Case("UTF-8 BOM before the first section");
  p = fresh("\xEF\xBB\xBF[A]\r\nk=v\r\n[B]\r\nk=w\r\n");
  Names(64, p);
  Get("A", "k", "def", 64, p);

  Case("missing file");
  p = fresh("<none>");
  Get(nullptr, nullptr, "def", 64, p);
  Get("A", nullptr, "def", 64, p);
  Get("A", "k", "def", 64, p);
  Names(64, p);
  return 0;
}
