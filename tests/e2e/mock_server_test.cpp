// The mock monitoring server as the tests and the demo meet it: its pages'
// answers, its failures on demand and its request log.
#include <gtest/gtest.h>
#include <httplib.h>

#include <fstream>

#include "support/mock_server_process.h"
#include "support/temp_dir.h"

namespace qmon {
namespace {

TEST(MockServerTest, AnswersItsPagesAndLogsEveryRequest) {
  test::ScopedTempDir dir;
  std::ofstream(dir / "12.xml", std::ios::binary) << "<t>12</t>\r\n";
  test::MockServerProcess server({"--templates", dir.path(), "--log", dir / "requests.log",
                                  "--fail", "http500", "--fail-first", "1"});
  httplib::Client client("127.0.0.1", server.port());
  const struct {
    const char* path;
    const char* body;
    int status;
    const char* answer;
  } cases[] = {
      {"/dc/tfr_wpdcmsccrgidmontmpupdfail.asp", "x", 500, nullptr},  // the one failed request
      {"/dc/tfr_wpscriptmontmpltdtls.asp?mmid=1", "<a><inid>12</inid></a>", 200, "<t>12</t>\r\n"},
      {"/A/B/TFR_WPSCRIPTMONTMPLTDTLS.ASP", "<inid>12</inid>", 200, "<t>12</t>\r\n"},
      {"/tfr_wpscriptmontmpltdtls.asp", "<inid>13</inid>", 200, ""},
      {"/tfr_wpscriptmontmpltdtls.asp", "<inid>../12</inid>", 200, ""},
      {"/tfr_wpscriptmontmpltdtls.asp", "no id", 200, ""},
      {"/dc/tfr_wpdcmsccrgidmontmpupdfail.asp", "x", 200, "1"},
      {"/dc/other.asp", "x", 404, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.path) + " " + c.body);
    const auto response = client.Post(c.path, c.body, "text/xml");
    ASSERT_TRUE(response);
    EXPECT_EQ(response->status, c.status);
    EXPECT_EQ(response->body, c.answer ? c.answer : response->body);
    EXPECT_EQ(response->get_header_value("Content-Type"),
              c.status == 200 ? "text/xml; charset=utf-8" : response->get_header_value("Content-Type"));
  }
  EXPECT_EQ(server.Stop(), 0);
  const auto requests = test::ReadRequestLog(dir / "requests.log");
  ASSERT_EQ(requests.size(), std::size(cases));
  for (size_t i = 0; i < requests.size(); ++i) {
    EXPECT_EQ(requests[i].method, "POST");
    EXPECT_EQ(requests[i].target, cases[i].path);
    EXPECT_EQ(requests[i].contentType, "text/xml");
    EXPECT_EQ(requests[i].body, cases[i].body);
  }
}

TEST(MockServerTest, ChosenAnswerAndWrongOptions) {
  test::MockServerProcess server({"--fail-answer", "0", "--content-type", "text/plain"});
  const auto response =
      httplib::Client("127.0.0.1", server.port()).Post("/tfr_wpdcmsccrgidmontmpupdfail.asp", "x", "text/xml");
  ASSERT_TRUE(response);
  EXPECT_EQ(response->body, "0");
  EXPECT_EQ(response->get_header_value("Content-Type"), "text/plain");
  for (const char* wrong : {"--port", "--fail", "--fail-first", "--bogus"}) {
    EXPECT_THROW(test::MockServerProcess({wrong, "x"}), std::runtime_error) << wrong;
  }
}

}  // namespace
}  // namespace qmon
