// GetPrivateProfileIntA over a table of values, including long digit runs
// that show how much of the value the function looks at.
#include "probe.h"

using namespace probe;

int main() {
  const char* values[] = {"12abc", " 7", "-3", "+1", "0x10", "0X1F", "0b101", "0o17", "010",
                          "", "abc", "4294967296", "-4294967297", "99999999999", "\"42\"",
                          "- 5", "-", "0x", "\" -8 \"", "1 2", "\xA0" "5",
                          "0000000000000000000000000000000000000042"};
  std::string text = "[A]\r\n";
  for (size_t i = 0; i < sizeof values / sizeof *values; ++i)
    text += "k" + std::to_string(i) + "=" + values[i] + "\r\n";
  std::string p = PathOf("int.ini");
  Put(p, text);
  for (size_t i = 0; i < sizeof values / sizeof *values; ++i) {
    printf("value %s:", Show(values[i]));
    Int("A", ("k" + std::to_string(i)).c_str(), 77, p);
  }
  Int("A", "missing", 77, p);
  Int("A", "missing", -1, p);
  Int(nullptr, "k0", 77, p);
  return 0;
}
