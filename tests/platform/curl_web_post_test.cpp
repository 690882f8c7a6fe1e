#include "platform/posix/curl_web_post.h"

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/web_post_rules.h"
#include "support/mock_server_process.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace qmon::platform::posix {
namespace {

constexpr char kTemplatePage[] =
    "/tfr_wpscriptmontmpltdtls.asp?mmid=2002&sid=3003&rid=1001&rty=TRLX";
constexpr char kFailurePage[] =
    "/tfr_wpdcmsccrgidmontmpupdfail.asp?mmid=2002&sid=3003&rid=1001&rty=TRLX";

using test::ScopedEnv;

struct Outcome {
  bool ok = false;
  std::string response, error1, error2, error3;
};

// Outputs start filled, to show what a call sets and what it empties.
Outcome Post(std::string xml, std::string url) {
  Outcome out{false, "stale", "stale", "stale", "stale"};
  out.ok = CurlWebPost().PostXMLString(xml, false, url, "", "", out.response, out.error1,
                                       out.error2, out.error3);
  return out;
}

class CurlWebPostTest : public ::testing::Test {
 protected:
  void StartServer(std::vector<std::string> args) {
    args.insert(args.end(), {"--log", log_, "--templates", dir_.path()});
    server_ = std::make_unique<test::MockServerProcess>(args);
  }
  std::vector<test::LoggedRequest> Logged() const { return test::ReadRequestLog(log_); }

