#include "platform/posix/names.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

#include "platform/utf8.h"

namespace qmon::platform::posix {
namespace {

// The casing table that NTFS (Vista and later) writes into $UpCase, in three
// compact forms: ranges shifted by a constant, ranges of upper/lower pairs,
// and single characters.
struct Run {
  char16_t first, end;  // [first, end)
  int add;
};
constexpr Run kRuns[] = {
    {0x0061, 0x007b, -32},  {0x00e0, 0x00f7, -32},   {0x00f8, 0x00ff, -32}, {0x0256, 0x0258, -205},
    {0x028a, 0x028c, -217}, {0x037b, 0x037e, 130},   {0x03ac, 0x03ad, -38}, {0x03ad, 0x03b0, -37},
    {0x03b1, 0x03c2, -32},  {0x03c2, 0x03c3, -31},   {0x03c3, 0x03cc, -32}, {0x03cc, 0x03cd, -64},
    {0x03cd, 0x03cf, -63},  {0x0430, 0x0450, -32},   {0x0450, 0x0460, -80}, {0x0561, 0x0587, -48},
    {0x1f00, 0x1f08, 8},    {0x1f10, 0x1f16, 8},     {0x1f20, 0x1f28, 8},   {0x1f30, 0x1f38, 8},
    {0x1f40, 0x1f46, 8},    {0x1f51, 0x1f52, 8},     {0x1f53, 0x1f54, 8},   {0x1f55, 0x1f56, 8},
    {0x1f57, 0x1f58, 8},    {0x1f60, 0x1f68, 8},     {0x1f70, 0x1f72, 74},  {0x1f72, 0x1f76, 86},
    {0x1f76, 0x1f78, 100},  {0x1f78, 0x1f7a, 128},   {0x1f7a, 0x1f7c, 112}, {0x1f7c, 0x1f7e, 126},
    {0x1f80, 0x1f88, 8},    {0x1f90, 0x1f98, 8},     {0x1fa0, 0x1fa8, 8},   {0x1fb0, 0x1fb2, 8},
    {0x1fb3, 0x1fb4, 9},    {0x1fcc, 0x1fcd, -9},    {0x1fd0, 0x1fd2, 8},   {0x1fe0, 0x1fe2, 8},
    {0x1fe5, 0x1fe6, 7},    {0x1ffc, 0x1ffd, -9},    {0x2170, 0x2180, -16}, {0x24d0, 0x24ea, -26},
    {0x2c30, 0x2c5f, -48},  {0x2d00, 0x2d26, -7264}, {0xff41, 0xff5b, -32}};

// Upper case at `upper`, lower case right after it, for upper in
// [first, end) stepping by two.
struct Pairs {
  char16_t first, end;
};
constexpr Pairs kPairs[] = {
    {0x0100, 0x012f}, {0x0132, 0x0137}, {0x0139, 0x0149}, {0x014a, 0x0178}, {0x0179, 0x017e},
    {0x01a0, 0x01a6}, {0x01b3, 0x01b7}, {0x01cd, 0x01dd}, {0x01de, 0x01ef}, {0x01f4, 0x01f5},
    {0x01f8, 0x01f9}, {0x01fa, 0x0220}, {0x0222, 0x0234}, {0x023b, 0x023c}, {0x0241, 0x0242},
    {0x0246, 0x024f}, {0x03d8, 0x03ef}, {0x03f7, 0x03f8}, {0x03fa, 0x03fb}, {0x0460, 0x0481},
    {0x048a, 0x04bf}, {0x04c1, 0x04c4}, {0x04c5, 0x04c8}, {0x04c9, 0x04ce}, {0x04ec, 0x04ed},
    {0x04d0, 0x04eb}, {0x04ee, 0x04f5}, {0x04f6, 0x0513}, {0x1e00, 0x1e95}, {0x1ea0, 0x1ef9},
    {0x2183, 0x2184}, {0x2c60, 0x2c61}, {0x2c67, 0x2c6c}, {0x2c75, 0x2c76}, {0x2c80, 0x2ce3}};

struct Single {
  char16_t lower, upper;
};
constexpr Single kSingles[] = {
    {0x00ff, 0x0178}, {0x0180, 0x0243}, {0x0183, 0x0182}, {0x0185, 0x0184}, {0x0188, 0x0187},
    {0x018c, 0x018b}, {0x0192, 0x0191}, {0x0195, 0x01f6}, {0x0199, 0x0198}, {0x019a, 0x023d},
    {0x019e, 0x0220}, {0x01a8, 0x01a7}, {0x01ad, 0x01ac}, {0x01b0, 0x01af}, {0x01b9, 0x01b8},
    {0x01bd, 0x01bc}, {0x01bf, 0x01f7}, {0x01c6, 0x01c4}, {0x01c9, 0x01c7}, {0x01cc, 0x01ca},
    {0x01dd, 0x018e}, {0x01f3, 0x01f1}, {0x023a, 0x2c65}, {0x023e, 0x2c66}, {0x0253, 0x0181},
    {0x0254, 0x0186}, {0x0259, 0x018f}, {0x025b, 0x0190}, {0x0260, 0x0193}, {0x0263, 0x0194},
    {0x0268, 0x0197}, {0x0269, 0x0196}, {0x026b, 0x2c62}, {0x026f, 0x019c}, {0x0272, 0x019d},
    {0x0275, 0x019f}, {0x027d, 0x2c64}, {0x0280, 0x01a6}, {0x0283, 0x01a9}, {0x0288, 0x01ae},
    {0x0289, 0x0244}, {0x028c, 0x0245}, {0x0292, 0x01b7}, {0x03f2, 0x03f9}, {0x04cf, 0x04c0},
    {0x1d7d, 0x2c63}, {0x214e, 0x2132}};

using UpcaseTable = std::array<char16_t, 0x10000>;

UpcaseTable BuildTable() {
  UpcaseTable t{};
  for (size_t i = 0; i < t.size(); ++i) t[i] = static_cast<char16_t>(i);
  for (const Run& r : kRuns) {
    for (int c = r.first; c < r.end; ++c) t[c] = static_cast<char16_t>(c + r.add);
  }
  for (const Pairs& p : kPairs) {
    for (int c = p.first; c < p.end; c += 2) t[c + 1] = static_cast<char16_t>(c);
  }
  for (const Single& s : kSingles) t[s.lower] = s.upper;
  return t;
}

const UpcaseTable& Table() {
  static const UpcaseTable table = BuildTable();
  return table;
}

// A name's key units one at a time, so that comparing and hashing build no
// key. A byte that is not part of valid UTF-8 becomes a lone low surrogate
// (0xDC00 + byte), so distinct raw names never compare equal.
class KeyUnits {
 public:
  explicit KeyUnits(std::string_view name) : name_(name) {}

