// qWbPost.dll as the program meets it: registered, created by its ProgID and
// called by name through the program's own COM client, posting to a loopback
// listener of the test's own.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <oleauto.h>
// clang-format on

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>

#include "platform/vb_error.h"
#include "platform/win32/com_web_post.h"
#include "platform/win32/wide.h"
#include "support/scoped_env.h"

namespace {

constexpr size_t kCap = 8 * 1024 * 1024;  // the component's limit on an answer

// Calls an export of qWbPost.dll, which lies beside the test, as regsvr32
// and COM do.
HRESULT CallExport(const char* name) {
  const HMODULE dll = LoadLibraryW(L"qWbPost.dll");
  const auto call = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(GetProcAddress(dll, name)));
  const HRESULT hr = call ? call() : E_NOTIMPL;
  FreeLibrary(dll);
  return hr;
}

// Every post sends this, in UTF-8.
constexpr char kXmlSent[] = "<inid>caf\xC3\xA9</inid>";

// A TCP socket on a free port of 127.0.0.1 that answers one connection with
// `reply` once the whole request is in; without a reply it waits until the
// client hangs up. Unless it listens it refuses, holding the port meanwhile.
class LoopbackServer {
 public:
  LoopbackServer(std::optional<std::string> reply, bool listens)
      : socket_(socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    bind(socket_, reinterpret_cast<sockaddr*>(&address), size);
    getsockname(socket_, reinterpret_cast<sockaddr*>(&address), &size);
    url_ = L"http://127.0.0.1:" + std::to_wstring(ntohs(address.sin_port));
    if (listens && listen(socket_, 1) == 0) thread_ = std::thread([this, reply] { Serve(reply); });
  }
  ~LoopbackServer() {
    closesocket(socket_);  // ends an accept still waiting
    if (thread_.joinable()) thread_.join();
  }
  const std::wstring& Url() const { return url_; }
  std::string Request() {
    if (thread_.joinable()) thread_.join();
    return request_;
  }

 private:
  void Serve(const std::optional<std::string>& reply) {
    const SOCKET client = accept(socket_, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    char buffer[4096];
    for (int n;
         !request_.ends_with(kXmlSent) && (n = recv(client, buffer, sizeof buffer, 0)) > 0;) {
      request_.append(buffer, n);
    }
    for (size_t sent = 0, n = 1; reply && sent < reply->size() && n > 0; sent += n) {
      n = std::max(0, send(client, reply->data() + sent, int(reply->size() - sent), 0));
    }
    while (!reply && recv(client, buffer, sizeof buffer, 0) > 0) {
    }
    closesocket(client);
  }

  SOCKET socket_;
  std::wstring url_;
  std::string request_;
  std::thread thread_;
};

class QWbPostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(L"qWbPost.WebPost", &clsid), S_OK);
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&object_)),
              S_OK);
    LPOLESTR name = const_cast<LPOLESTR>(L"postxmlSTRING");  // names match without regard to case
    ASSERT_EQ(object_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id_), S_OK);
    qmon::platform::win32::RegisterComComponent(components_, "qWbPost.WebPost");
  }
  void TearDown() override {
    if (object_ != nullptr) object_->Release();
    CoUninitialize();
    WSACleanup();
  }

  IDispatch* object_ = nullptr;
  DISPID id_ = 0;
  qmon::platform::ComponentRegistry components_;
};

