// qWbPost.dll as the program meets it: registered by regsvr32, created by its
// ProgID and called by name, posting to a loopback listener of the test's own.
// winsock2.h goes before windows.h, windows.h before the COM headers.
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

std::wstring BesideMe(const wchar_t* name) {
  wchar_t path[MAX_PATH];
  const DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path, length);
  return folder.substr(0, folder.find_last_of(L'\\') + 1) + name;
}

DWORD Regsvr32(const std::wstring& options) {
  std::wstring command = L"regsvr32.exe " + options + L" \"" + BesideMe(L"qWbPost.dll") + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process)) {
    return GetLastError();
  }
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return code;
}

// Answers one connection on 127.0.0.1 with `reply` after reading the whole
// request; without a reply it waits until the client hangs up.
class LoopbackServer {
 public:
  explicit LoopbackServer(std::optional<std::string> reply) {
    WSADATA data;
    WSAStartup(MAKEWORD(2, 2), &data);
    listener_ = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    bind(listener_, reinterpret_cast<sockaddr*>(&address), size);
    getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size);
    port_ = ntohs(address.sin_port);
    listen(listener_, 1);
    thread_ = std::thread([this, reply = std::move(reply)] { Serve(reply); });
  }
  ~LoopbackServer() {
    closesocket(listener_);  // ends an accept still waiting
    if (thread_.joinable()) thread_.join();
    WSACleanup();
  }
  std::string Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
  }
  std::string Request() {
    if (thread_.joinable()) thread_.join();
    return request_;
  }

 private:
  void Serve(const std::optional<std::string>& reply) {
    const SOCKET client = accept(listener_, nullptr, nullptr);
    if (client == INVALID_SOCKET) return;
    char buffer[4096];
    size_t need = std::string::npos;
    for (int got; request_.size() < need && (got = recv(client, buffer, sizeof buffer, 0)) > 0;) {
      request_.append(buffer, got);
      const size_t end = request_.find("\r\n\r\n");
      const size_t length = request_.find("Content-Length: ");
      if (end != std::string::npos && length < end) {
        need = end + 4 + std::stoul(request_.substr(length + 16));
      }
    }
    if (reply) {
      for (size_t sent = 0; sent < reply->size();) {
        const int n = send(client, reply->data() + sent, static_cast<int>(reply->size() - sent), 0);
        if (n <= 0) break;
        sent += n;
      }
    } else {
      while (recv(client, buffer, sizeof buffer, 0) > 0) {
      }
    }
    closesocket(client);
  }

  SOCKET listener_;
  int port_ = 0;
  std::string request_;
  std::thread thread_;
};

std::wstring Wide(const std::string& utf8) {
  std::wstring out(utf8.size(), L'\0');
  out.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), out.data(),
                                 static_cast<int>(out.size())));
  return out;
}

std::wstring TextOf(const VARIANT& v) {
  const BSTR text = V_VT(&v) == VT_BSTR ? V_BSTR(&v) : *V_BSTRREF(&v);
  return std::wstring(text, SysStringLen(text));
}

// How the caller hands over the texts it passes by reference.
enum class Passing { kBstrRef, kVariantRef };

struct Call {
  HRESULT hr = E_FAIL;
  bool ok = false;
  std::wstring response, error1, error2, error3;
};

class QWbPostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Regsvr32(L"/s"), 0u);
    ASSERT_TRUE(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED)));
    CLSID clsid;
    ASSERT_EQ(CLSIDFromProgID(L"qWbPost.WebPost", &clsid), S_OK);
    ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                               reinterpret_cast<void**>(&object_)),
              S_OK);
  }
  void TearDown() override {
    if (object_ != nullptr) object_->Release();
    CoUninitialize();
  }

  DISPID IdOf(const wchar_t* name, HRESULT* hr) {
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    *hr = object_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
    return id;
  }

  // Calls PostXMLString as a late-bound caller does: texts 1, 3 and 6 to 9
  // by reference (outputs filled to show what a call sets), 4 and 5 by value.
  Call Post(const std::string& xml, const std::string& url, Passing passing) {
    VARIANT values[10];  // by position; 0 unused
    for (VARIANT& v : values) VariantInit(&v);
    const std::wstring texts[10] = {L"", Wide(xml), L"",      Wide(url), L"",
                                    L"", L"stale",  L"stale", L"stale",  L"stale"};
    VARIANT args[9];
    for (int position = 1; position <= 9; ++position) {
      VARIANT& value = values[position];
      VARIANT& arg = args[9 - position];
      VariantInit(&arg);
      V_VT(&value) = position == 2 ? VT_BOOL : VT_BSTR;
      if (position == 2) {
        V_BOOL(&value) = VARIANT_FALSE;
      } else {
        V_BSTR(&value) = SysAllocStringLen(texts[position].data(), texts[position].size());
      }
      if (position == 2 || position == 4 || position == 5) {
        arg = value;
      } else if (passing == Passing::kVariantRef) {
        V_VT(&arg) = VT_BYREF | VT_VARIANT;
        V_VARIANTREF(&arg) = &value;
      } else {
        V_VT(&arg) = VT_BYREF | VT_BSTR;
        V_BSTRREF(&arg) = &V_BSTR(&value);
      }
    }
    HRESULT hr;
    const DISPID id = IdOf(L"PostXMLString", &hr);
    DISPPARAMS params{args, nullptr, 9, 0};
    VARIANT result;
    VariantInit(&result);
    Call call;
    call.hr =
        object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                        &params, &result, nullptr, nullptr);
    call.ok = V_VT(&result) == VT_BOOL && V_BOOL(&result) == VARIANT_TRUE;
    call.response = TextOf(values[6]);
    call.error1 = TextOf(values[7]);
    call.error2 = TextOf(values[8]);
    call.error3 = TextOf(values[9]);
    for (VARIANT& v : values) VariantClear(&v);
    return call;
  }

  IDispatch* object_ = nullptr;
};

