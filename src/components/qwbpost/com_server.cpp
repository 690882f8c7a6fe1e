// The in-process COM server: the "qWbPost.WebPost" object with its one
// method PostXMLString, called by name through IDispatch (no type library),
// its class factory, and the four exports regsvr32 and COM call.
#include <windows.h>

// After windows.h, which they need.
#include <oleauto.h>
#include <olectl.h>

#include <atomic>
#include <new>
#include <optional>
#include <string>

#include "wide_text.h"
#include "winhttp_post.h"

#define QWBPOST_CLSID L"{BE8A4E0D-B471-43C5-8E3C-D4EF84844C73}"

namespace qmon::qwbpost {
namespace {

constexpr CLSID kClsid = {
    0xBE8A4E0D, 0xB471, 0x43C5, {0x8E, 0x3C, 0xD4, 0xEF, 0x84, 0x84, 0x4C, 0x73}};
constexpr wchar_t kProgId[] = L"qWbPost.WebPost";
constexpr wchar_t kClsidKey[] = L"CLSID\\" QWBPOST_CLSID;
constexpr wchar_t kServerKey[] = L"CLSID\\" QWBPOST_CLSID L"\\InprocServer32";
constexpr DISPID kPostXmlString = 1;
constexpr UINT kArgCount = 9;

// Live objects and LockServer locks (a reference to the class factory counts
// as one): the DLL may unload when both are 0.
std::atomic<long> g_objects{0};
std::atomic<long> g_locks{0};

// The value of an argument passed by VT_BYREF|VT_VARIANT is the VARIANT it
// points to.
VARIANT* ValueOf(VARIANT* arg) {
  return V_VT(arg) == (VT_BYREF | VT_VARIANT) ? V_VARIANTREF(arg) : arg;
}

std::string Utf8Of(BSTR text) { return Utf8FromWide({text, ::SysStringLen(text)}); }

// A text argument's value; nullopt for a value of any other type. An Empty
// Variant reads as empty text.
std::optional<std::string> TextOf(VARIANT* arg) {
  VARIANT* value = ValueOf(arg);
  switch (V_VT(value)) {
    case VT_EMPTY:
      return std::string();
    case VT_BSTR:
      return Utf8Of(V_BSTR(value));
    case VT_BYREF | VT_BSTR:
      return Utf8Of(*V_BSTRREF(value));
    default:
      return std::nullopt;
  }
}

bool IsBoolean(VARIANT* arg) {
  const VARTYPE type = V_VT(ValueOf(arg));
  return type == VT_BOOL || type == (VT_BYREF | VT_BOOL);
}

// Hands `text` back through an argument passed by reference; one passed by
// value has nowhere to take it.
void Store(VARIANT* arg, const std::string& text) {
  VARIANT* value = ValueOf(arg);
  const bool byRefBstr = V_VT(value) == (VT_BYREF | VT_BSTR);
  if (value == arg && !byRefBstr) return;
  const std::wstring wide = WideFromUtf8(text);
  const BSTR copy = ::SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
  if (copy == nullptr) throw std::bad_alloc();
  if (byRefBstr) {
    ::SysFreeString(*V_BSTRREF(value));
    *V_BSTRREF(value) = copy;
  } else {
    ::VariantClear(value);
    V_VT(value) = VT_BSTR;
    V_BSTR(value) = copy;
  }
}

class WebPost final : public IDispatch {
 public:
  WebPost() { ++g_objects; }
  ~WebPost() { --g_objects; }
  WebPost(const WebPost&) = delete;
  WebPost& operator=(const WebPost&) = delete;

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IDispatch) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<IDispatch*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_INVALIDARG;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return DISP_E_BADINDEX;
  }