  test::ScopedTempDir dir_;
  const std::string log_ = dir_ / "requests.log";
  // Loopback posts go straight to the server whatever proxy the caller uses.
  ScopedEnv noProxy_{"no_proxy", "127.0.0.1"};
  std::unique_ptr<test::MockServerProcess> server_;  // stopped before dir_ goes
};

TEST_F(CurlWebPostTest, PostsUtf8XmlAndDecodesTheAnswerByItsCharset) {
  std::ofstream(dir_ / "12.xml", std::ios::binary) << "<a>caf\xE9 \x80</a>";
  StartServer({"--content-type", "text/xml; charset=Windows-1252"});
  const std::string xml =
      "<wpscriptmontmpltdtls><inid>12</inid></wpscriptmontmpltdtls>"
      "<!-- caf\xC3\xA9 -->";
  const Outcome out = Post(xml, server_->Url(kTemplatePage));
  EXPECT_TRUE(out.ok) << out.error1 << " " << out.error2;
  EXPECT_EQ(out.response, "<a>caf\xC3\xA9 \xE2\x82\xAC</a>");
  EXPECT_EQ(out.error1 + out.error2 + out.error3, "");
  const auto logged = Logged();
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_EQ(logged[0].method, "POST");
  EXPECT_EQ(logged[0].target, kTemplatePage);
  EXPECT_EQ(logged[0].contentType, "text/xml; charset=utf-8");
  EXPECT_EQ(logged[0].body, xml);
}

TEST_F(CurlWebPostTest, EncodesTheUrlAndTakesAnEmptyAnswerAsSuccess) {
  StartServer({});
  // Blanks and non-ASCII go percent-encoded; pages may sit under a folder.
  Outcome out =
      Post("<x/>", server_->Url("/dc/tfr_wpdcmsccrgidmontmpupdfail.asp?m=20 02&r=\xC3\xA9"));
  EXPECT_TRUE(out.ok) << out.error1 << " " << out.error2;
  EXPECT_EQ(out.response, "1");
  out = Post("<inid>404</inid>", server_->Url(kTemplatePage));  // no such template
  EXPECT_TRUE(out.ok);
  EXPECT_EQ(out.response, "");
  ASSERT_EQ(Logged().size(), 2u);
  EXPECT_EQ(Logged()[0].target, "/dc/tfr_wpdcmsccrgidmontmpupdfail.asp?m=20%2002&r=%C3%A9");
}

TEST_F(CurlWebPostTest, AnswersOverTheLimitOrFromAFailingServerAreRefused) {
  const std::string limit = std::to_string(kMaxResponseBytes);
  const std::string over = std::to_string(kMaxResponseBytes + 1);
  const struct {
    std::vector<std::string> args;
    std::string error1, error2Part;  // error1 empty: taken whole
  } cases[] = {
      {{"--fail", "http500"}, "HTTP 500", "Internal Server Error"},
      {{"--fail", "close"}, "libcurl error 52", "Empty reply from server"},
      {{"--fail", "huge"}, "Response too large", limit + " bytes"},
      {{"--fail", "huge", "--huge-bytes", over}, "Response too large", ""},
      {{"--fail", "huge-chunked", "--huge-bytes", over}, "Response too large", ""},
      {{"--fail", "huge", "--huge-bytes", limit}, "", ""},
      {{"--fail", "huge-chunked", "--huge-bytes", limit}, "", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args[1] + " " + c.args.back());
    StartServer(c.args);
    const std::string url = server_->Url(kTemplatePage);
    const Outcome out = Post("<x/>", url);
    if (c.error1.empty()) {
      EXPECT_TRUE(out.ok) << out.error1 << " " << out.error2;
      EXPECT_EQ(out.response.size(), kMaxResponseBytes);
    } else {
      EXPECT_FALSE(out.ok);
      EXPECT_EQ(out.response, "");
      EXPECT_EQ(out.error1, c.error1);
      EXPECT_NE(out.error2.find(c.error2Part), std::string::npos) << out.error2;
      EXPECT_EQ(out.error3, url);
      EXPECT_EQ(Logged().size(), 1u);
    }
    server_.reset();
    std::remove(log_.c_str());
  }
}

TEST_F(CurlWebPostTest, GivesUpOnAStalledServerAfterTheTimeOut) {
  StartServer({"--fail", "stall"});
  ScopedEnv timeout("QMON_HTTP_TIMEOUT", "1");
  const Outcome out = Post("<x/>", server_->Url(kFailurePage));
  EXPECT_FALSE(out.ok);
  EXPECT_EQ(out.error1, "libcurl error 28");
  EXPECT_NE(out.error2.find("Timeout was reached"), std::string::npos) << out.error2;
  // The server's handler still stalls: it must stop anyway, and cleanly.
  const int status = server_->Stop();
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(CurlWebPostTest, TakesProxiesFromTheEnvironment) {
  StartServer({});
  ScopedEnv proxy("http_proxy", "http://127.0.0.1:" + std::to_string(server_->port()));
  ScopedEnv noProxy("no_proxy", "");
  const std::string url = "http://dc.example.invalid/tfr_wpdcmsccrgidmontmpupdfail.asp?mmid=1";
  const Outcome out = Post("<x/>", url);
  EXPECT_TRUE(out.ok) << out.error1 << " " << out.error2;
  ASSERT_EQ(Logged().size(), 1u);
  EXPECT_EQ(Logged()[0].target, url);  // a proxy is asked for the whole URL
}

TEST(CurlWebPostUrlTest, AnswersFalseForAUrlItCannotReach) {
  // A port bound but not listening refuses connections, and no other process
  // can take it meanwhile.
  const int fd = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), size), 0);
  ASSERT_EQ(getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size), 0);
  ScopedEnv noProxy("no_proxy", "127.0.0.1");
  const struct {
    std::string url, error1;
  } cases[] = {
      {"http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/x.asp",
       "libcurl error 7"},                        // refused
      {"", "libcurl error 3"},                    // malformed
      {"http://[::1/x", "libcurl error 3"},       // broken address
      {"file:///etc/passwd", "libcurl error 1"},  // only http and https
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    const Outcome out = Post("<x/>", c.url);
    EXPECT_FALSE(out.ok);
    EXPECT_EQ(out.response, "");
    EXPECT_EQ(out.error1, c.error1);
    EXPECT_NE(out.error2, "");
    EXPECT_EQ(out.error3, c.url);
  }
  EXPECT_NE(Post("<x/>", cases[0].url).error2.find("Couldn't connect to server"),
            std::string::npos);
  close(fd);
}

}  // namespace
}  // namespace qmon::platform::posix
