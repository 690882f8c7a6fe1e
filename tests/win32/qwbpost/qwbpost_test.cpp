// qWbPost.dll as the program meets it: registered by regsvr32, created by its
// ProgID and called by name, posting to a loopback listener of the test's own.
// clang-format off
#include <winsock2.h>
#include <windows.h>
#include <oleauto.h>
// clang-format on

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <thread>

#include "support/scoped_env.h"

namespace {

constexpr size_t kCap = 8 * 1024 * 1024;  // the component's limit on an answer

std::wstring DllPath() {
  wchar_t exe[MAX_PATH];
  const std::wstring path(exe, GetModuleFileNameW(nullptr, exe, MAX_PATH));
  return path.substr(0, path.find_last_of(L'\\') + 1) + L"qWbPost.dll";
}

DWORD Regsvr32(const std::wstring& options) {
  std::wstring command = L"regsvr32.exe " + options + L" \"" + DllPath() + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return GetLastError();
  }
  DWORD code = WaitForSingleObject(process.hProcess, INFINITE);
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

// A TCP socket bound to a free port of 127.0.0.1; unless it listens, it
// refuses connections and no other process can take the port meanwhile.
SOCKET BoundSocket(std::wstring* url) {
  const SOCKET s = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = sizeof address;
  bind(s, reinterpret_cast<sockaddr*>(&address), size);
  getsockname(s, reinterpret_cast<sockaddr*>(&address), &size);
  *url = L"http://127.0.0.1:" + std::to_wstring(ntohs(address.sin_port));
  return s;
}

// Answers one connection with `reply` once the whole request is in; without
// a reply it waits until the client hangs up.
class LoopbackServer {
 public:
  explicit LoopbackServer(std::optional<std::string> reply) : listener_(BoundSocket(&url_)) {
    listen(listener_, 1);
    thread_ = std::thread([this, reply = std::move(reply)] {
      const SOCKET client = accept(listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET) return;
      char buffer[4096];
      size_t need = std::string::npos;
      for (int n; request_.size() < need && (n = recv(client, buffer, sizeof buffer, 0)) > 0;) {
        request_.append(buffer, n);
        const size_t end = request_.find("\r\n\r\n"), length = request_.find("Content-Length:");
        if (length < end) need = end + 4 + std::stoul(request_.substr(length + 15));
      }
      for (size_t sent = 0, n = 1; reply && sent < reply->size() && n > 0; sent += n) {
        n = std::max(0, send(client, reply->data() + sent, int(reply->size() - sent), 0));
      }
      while (!reply && recv(client, buffer, sizeof buffer, 0) > 0) {
      }
      closesocket(client);
    });
  }
  ~LoopbackServer() {
    closesocket(listener_);  // ends an accept still waiting
    if (thread_.joinable()) thread_.join();
  }
  std::wstring Url(const std::wstring& path) const { return url_ + path; }
  std::string Request() {
    thread_.join();
    return request_;
  }

 private:
  std::wstring url_;
  SOCKET listener_;
  std::string request_;
  std::thread thread_;
};

// How a caller hands over the texts it passes by reference.
enum class Passing { kBstrRef, kVariantRef };

struct Call {
  HRESULT hr = E_FAIL;
  bool ok = false;
  std::wstring response, error1, error2, error3;
};

class QWbPostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    ASSERT_EQ(Regsvr32(L"/s"), 0u);
    ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(L"qWbPost.WebPost", &clsid), S_OK);
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&object_)),
              S_OK);
  }
  void TearDown() override {
    if (object_ != nullptr) object_->Release();
    CoUninitialize();
    WSACleanup();
  }

  HRESULT IdOf(const wchar_t* name, DISPID* id) {
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    return object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, id);
  }

  // Calls PostXMLString as a late-bound caller does: texts 1, 3 and 6 to 9
  // by reference (outputs filled, to show what a call sets), 4 and 5 by value.
  Call Post(const std::wstring& xml, const std::wstring& url, Passing passing) {
    const std::wstring texts[] = {L"", xml, L"", url, L"", L"", L"old", L"old", L"old", L"old"};
    VARIANT values[10], args[9];  // values by position
    for (int position = 1; position <= 9; ++position) {
      VARIANT& value = values[position];
      VARIANT& arg = args[9 - position];
      V_VT(&value) = position == 2 ? VT_BOOL : VT_BSTR;
      if (position == 2) {
        V_BOOL(&value) = VARIANT_FALSE;
      } else {
        V_BSTR(&value) = SysAllocStringLen(texts[position].data(), texts[position].size());
      }
      V_VT(&arg) = passing == Passing::kVariantRef ? VT_BYREF | VT_VARIANT : VT_BYREF | VT_BSTR;
      if (position == 2 || position == 4 || position == 5) {
        arg = value;
      } else if (passing == Passing::kVariantRef) {
        V_VARIANTREF(&arg) = &value;
      } else {
        V_BSTRREF(&arg) = &V_BSTR(&value);
      }
    }
    DISPID id = 0;
    IdOf(L"PostXMLString", &id);
    DISPPARAMS params{args, nullptr, 9, 0};
    VARIANT result;
    VariantInit(&result);
    Call call;
    call.hr =
        object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                        &params, &result, nullptr, nullptr);
    call.ok = V_VT(&result) == VT_BOOL && V_BOOL(&result) == VARIANT_TRUE;
    std::wstring* outputs[] = {&call.response, &call.error1, &call.error2, &call.error3};
    for (int position = 6; position <= 9; ++position) {
      const VARIANT& v = values[position];
      *outputs[position - 6] =
          V_VT(&v) == VT_BSTR ? std::wstring(V_BSTR(&v), SysStringLen(V_BSTR(&v))) : L"(no text)";
    }
    for (int position = 1; position <= 9; ++position) VariantClear(&values[position]);
    return call;
  }

  IDispatch* object_ = nullptr;
};