TEST_F(QWbPostTest, PostsUtf8XmlAndHandsTheDecodedAnswerBackByReference) {
  const std::string xml =
      "<wpscriptmontmpltdtls><inid>12</inid></wpscriptmontmpltdtls>"
      "<!-- caf\xC3\xA9 -->";
  for (const Passing passing : {Passing::kBstrRef, Passing::kVariantRef}) {
    SCOPED_TRACE(static_cast<int>(passing));
    LoopbackServer server(
        "HTTP/1.1 200 OK\r\nContent-Type: text/xml; charset=Windows-1252\r\n"
        "Content-Length: 15\r\n\r\n<a>caf\xE9 \x80</a>");
    // Blanks and non-ASCII of the URL go percent-encoded.
    const Call call = Post(xml, server.Url("/dc/page.asp?m=20 02&r=\xC3\xA9"), passing);
    EXPECT_EQ(call.hr, S_OK);
    EXPECT_TRUE(call.ok) << call.error1 << L" " << call.error2;
    EXPECT_EQ(call.response, L"<a>caf\u00E9 \u20AC</a>");
    EXPECT_EQ(call.error1 + call.error2 + call.error3, L"");
    const std::string request = server.Request();
    EXPECT_EQ(request.rfind("POST /dc/page.asp?m=20%2002&r=%C3%A9 HTTP/1.1\r\n", 0), 0u) << request;
    EXPECT_NE(request.find("\r\nContent-Type: text/xml; charset=utf-8\r\n"), std::string::npos);
    EXPECT_EQ(request.substr(request.find("\r\n\r\n") + 4), xml);
  }
}

TEST_F(QWbPostTest, FailuresAnswerFalseWithThreeDetails) {
  const std::string head = "HTTP/1.1 200 OK\r\nConnection: close\r\n";
  const struct {
    const char* name;
    std::optional<std::string> reply;  // nullopt: never answers
    std::wstring error1, error2Part;   // error1 empty: a success
  } cases[] = {
      {"500", "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 0\r\n\r\n", L"HTTP 500",
       L"Internal Server Error"},
      {"declared too large", head + "Content-Length: " + std::to_string(kCap + 1) + "\r\n\r\n",
       L"Response too large", std::to_wstring(kCap) + L" bytes"},
      {"streamed too large", head + "\r\n" + std::string(kCap + 1, 'x'), L"Response too large",
       L""},
      {"exactly the cap", head + "\r\n" + std::string(kCap, 'x'), L"", L""},
      {"closed unanswered", "", L"WinHTTP error 12152", L"Invalid or empty reply from server"},
      {"stalled", std::nullopt, L"WinHTTP error 12002", L"Timeout was reached"},
  };
  qmon::test::ScopedEnv timeout("QMON_HTTP_TIMEOUT", "1");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LoopbackServer server(c.reply);
    const std::string url = server.Url("/tfr_wpdcmsccrgidmontmpupdfail.asp?mmid=2002");
    const Call call = Post("<x/>", url, Passing::kVariantRef);
    EXPECT_EQ(call.hr, S_OK);
    if (c.error1.empty()) {
      EXPECT_TRUE(call.ok) << call.error1 << L" " << call.error2;
      EXPECT_EQ(call.response.size(), kCap);
      continue;
    }
    EXPECT_FALSE(call.ok);
    EXPECT_EQ(call.response, L"");
    EXPECT_EQ(call.error1, c.error1);
    EXPECT_NE(call.error2, L"");
    EXPECT_NE(call.error2.find(c.error2Part), std::wstring::npos) << call.error2;
    EXPECT_EQ(call.error3, Wide(url));
  }
}

