#include <algorithm>
#include <cctype>

#include "platform/env.h"
#include "platform/vb_error.h"

namespace qmon::platform {
namespace {

bool SameProgId(const std::string& a, const std::string& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace

void ComponentRegistry::Register(const std::string& progId, Factory factory) {
  for (auto& [id, f] : factories_) {
    if (SameProgId(id, progId)) {
      f = std::move(factory);
      return;
    }
  }
  factories_.emplace_back(progId, std::move(factory));
}

std::unique_ptr<WebPostObject> ComponentRegistry::CreateObject(const std::string& progId) const {
  for (const auto& [id, factory] : factories_) {
    if (SameProgId(id, progId)) {
      if (auto object = factory()) return object;
      break;
    }
  }
  throw VbError(vberr::kCantCreateObject);
}

}  // namespace qmon::platform