  // False at the end of the name.
  bool Next(char16_t* unit) {
    if (low_ != 0) {
      *unit = std::exchange(low_, 0);
      return true;
    }
    if (i_ >= name_.size()) return false;
    const auto b = static_cast<uint8_t>(name_[i_]);
    bool valid = false;
    const char32_t cp = NextCodePoint(name_, &i_, &valid);
    if (!valid) {
      *unit = static_cast<char16_t>(0xDC00 + b);
    } else if (cp > 0xFFFF) {
      *unit = static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      low_ = static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    } else {
      *unit = Table()[cp];
    }
    return true;
  }

 private:
  std::string_view name_;
  size_t i_ = 0;
  char16_t low_ = 0;  // the second half of a surrogate pair, when one is due
};

// Compares the keys of two names: <0, 0, >0.
int CompareKeys(std::string_view a, std::string_view b) {
  KeyUnits ka(a), kb(b);
  for (;;) {
    char16_t ua = 0, ub = 0;
    const bool more_a = ka.Next(&ua), more_b = kb.Next(&ub);
    if (!more_a || !more_b) return more_a - more_b;
    if (ua != ub) return ua < ub ? -1 : 1;
  }
}

}  // namespace

std::u16string WinNameKey(std::string_view name) {
  std::u16string out;
  out.reserve(name.size());
  KeyUnits units(name);
  for (char16_t unit = 0; units.Next(&unit);) out.push_back(unit);
  return out;
}

uint64_t WinNameHash(std::string_view name) {
  uint64_t hash = 0xcbf29ce484222325;  // FNV-1a
  KeyUnits units(name);
  for (char16_t unit = 0; units.Next(&unit);) hash = (hash ^ unit) * 0x100000001b3;
  return hash;
}

bool WinNameEquals(std::string_view a, std::string_view b) {
  return a == b || CompareKeys(a, b) == 0;
}

bool WinNameLess(std::string_view a, std::string_view b) { return CompareKeys(a, b) < 0; }

}  // namespace qmon::platform::posix