TEST_F(QWbPostTest, PostsUtf8XmlAndHandsTheDecodedAnswerBackByReference) {
  for (const Passing passing : {Passing::kBstrRef, Passing::kVariantRef}) {
    SCOPED_TRACE(static_cast<int>(passing));
    LoopbackServer server(
        "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=Windows-1252\r\n"
        "Content-Length: 15\r\n\r\n<a>caf\xE9 \x80</a>");
    // Blanks and non-ASCII of the URL go percent-encoded.
    const Call call =
        Post(L"<inid>caf\u00E9</inid>", server.Url(L"/dc/p.asp?m=20 02&r=\u00E9"), passing);
    EXPECT_EQ(call.hr, S_OK);
    EXPECT_TRUE(call.ok) << call.error1 << L" " << call.error2;
    EXPECT_EQ(call.response, L"<a>caf\u00E9 \u20AC</a>");
    EXPECT_EQ(call.error1 + call.error2 + call.error3, L"");
    const std::string request = server.Request();
    EXPECT_EQ(request.rfind("POST /dc/p.asp?m=20%2002&r=%C3%A9 HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("\r\nContent-Type: text/xml; charset=utf-8\r\n"), std::string::npos);
    EXPECT_EQ(request.substr(request.find("\r\n\r\n") + 4), "<inid>caf\xC3\xA9</inid>");
  }
}

// Bytes without a label or declaration that are not UTF-8 are taken in the
// system's ANSI code page, whichever it is.
TEST_F(QWbPostTest, UnlabelledAnswerThatIsNotUtf8IsReadInTheAnsiCodePage) {
  const std::string body = "<a>caf\xE9 \x81\x9D</a>";
  LoopbackServer server("HTTP/1.1 200 OK\r\nContent-Type: text/xml\r\nContent-Length: " +
                        std::to_string(body.size()) + "\r\n\r\n" + body);
  std::wstring ansi(body.size(), L'\0');
  ansi.resize(MultiByteToWideChar(CP_ACP, 0, body.data(), static_cast<int>(body.size()),
                                  ansi.data(), static_cast<int>(ansi.size())));
  const Call call = Post(L"<x/>", server.Url(L"/p.asp"), Passing::kBstrRef);
  EXPECT_TRUE(call.ok) << call.error1 << L" " << call.error2;
  EXPECT_EQ(call.response, ansi);
}

TEST_F(QWbPostTest, FailuresAnswerFalseWithThreeDetailsWordedAsOnLinux) {
  const std::string head = "HTTP/1.1 200 OK\r\nConnection: close\r\n";
  std::wstring refused;
  const SOCKET bound = BoundSocket(&refused);
  const struct {
    std::optional<std::string> reply;      // nullopt: never answers
    std::wstring url, error1, error2Part;  // url empty: the server's; error1 empty: a success
  } cases[] = {
      {"HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n", L"", L"HTTP 500",
       L"Internal Server Error"},
      {head + "Content-Length: " + std::to_string(kCap + 1) + "\r\n\r\n", L"",
       L"Response too large", std::to_wstring(kCap) + L" bytes"},
      {head + "\r\n" + std::string(kCap + 1, 'x'), L"", L"Response too large", L"limit"},
      {head + "\r\n" + std::string(kCap, 'x'), L"", L"", L""},
      {"", L"", L"WinHTTP error 12152", L"Invalid or empty reply from server"},
      {std::nullopt, L"", L"WinHTTP error 12002", L"Timeout was reached"},
      {"", refused + L"/x.asp", L"WinHTTP error 12029", L"Couldn't connect to server"},
      {"", L"file:///c:/windows/win.ini", L"WinHTTP error 12006", L"Unsupported protocol"},
      {"", L" ", L"WinHTTP error 12006", L"Unsupported protocol"},
  };
  for (const auto& c : cases) {
    // Only the silent server waits out a time-out; big answers take their time under Wine.
    const qmon::test::ScopedEnv timeout("QMON_HTTP_TIMEOUT",
                                        c.reply ? std::nullopt : std::optional<std::string>("1"));
    LoopbackServer server(c.reply);
    const std::wstring url = c.url.empty() ? server.Url(L"/tfr.asp?mmid=2002") : c.url;
    SCOPED_TRACE(testing::Message() << url << L" " << c.error1);
    const Call call = Post(L"<x/>", url, Passing::kVariantRef);
    EXPECT_EQ(call.hr, S_OK);
    EXPECT_EQ(call.ok, c.error1.empty()) << call.error1 << L" " << call.error2;
    EXPECT_EQ(call.response.size(), c.error1.empty() ? kCap : 0);
    EXPECT_EQ(call.error1, c.error1);
    EXPECT_NE(call.error2.find(c.error2Part), std::wstring::npos) << call.error2;
    EXPECT_EQ(call.error3, c.error1.empty() ? L"" : url);
  }
  closesocket(bound);
}

TEST_F(QWbPostTest, RefusesWhatIsNotItsOneMethodWithItsNineArguments) {
  DISPID id = 0, other = 0;
  EXPECT_EQ(IdOf(L"postxmlSTRING", &id), S_OK);  // names match without regard to case
  EXPECT_EQ(IdOf(L"PostXML", &other), DISP_E_UNKNOWNNAME);
  UINT count = 1;
  EXPECT_EQ(object_->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);
  const struct {
    WORD flags;
    UINT count;
    int badPosition;  // its type mismatches; 0: none
    HRESULT hr;
  } cases[] = {
      {DISPATCH_METHOD, 8, 0, DISP_E_BADPARAMCOUNT},
      {DISPATCH_PROPERTYPUT, 9, 0, DISP_E_MEMBERNOTFOUND},
      {DISPATCH_METHOD, 9, 3, DISP_E_TYPEMISMATCH},  // a number for the URL
      {DISPATCH_METHOD, 9, 2, DISP_E_TYPEMISMATCH},  // a text for the flag
      {DISPATCH_METHOD, 9, 9, DISP_E_TYPEMISMATCH},  // a number for an output
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.flags << " " << c.count << " " << c.badPosition);
    VARIANT args[9] = {};  // empty texts and a False
    for (int position = 1; position <= 9; ++position) {
      const VARTYPE normal = position == 2 ? VT_BOOL : VT_BSTR;
      const VARTYPE wrong = position == 2 ? VT_BSTR : VT_I4;
      V_VT(&args[9 - position]) = position == c.badPosition ? wrong : normal;
    }
    DISPPARAMS params{args + (9 - c.count), nullptr, c.count, 0};
    UINT argError = 99;
    EXPECT_EQ(object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, c.flags, &params, nullptr, nullptr,
                              &argError),
              c.hr);
    EXPECT_EQ(argError, c.badPosition != 0 ? UINT(9 - c.badPosition) : 99u);
  }
}

TEST_F(QWbPostTest, UnloadsOnlyWhenUnusedAndUnregistersItself) {
  const HMODULE dll = LoadLibraryW(DllPath().c_str());
  const auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
      reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
  ASSERT_NE(canUnload, nullptr);
  EXPECT_EQ(canUnload(), S_FALSE);
  object_->Release();
  object_ = nullptr;
  EXPECT_EQ(canUnload(), S_OK);
  FreeLibrary(dll);
  EXPECT_EQ(Regsvr32(L"/u /s"), 0u);
  CLSID clsid;
  EXPECT_EQ(CLSIDFromProgID(L"qWbPost.WebPost", &clsid), CO_E_CLASSSTRING);
}

}  // namespace