TEST_F(QWbPostTest, AnswersFalseForAUrlItCannotReach) {
  // A port bound but not listening refuses connections.
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  const SOCKET bound = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  int size = sizeof address;
  ASSERT_EQ(bind(bound, reinterpret_cast<sockaddr*>(&address), size), 0);
  ASSERT_EQ(getsockname(bound, reinterpret_cast<sockaddr*>(&address), &size), 0);
  // Worded as the Linux build words the same failure.
  const struct {
    std::string url;
    std::wstring error1, error2;
  } cases[] = {
      {"http://127.0.0.1:" + std::to_string(ntohs(address.sin_port)) + "/x.asp",
       L"WinHTTP error 12029", L"Couldn't connect to server"},
      {"", L"WinHTTP error 12006", L"Unsupported protocol"},
      {"file:///c:/windows/win.ini", L"WinHTTP error 12006", L"Unsupported protocol"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.url);
    const Call call = Post("<x/>", c.url, Passing::kBstrRef);
    EXPECT_EQ(call.hr, S_OK);
    EXPECT_FALSE(call.ok);
    EXPECT_EQ(call.response, L"");
    EXPECT_EQ(call.error1, c.error1);
    EXPECT_EQ(call.error2, c.error2);
    EXPECT_EQ(call.error3, Wide(c.url));
  }
  closesocket(bound);
  WSACleanup();
}

TEST_F(QWbPostTest, RefusesWhatIsNotItsOneMethodWithItsNineArguments) {
  HRESULT hr;
  const DISPID id = IdOf(L"postxmlSTRING", &hr);  // names match without regard to case
  EXPECT_EQ(hr, S_OK);
  IdOf(L"PostXML", &hr);
  EXPECT_EQ(hr, DISP_E_UNKNOWNNAME);
  UINT count = 1;
  EXPECT_EQ(object_->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 0u);

  VARIANT args[9];
  for (VARIANT& arg : args) {
    V_VT(&arg) = VT_BSTR;
    V_BSTR(&arg) = nullptr;  // an empty text
  }
  const struct {
    const char* name;
    WORD flags;
    UINT count;
    int badPosition;  // 0: none
    HRESULT hr;
  } cases[] = {
      {"eight arguments", DISPATCH_METHOD, 8, 0, DISP_E_BADPARAMCOUNT},
      {"a property put", DISPATCH_PROPERTYPUT, 9, 0, DISP_E_MEMBERNOTFOUND},
      {"a number for the URL", DISPATCH_METHOD, 9, 3, DISP_E_TYPEMISMATCH},
      {"a text for the flag", DISPATCH_METHOD, 9, 2, DISP_E_TYPEMISMATCH},
      {"a number for an output", DISPATCH_METHOD, 9, 9, DISP_E_TYPEMISMATCH},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    for (int position = 1; position <= 9; ++position) {
      VARIANT& arg = args[9 - position];
      V_VT(&arg) = position == c.badPosition ? (position == 2 ? VT_BSTR : VT_I4)
                   : position == 2           ? VT_BOOL
                                             : VT_BSTR;
      V_BSTR(&arg) = nullptr;
    }
    DISPPARAMS params{args + (9 - c.count), nullptr, c.count, 0};
    UINT argError = 99;
    EXPECT_EQ(object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, c.flags, &params, nullptr, nullptr,
                              &argError),
              c.hr);
    if (c.badPosition != 0) {
      EXPECT_EQ(argError, static_cast<UINT>(9 - c.badPosition));
    }
  }
}

TEST_F(QWbPostTest, UnloadsOnlyWhenUnusedAndUnregistersItself) {
  const HMODULE dll = LoadLibraryW(BesideMe(L"qWbPost.dll").c_str());
  ASSERT_NE(dll, nullptr);
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  const auto canUnload =
      reinterpret_cast<CanUnload>(reinterpret_cast<void*>(GetProcAddress(dll, "DllCanUnloadNow")));
  ASSERT_NE(canUnload, nullptr);
  EXPECT_EQ(canUnload(), S_FALSE);
  object_->Release();
  object_ = nullptr;
  EXPECT_EQ(canUnload(), S_OK);
  FreeLibrary(dll);

  EXPECT_EQ(Regsvr32(L"/u /s"), 0u);
  CLSID clsid;
  EXPECT_FALSE(SUCCEEDED(CLSIDFromProgID(L"qWbPost.WebPost", &clsid)));
}

}  // namespace
