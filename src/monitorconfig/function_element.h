// One monitoring function of the master template as the conversion reads it:
// the element and its four attributes, and the test whether it applies to
// this agent.
#pragma once

#include <string>

#include "platform/xml/dom.h"
#include "run/run.h"

namespace qmon {

struct FunctionElement {
  platform::xml::Node element;
  std::string FunctionID;
  std::string scriptid;
  std::string exclsp;
  std::string fncname;
};

// Reads the four attributes; a missing one (or a node that is no element)
// raises VbError 91.
FunctionElement ReadFunctionElement(const platform::xml::Node& element);

// The service filter: taken unless exclsp names the agent's service id as a
// whole item. An empty service id or an empty exclsp takes every function.
bool IsTakenForService(const Run& run, const FunctionElement& function);

// The text of a node's attribute; VbError 91 when it is missing.
std::string AttributeText(const platform::xml::Node& node, const std::string& name);

}  // namespace qmon
