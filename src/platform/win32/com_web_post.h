// The agent's web-post component ("qWbPost.WebPost") as the real COM object,
// created and called late-bound as the VB runtime's CreateObject does.
#pragma once

#include <string>

#include "platform/env.h"

namespace qmon::platform::win32 {

// Keeps COM initialised on this thread (a single-threaded apartment) for the
// object's life. A thread already in the multithreaded apartment stays there.
class ComApartment {
 public:
  ComApartment();
  ~ComApartment();
  ComApartment(const ComApartment&) = delete;
  ComApartment& operator=(const ComApartment&) = delete;

 private:
  bool initialised_;
};

// Registers under `progId` a factory that creates the class through COM
// (CLSIDFromProgID, CoCreateInstance for IDispatch). Creation failures raise
// the runtime's error (VbErrorFromHresult); calls of PostXMLString raise what
// the call raised (438 when the object has no such method, the object's own
// error for DISP_E_EXCEPTION).
void RegisterComComponent(ComponentRegistry& registry, const std::string& progId);

}  // namespace qmon::platform::win32
