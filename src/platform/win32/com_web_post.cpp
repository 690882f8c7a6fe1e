#include "platform/win32/com_web_post.h"

#include <windows.h>
// After windows.h, which it needs.
#include <oleauto.h>

#include <array>
#include <memory>

#include "platform/win32/com_error.h"
#include "platform/win32/wide.h"

namespace qmon::platform::win32 {
namespace {

void ThrowIfFailed(HRESULT hr, ComStep step) {
  if (FAILED(hr)) throw VbErrorFromHresult(hr, step);
}

// A BSTR owned here; a callee may free it and put another in its place.
class Bstr {
 public:
  explicit Bstr(const std::string& text) {
    const std::wstring wide = Wide(text);
    b_ = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (!b_) throw VbError(vberr::kOutOfMemory);
  }
  ~Bstr() { SysFreeString(b_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;

  BSTR* address() { return &b_; }
  std::string text() const { return Utf8(std::wstring_view(b_, SysStringLen(b_))); }

 private:
  BSTR b_ = nullptr;
};

// What a component raised through EXCEPINFO: its own number (a runtime error
// of the component's runtime or an HRESULT) and its own text.
VbError ComponentError(EXCEPINFO& info) {
  if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  VbError error =
      info.wCode != 0 ? VbError(info.wCode) : VbErrorFromHresult(info.scode, ComStep::kCall);
  if (info.bstrDescription && SysStringLen(info.bstrDescription) > 0) {
    error.description = Utf8(info.bstrDescription);
  }
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrHelpFile);
  return error;
}

struct Release {
  void operator()(IDispatch* object) const { object->Release(); }
};

class ComWebPost final : public WebPostObject {
 public:
  ComWebPost(std::unique_ptr<ComApartment> apartment, IDispatch* object)
      : apartment_(std::move(apartment)), object_(object) {}

  bool PostXMLString(std::string& xml, bool flag, std::string& url, std::string arg4,
                     std::string arg5, std::string& response, std::string& error1,
                     std::string& error2, std::string& error3) override {
    LPOLESTR name = const_cast<LPOLESTR>(L"PostXMLString");
    DISPID id = 0;
    ThrowIfFailed(object_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id),
                  ComStep::kCall);

    // The texts passed by reference, in argument order; each is written
    // back after the call, whatever its outcome.
    std::string* const by_ref[] = {&xml, &url, &response, &error1, &error2, &error3};
    Bstr b_xml(xml), b_url(url), b_arg4(arg4), b_arg5(arg5), b_response(response), b_error1(error1),
        b_error2(error2), b_error3(error3);
    Bstr* const written_back[] = {&b_xml, &b_url, &b_response, &b_error1, &b_error2, &b_error3};

    std::array<VARIANTARG, 9> args{};
    auto by_reference = [](VARIANTARG& v, Bstr& b) {
      V_VT(&v) = VT_BYREF | VT_BSTR;
      V_BSTRREF(&v) = b.address();
    };
    auto by_value = [](VARIANTARG& v, Bstr& b) {
      V_VT(&v) = VT_BSTR;
      V_BSTR(&v) = *b.address();
    };
    // DISPPARAMS holds the arguments last first.
    by_reference(args[8], b_xml);
    V_VT(&args[7]) = VT_BOOL;
    V_BOOL(&args[7]) = flag ? VARIANT_TRUE : VARIANT_FALSE;
    by_reference(args[6], b_url);
    by_value(args[5], b_arg4);
    by_value(args[4], b_arg5);
    by_reference(args[3], b_response);
    by_reference(args[2], b_error1);
    by_reference(args[1], b_error2);
    by_reference(args[0], b_error3);
    DISPPARAMS params{args.data(), nullptr, static_cast<UINT>(args.size()), 0};

    VARIANT result;
    VariantInit(&result);
    EXCEPINFO exception{};
    UINT bad_argument = 0;
    const HRESULT hr =
        object_->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                        &params, &result, &exception, &bad_argument);
    for (size_t i = 0; i < std::size(by_ref); ++i) *by_ref[i] = written_back[i]->text();
    if (hr == DISP_E_EXCEPTION) {
      VariantClear(&result);
      throw ComponentError(exception);
    }
    ThrowIfFailed(hr, ComStep::kCall);
    const HRESULT converted = VariantChangeType(&result, &result, 0, VT_BOOL);
    const bool answer = SUCCEEDED(converted) && V_BOOL(&result) != VARIANT_FALSE;
    VariantClear(&result);
    ThrowIfFailed(converted, ComStep::kCall);
    return answer;
  }

 private:
  // Declared first: COM stays initialised until the object is released.
  std::unique_ptr<ComApartment> apartment_;
  std::unique_ptr<IDispatch, Release> object_;
};

std::unique_ptr<WebPostObject> CreateComObject(const std::wstring& progId) {
  auto apartment = std::make_unique<ComApartment>();
  CLSID clsid;
  ThrowIfFailed(CLSIDFromProgID(progId.c_str(), &clsid), ComStep::kCreate);
  IDispatch* object = nullptr;
  ThrowIfFailed(CoCreateInstance(clsid, nullptr, CLSCTX_SERVER, IID_IDispatch,
                                 reinterpret_cast<void**>(&object)),
                ComStep::kCreate);
  return std::make_unique<ComWebPost>(std::move(apartment), object);
}

}  // namespace

ComApartment::ComApartment()
    : initialised_(SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}

ComApartment::~ComApartment() {
  if (initialised_) CoUninitialize();
}

void RegisterComComponent(ComponentRegistry& registry, const std::string& progId) {
  registry.Register(progId, [id = Wide(progId)] { return CreateComObject(id); });
}

}  // namespace qmon::platform::win32
