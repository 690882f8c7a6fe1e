// Writes to a read-only file. Run it as an ordinary user: root ignores the
// permission bits Wine maps the attribute to.
#include "probe.h"

using namespace probe;

int main() {
  std::string p = PathOf("ro.ini");
  Put(p, "[A]\r\nk=v\r\n");
  SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_READONLY);
  Write("A", "k", "w", p);        // a change
  Write("A", "k", "v", p);        // no change
  Write("A", "k", nullptr, p);    // delete a key
  Write("Z", nullptr, nullptr, p);  // delete a missing section
  Get("A", "k", "def", 16, p);
  SetFileAttributesA(p.c_str(), FILE_ATTRIBUTE_NORMAL);
  Remove(p);
  return 0;
}
