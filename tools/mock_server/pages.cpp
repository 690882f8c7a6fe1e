#include "pages.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <string_view>

namespace qmon::mock {
namespace {

constexpr std::string_view kTemplatePage = "tfr_wpscriptmontmpltdtls.asp";
constexpr std::string_view kFailurePage = "tfr_wpdcmsccrgidmontmpupdfail.asp";

std::string PageOf(const std::string& path) {
  std::string page = path.substr(path.find_last_of('/') + 1);
  std::transform(page.begin(), page.end(), page.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return page;
}

std::string InidOf(const std::string& xml) {
  constexpr std::string_view kOpen = "<inid>";
  const size_t start = xml.find(kOpen);
  if (start == std::string::npos) return {};
  const size_t end = xml.find("</inid>", start);
  if (end == std::string::npos) return {};
  return xml.substr(start + kOpen.size(), end - start - kOpen.size());
}

std::string TemplateAnswer(const std::string& folder, const std::string& xml) {
  const std::string id = InidOf(xml);
  // The id names a file of the folder and nothing outside it.
  if (folder.empty() || id.empty() ||
      id.find_first_of(std::string_view("/\0", 2)) != std::string::npos) {
    return {};
  }
  std::ifstream file(folder + "/" + id + ".xml", std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace

void AnswerPage(const Options& options, const httplib::Request& request,
                httplib::Response& response) {
  const std::string page = PageOf(request.path);
  if (page == kTemplatePage) {
    response.set_content(TemplateAnswer(options.templates, request.body), options.contentType);
  } else if (page == kFailurePage) {
    response.set_content(options.failAnswer, options.contentType);
  } else {
    response.status = 404;
    response.set_content("No such page: " + request.path + "\n", "text/plain");
  }
}

}  // namespace qmon::mock