  // The method takes no named arguments, so only its own name is known.
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                                          DISPID* ids) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (names == nullptr || ids == nullptr || count == 0) return E_INVALIDARG;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (::CompareStringOrdinal(names[0], -1, L"PostXMLString", -1, TRUE) != CSTR_EQUAL) {
      return DISP_E_UNKNOWNNAME;
    }
    ids[0] = kPostXmlString;
    return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
  }

  // Late-bound callers pass DISPATCH_METHOD, with DISPATCH_PROPERTYGET too
  // when they use the result.
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID, WORD flags, DISPPARAMS* params,
                                   VARIANT* result, EXCEPINFO*, UINT* argError) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    if (member != kPostXmlString || (flags & DISPATCH_METHOD) == 0 ||
        (flags & ~(DISPATCH_METHOD | DISPATCH_PROPERTYGET)) != 0) {
      return DISP_E_MEMBERNOTFOUND;
    }
    if (params == nullptr) return E_INVALIDARG;
    if (params->cNamedArgs != 0) return DISP_E_NONAMEDARGS;
    if (params->cArgs != kArgCount) return DISP_E_BADPARAMCOUNT;
    try {
      return Post(params->rgvarg, result, argError);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }

 private:
  // `args` holds the nine arguments last first.
  static HRESULT Post(VARIANT* args, VARIANT* result, UINT* argError) {
    const auto arg = [args](UINT position) { return &args[kArgCount - position]; };
    std::optional<std::string> texts[kArgCount + 1];
    for (UINT position = 1; position <= kArgCount; ++position) {
      const bool typed =
          position == 2 ? IsBoolean(arg(2)) : (texts[position] = TextOf(arg(position))).has_value();
      if (!typed) {
        if (argError != nullptr) *argError = kArgCount - position;
        return DISP_E_TYPEMISMATCH;
      }
    }
    const platform::WebPostAnswer answer = PostOverWinHttp(*texts[1], *texts[3]);
    Store(arg(6), answer.response);
    Store(arg(7), answer.error1);
    Store(arg(8), answer.error2);
    Store(arg(9), answer.error3);
    if (result != nullptr) {
      ::VariantInit(result);
      V_VT(result) = VT_BOOL;
      V_BOOL(result) = answer.ok ? VARIANT_TRUE : VARIANT_FALSE;
    }
    return S_OK;
  }

  std::atomic<ULONG> references_{1};
};

// One factory for the whole DLL; it lives as long as the DLL.
class Factory final : public IClassFactory {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    if (iid != IID_IUnknown && iid != IID_IClassFactory) {
      *object = nullptr;
      return E_NOINTERFACE;
    }
    *object = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++g_locks); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--g_locks); }

  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    WebPost* created = new (std::nothrow) WebPost;
    if (created == nullptr) return E_OUTOFMEMORY;
    const HRESULT hr = created->QueryInterface(iid, object);
    created->Release();
    return hr;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    lock ? ++g_locks : --g_locks;
    return S_OK;
  }
};

Factory g_factory;

// This DLL's full path, wherever it was loaded from; empty on failure.
std::wstring ModulePath() {
  HMODULE self = nullptr;
  if (!::GetModuleHandleExW(
          GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
          reinterpret_cast<LPCWSTR>(&g_objects), &self)) {
    return {};
  }
  // A path cut short fills the buffer: ask again with more room.
  for (DWORD size = MAX_PATH; size <= 65536; size *= 2) {
    std::wstring path(size, L'\0');
    const DWORD length = ::GetModuleFileNameW(self, path.data(), size);
    if (length == 0) return {};
    if (length < size) return path.substr(0, length);
  }
  return {};
}

// Sets one text value (nullptr: the key's default) of a key under
// HKEY_CLASSES_ROOT, making the key as needed.
LSTATUS SetText(const wchar_t* key, const wchar_t* name, const std::wstring& value) {
  HKEY handle = nullptr;
  LSTATUS status = ::RegCreateKeyExW(HKEY_CLASSES_ROOT, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr,
                                     &handle, nullptr);
  if (status != ERROR_SUCCESS) return status;
  status = ::RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                            static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  ::RegCloseKey(handle);
  return status;
}

}  // namespace
}  // namespace qmon::qwbpost

using namespace qmon::qwbpost;

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, LPVOID* object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  if (clsid != kClsid) return CLASS_E_CLASSNOTAVAILABLE;
  return g_factory.QueryInterface(iid, object);
}

STDAPI DllCanUnloadNow() { return g_objects == 0 && g_locks == 0 ? S_OK : S_FALSE; }

STDAPI DllUnregisterServer() {
  HRESULT result = S_OK;
  for (const wchar_t* key : {kClsidKey, kProgId}) {
    const LSTATUS status = ::RegDeleteTreeW(HKEY_CLASSES_ROOT, key);
    if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) {
      result = HRESULT_FROM_WIN32(status);
    }
  }
  return result;
}

STDAPI DllRegisterServer() {
  try {
    const std::wstring path = ModulePath();
    if (path.empty()) return SELFREG_E_CLASS;
    const std::wstring progIdClsid = std::wstring(kProgId) + L"\\CLSID";
    const std::wstring clsidProgId = std::wstring(kClsidKey) + L"\\ProgID";
    const struct {
      const wchar_t* key;
      const wchar_t* name;
      std::wstring value;
    } entries[] = {
        {progIdClsid.c_str(), nullptr, QWBPOST_CLSID}, {kClsidKey, nullptr, kProgId},
        {clsidProgId.c_str(), nullptr, kProgId},       {kServerKey, nullptr, path},
        {kServerKey, L"ThreadingModel", L"Apartment"},
    };
    for (const auto& entry : entries) {
      const LSTATUS status = SetText(entry.key, entry.name, entry.value);
      if (status != ERROR_SUCCESS) {
        DllUnregisterServer();
        return HRESULT_FROM_WIN32(status);
      }
    }
    return S_OK;
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
}