TEST_F(QWbPostTest, PostsUtf8AndHandsBackTheDecodedAnswerOrWhyThereIsNone) {
  using qmon::platform::win32::Utf8;
  const std::string ok = "HTTP/1.1 200 OK\r\nConnection: close\r\n";
  const std::string unlabelled = "<a>caf\xE9 \x81\x9D</a>";
  std::wstring ansi(unlabelled.size(), L'\0');
  ansi.resize(MultiByteToWideChar(CP_ACP, 0, unlabelled.data(), int(unlabelled.size()), ansi.data(),
                                  int(ansi.size())));
  const struct {
    std::optional<std::string> reply;          // nullopt: never answers
    std::string response, error1, error2Part;  // error1 empty: a success
    const char* url = nullptr;                 // null: the server's
    bool listens = true;
  } cases[] = {
      {ok + "Content-Type: text/xml; charset=Windows-1252\r\n\r\n<a>caf\xE9 \x80</a>",
       "<a>caf\u00E9 \u20AC</a>", "", ""},
      // Neither label nor declaration and not UTF-8: the system's ANSI code page.
      {ok + "Content-Type: text/xml\r\n\r\n" + unlabelled, Utf8(ansi), "", ""},
      {ok + "\r\n" + std::string(kCap, 'x'), std::string(kCap, 'x'), "", ""},
      {"HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n", "", "HTTP 500",
       "Internal Server Error"},
      {ok + "Content-Length: " + std::to_string(kCap + 1) + "\r\n\r\n", "", "Response too large",
       std::to_string(kCap) + " bytes"},
      {ok + "\r\n" + std::string(kCap + 1, 'x'), "", "Response too large", "limit"},
      {"", "", "WinHTTP error 12152", "Invalid or empty reply from server"},
      {std::nullopt, "", "WinHTTP error 12002", "Timeout was reached"},
      {"", "", "WinHTTP error 12029", "Couldn't connect to server", nullptr, false},
      {"", "", "WinHTTP error 12006", "Unsupported protocol", "file:///c:/windows/win.ini"},
      {"", "", "WinHTTP error 12006", "Unsupported protocol", " "},
  };
  for (const auto& c : cases) {
    // Only the silent server waits out a time-out; big answers take their time under Wine.
    const qmon::test::ScopedEnv timeout("QMON_HTTP_TIMEOUT",
                                        c.reply ? std::nullopt : std::optional<std::string>("1"));
    LoopbackServer server(c.reply, c.listens);
    // Blanks and non-ASCII of the URL go percent-encoded.
    std::string url = c.url ? c.url : Utf8(server.Url()) + "/dc/p.asp?m=20 02&r=\u00E9";
    std::string xml = "<inid>caf\u00E9</inid>", response = "old", e1 = "old", e2 = "old",
                e3 = "old";
    SCOPED_TRACE(url + " " + c.error1);
    const bool answered = components_.CreateObject("qWbPost.WebPost")
                              ->PostXMLString(xml, false, url, "", "", response, e1, e2, e3);
    EXPECT_EQ(answered, c.error1.empty()) << e1 << " " << e2;
    EXPECT_TRUE(response == c.response) << response.size();
    EXPECT_EQ(e1, c.error1);
    EXPECT_TRUE(c.error1.empty() ? e2.empty() : e2.find(c.error2Part) != std::string::npos) << e2;
    EXPECT_EQ(e3, c.error1.empty() ? "" : url);
    if (c.url || !c.listens) continue;
    const std::string request = server.Request();
    EXPECT_TRUE(request.starts_with("POST /dc/p.asp?m=20%2002&r=%C3%A9 HTTP/1.1\r\n")) << request;
    EXPECT_NE(request.find("\r\nContent-Type: text/xml; charset=utf-8\r\n"), std::string::npos);
    EXPECT_EQ(request.substr(request.find("\r\n\r\n") + 4), kXmlSent);
  }
}

TEST_F(QWbPostTest, RefusesWhatIsNotItsOneMethodWithItsNineArguments) {
  DISPID other = 0;
  LPOLESTR name = const_cast<LPOLESTR>(L"PostXML");
  EXPECT_EQ(object_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &other),
            DISP_E_UNKNOWNNAME);
  UINT count = 1;
  EXPECT_EQ(object_->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
  const struct {
    WORD flags;
    UINT count;
    int badPosition;  // its type mismatches; 0: none
    bool byRef;       // each a VARIANT by reference
    HRESULT hr;
  } cases[] = {
      {DISPATCH_METHOD, 8, 0, false, DISP_E_BADPARAMCOUNT},
      {DISPATCH_PROPERTYPUT, 9, 0, false, DISP_E_MEMBERNOTFOUND},
      {DISPATCH_METHOD, 9, 3, false, DISP_E_TYPEMISMATCH},  // a number for the URL
      {DISPATCH_METHOD, 9, 2, true, DISP_E_TYPEMISMATCH},   // a text for the flag
      {DISPATCH_METHOD, 9, 9, true, DISP_E_TYPEMISMATCH},   // a number for an output
      {DISPATCH_METHOD, 9, 0, true, S_OK},  // no URL: the error goes into the VARIANT
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.flags << " " << c.count << " " << c.badPosition);
    VARIANT values[10] = {}, args[9] = {};  // Empty texts and a False, by position
    for (int position = 1; position <= 9; ++position) {
      const bool bad = position == c.badPosition;
      V_VT(&values[position]) =
          position == 2 ? (bad ? VT_BSTR : VT_BOOL) : (bad ? VT_I4 : VT_EMPTY);
      V_VT(&args[9 - position]) = c.byRef ? VT_BYREF | VT_VARIANT : V_VT(&values[position]);
      if (c.byRef) V_VARIANTREF(&args[9 - position]) = &values[position];
    }
    DISPPARAMS params{args + (9 - c.count), nullptr, c.count, 0};
    UINT argError = 99;
    EXPECT_EQ(object_->Invoke(id_, IID_NULL, LOCALE_USER_DEFAULT, c.flags, &params, nullptr,
                              nullptr, &argError),
              c.hr);
    EXPECT_EQ(argError, c.badPosition != 0 ? UINT(9 - c.badPosition) : 99u);
    const bool error1 = V_VT(&values[7]) == VT_BSTR && SysStringLen(V_BSTR(&values[7])) > 0;
    EXPECT_EQ(error1, c.hr == S_OK);
    for (VARIANT& value : values) VariantClear(&value);
  }
}

TEST_F(QWbPostTest, UnloadsOnlyWhenUnusedAndUnregistersItself) {
  EXPECT_EQ(CallExport("DllCanUnloadNow"), S_FALSE);
  object_->Release();
  object_ = nullptr;
  EXPECT_EQ(CallExport("DllCanUnloadNow"), S_OK);
  EXPECT_EQ(CallExport("DllUnregisterServer"), S_OK);
  try {
    components_.CreateObject("qWbPost.WebPost");
    ADD_FAILURE() << "created after unregistering";
  } catch (const qmon::VbError& e) {
    EXPECT_EQ(e.number, 429);
  }
}

}  // namespace
