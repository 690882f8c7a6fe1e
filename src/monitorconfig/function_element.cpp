#include "monitorconfig/function_element.h"

namespace qmon {

std::string AttributeText(const platform::xml::Node& node, const std::string& name) {
  return node.attributes().getNamedItem(name).text();
}

FunctionElement ReadFunctionElement(const platform::xml::Node& element) {
  return FunctionElement{element, AttributeText(element, "FunctionID"),
                         AttributeText(element, "scriptid"), AttributeText(element, "exclsp"),
                         AttributeText(element, "fncname")};
}

bool IsTakenForService(const Run& run, const FunctionElement& function) {
  if (run.strServiceID.empty() || function.exclsp.empty()) return true;
  const std::string list = "," + function.exclsp + ",";
  return list.find("," + run.strServiceID + ",") == std::string::npos;
}

}  // namespace qmon
