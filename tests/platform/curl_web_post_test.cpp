#include "platform/posix/curl_web_post.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/case_file.h"
#include "platform/web_post_rules.h"
#include "support/mock_server_process.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace qmon::platform::posix {
namespace {

// A port bound but not listening refuses connections, and no other process
// can take it meanwhile.
class DeadPort {
 public:
  DeadPort() {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    EXPECT_EQ(bind(fd_, reinterpret_cast<sockaddr*>(&address), size), 0);
    EXPECT_EQ(getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size), 0);
    port = std::to_string(ntohs(address.sin_port));
  }
  ~DeadPort() { close(fd_); }
  std::string port;

 private:
  const int fd_ = socket(AF_INET, SOCK_STREAM, 0);
};

// The field with the placeholders of the case file's head filled in.
std::string Filled(std::string text, const std::vector<std::pair<std::string, std::string>>& values) {
  for (const auto& [name, value] : values) {
    for (size_t at; (at = text.find(name)) != std::string::npos;) text.replace(at, name.size(), value);
  }
  return text;
}

TEST(CurlWebPostTest, PostsAndAnswersAsTheCallerSeesIt) {
  const DeadPort dead;
  for (const auto& c : test::LoadCases("web_posts")) {
    SCOPED_TRACE(c.where);
    test::ScopedTempDir dir;
    test::PutFile(dir / "12.xml", "<a>caf\xE9 \x80</a>");
    std::vector<std::string> args;
    std::istringstream words(c.fields[0].value_or(""));
    for (std::string word; words >> word;) args.push_back(word);
    if (args.size() > 1 && args[0] == "--content-type") args = {args[0], c[0].substr(15)};
    args.insert(args.end(), {"--log", dir / "requests.log", "--templates", dir.path()});
    std::unique_ptr<test::MockServerProcess> server;
    const std::vector<std::pair<std::string, std::string>> values = {
        {"OVER", std::to_string(kMaxResponseBytes + 1)}, {"LIMIT", std::to_string(kMaxResponseBytes)},
        {"DEAD", dead.port}};
    for (std::string& arg : args) arg = Filled(arg, values);
    if (c.fields[0]) server = std::make_unique<test::MockServerProcess>(args);
    const auto fill = [&](const std::string& text) {
      return Filled(Filled(text, values), {{"PORT", server ? std::to_string(server->port()) : ""}});
    };
    // Loopback posts go straight to the server unless the case names a proxy.
    const std::string env = " " + c[1] + " ";
    const auto setting = [&](const std::string& name, std::optional<std::string> value) {
      const size_t at = env.find(" " + name + "=");
      if (at == std::string::npos) return value;
      const size_t from = at + name.size() + 2;
      return std::optional<std::string>(fill(env.substr(from, env.find(' ', from) - from)));
    };
    test::ScopedEnv proxy("http_proxy", setting("http_proxy", std::nullopt));
    test::ScopedEnv noProxy("no_proxy", setting("no_proxy", "127.0.0.1"));
    test::ScopedEnv timeout("QMON_HTTP_TIMEOUT", setting("QMON_HTTP_TIMEOUT", std::nullopt));

    std::string xml = c[3], url = c[2].starts_with("/") ? server->Url(c[2]) : fill(c[2]);
    std::string response = "stale", error1 = "stale", error2 = "stale", error3 = "stale";
    const bool ok = CurlWebPost().PostXMLString(xml, false, url, "", "", response, error1, error2,
                                                error3);
    EXPECT_EQ(ok, c[4] == "1") << error1 << " " << error2;
    if (c[5] == "#LIMIT") {
      EXPECT_EQ(response.size(), kMaxResponseBytes);
    } else {
      EXPECT_EQ(response, fill(c[5]));
    }
    EXPECT_EQ(error1, c[6]);
    EXPECT_EQ(error2 != "", !ok);
    EXPECT_NE(error2.find(fill(c[7])), std::string::npos) << error2;
    EXPECT_EQ(error3, ok ? "" : url);
    if (c.fields[8]) {
      const auto logged = test::ReadRequestLog(dir / "requests.log");
      ASSERT_EQ(logged.size(), 1u);
      EXPECT_EQ(logged[0].method + " " + logged[0].target, "POST " + c[8]);
      EXPECT_EQ(logged[0].contentType, "text/xml; charset=utf-8");
      EXPECT_EQ(logged[0].body, c[3]);
    }
    // Whatever the post left the server doing, it stops cleanly.
    const int status = server ? server->Stop() : 0;
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
}

}  // namespace
}  // namespace qmon::platform::posix
