#include "StandInRibbon.h"

#include <cstdio>
#include <span>

#include "ComObject.h"
#include "ComValues.h"

namespace carvelo::standin {

using com::TBstr;
using com::TVariant;

namespace {

// Answers IDispatch by name for an object whose members are all property
// gets or methods of BSTR arguments, in the vtable's order.
struct TNamedId {
  const wchar_t* name;
  DISPID id;
};

HRESULT IdsOfNames(std::span<const TNamedId> members, LPOLESTR* names, UINT count, DISPID* ids) {
  if (!names || !ids || count == 0) return E_INVALIDARG;
  for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
  for (const TNamedId& m : members)
    if (_wcsicmp(m.name, names[0]) == 0) {
      ids[0] = m.id;
      return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;
    }
  return DISP_E_UNKNOWNNAME;
}

// The BSTR arguments of a call, first to last.
std::optional<std::vector<TBstr>> TextArguments(const DISPPARAMS* params, UINT expected) {
  if (!params || params->cArgs != expected || params->cNamedArgs != 0) return std::nullopt;
  std::vector<TBstr> texts;
  for (UINT i = 0; i < expected; ++i) {
    const TVariant value = TVariant::CopyOf(params->rgvarg[expected - 1 - i]);
    if (value.Type() != VT_BSTR) return std::nullopt;
    texts.emplace_back(value.ToText());
  }
  return texts;
}

// The control a callback is about.
class TStandInRibbonControl final : public com::TComObject<host::IRibbonControl> {
 public:
  TStandInRibbonControl(std::wstring id, std::wstring tag, ComPtr<IDispatch> context)
      : id_(std::move(id)), tag_(std::move(tag)), context_(std::move(context)) {}

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    static const TNamedId members[] = {{L"Id", 1}, {L"Context", 2}, {L"Tag", 3}};
    return IdsOfNames(members, names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO*, UINT*) override {
    if (!(flags & DISPATCH_PROPERTYGET)) return DISP_E_MEMBERNOTFOUND;
    if (params && params->cArgs != 0) return DISP_E_BADPARAMCOUNT;
    if (!result) return E_POINTER;
    VariantInit(result);
    switch (id) {
      case 1: V_VT(result) = VT_BSTR; return get_Id(&V_BSTR(result));
      case 2: V_VT(result) = VT_DISPATCH; return get_Context(&V_DISPATCH(result));
      case 3: V_VT(result) = VT_BSTR; return get_Tag(&V_BSTR(result));
    }
    return DISP_E_MEMBERNOTFOUND;
  }
  HRESULT STDMETHODCALLTYPE get_Id(BSTR* id) override { return Text(id_, id); }
  // Guess: PowerPoint's Context is the document window the ribbon belongs to.
  HRESULT STDMETHODCALLTYPE get_Context(IDispatch** context) override {
    if (!context) return E_POINTER;
    *context = context_.AddRefForCaller();
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE get_Tag(BSTR* tag) override { return Text(tag_, tag); }

 private:
  static HRESULT Text(const std::wstring& text, BSTR* out) {
    if (!out) return E_POINTER;
    *out = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    return *out ? S_OK : E_OUTOFMEMORY;
  }
  void* InterfaceFor(REFIID iid) noexcept override {
    if (iid == IID_IDispatch || iid == host::IID_IRibbonControl) return static_cast<host::IRibbonControl*>(this);
    return TComObject::InterfaceFor(iid);
  }

  std::wstring id_, tag_;
  ComPtr<IDispatch> context_;
};

}  // namespace

ComPtr<host::IRibbonControl> MakeRibbonControl(std::wstring id, std::wstring tag, ComPtr<IDispatch> context) {
  return com::MakeComObject<TStandInRibbonControl>(std::move(id), std::move(tag), std::move(context));
}

namespace {

TVariant ControlArgument(const std::wstring& id, const std::wstring& tag, const ComPtr<IDispatch>& context) {
  return TVariant::Object(MakeRibbonControl(id, tag, context).Get());
}

}  // namespace

// The ribbon as the add-in's onLoad receives it; it only reaches the
// ribbon while that lives.
class TStandInRibbonUI final : public com::TComObject<host::IRibbonUI> {
 public:
  explicit TStandInRibbonUI(TStandInRibbon* ribbon) : ribbon_(ribbon) {}
  void Orphan() noexcept { ribbon_ = nullptr; }

  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    static const TNamedId members[] = {{L"Invalidate", 1},     {L"InvalidateControl", 2}, {L"InvalidateControlMso", 3},
                                       {L"ActivateTab", 4},    {L"ActivateTabMso", 5},    {L"ActivateTabQ", 6}};
    return IdsOfNames(members, names, count, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                                   EXCEPINFO*, UINT*) override {
    if (!(flags & DISPATCH_METHOD)) return DISP_E_MEMBERNOTFOUND;
    if (result) VariantInit(result);
    const UINT expected = id == 1 ? 0 : id == 6 ? 2 : 1;
    if (id < 1 || id > 6) return DISP_E_MEMBERNOTFOUND;
    const auto args = TextArguments(params, expected);
    if (!args) return DISP_E_BADPARAMCOUNT;
    switch (id) {
      case 1: return Invalidate();
      case 2: return InvalidateControl((*args)[0].Get());
      case 3: return InvalidateControlMso((*args)[0].Get());
      case 4: return ActivateTab((*args)[0].Get());
      case 5: return ActivateTabMso((*args)[0].Get());
      default: return ActivateTabQ((*args)[0].Get(), (*args)[1].Get());
    }
  }

  HRESULT STDMETHODCALLTYPE Invalidate() override { return Mark(L"*"); }
  // Guess: an id the XML does not have is ignored without an error.
  HRESULT STDMETHODCALLTYPE InvalidateControl(BSTR id) override {
    return id ? Mark(std::wstring(id, SysStringLen(id))) : E_INVALIDARG;
  }
  // Built-in controls keep no answers of this add-in.
  HRESULT STDMETHODCALLTYPE InvalidateControlMso(BSTR id) override { return id ? S_OK : E_INVALIDARG; }
  // Guess: activating a tab only succeeds for one the add-in's XML has.
  HRESULT STDMETHODCALLTYPE ActivateTab(BSTR id) override {
    const TRibbonNode* tab = ribbon_ ? ribbon_->Tab() : nullptr;
    return tab && id && tab->Attribute(L"id") && *tab->Attribute(L"id") == id ? S_OK : E_INVALIDARG;
  }
  HRESULT STDMETHODCALLTYPE ActivateTabMso(BSTR id) override { return id ? S_OK : E_INVALIDARG; }
  HRESULT STDMETHODCALLTYPE ActivateTabQ(BSTR id, BSTR ns) override { return id && ns ? S_OK : E_INVALIDARG; }

 private:
  HRESULT Mark(const std::wstring& id) {
    if (!ribbon_) return E_UNEXPECTED;  // the host has let go of the ribbon
    ribbon_->Invalidated(id);
    return S_OK;
  }
  void* InterfaceFor(REFIID iid) noexcept override {
    if (iid == IID_IDispatch || iid == host::IID_IRibbonUI) return static_cast<host::IRibbonUI*>(this);
    return TComObject::InterfaceFor(iid);
  }

  TStandInRibbon* ribbon_;
};

TStandInRibbon::TStandInRibbon(IUnknown* addIn, IDispatch* context) : context_(context) {
  if (!addIn || FAILED(addIn->QueryInterface(host::IID_IRibbonExtensibility, addIn_.PutVoid()))) {
    addIn_.Reset();  // Guess: an add-in without the interface simply has no ribbon of its own
    return;
  }
  Load();
  if (!document_) return;
  ResolveCallbacks();
  CallOnLoad();
}

TStandInRibbon::~TStandInRibbon() { Release(); }

void TStandInRibbon::Release() {
  if (ui_) ui_->Orphan();
  ui_.Reset();
  images_.clear();
  loaded_.clear();
  addIn_.Reset();
}

void TStandInRibbon::UiError(std::wstring text) {
  std::fwprintf(stderr, L"PowerPoint stand-in: add-in user interface error: %ls\n", text.c_str());
  uiErrors_.push_back(std::move(text));
}

void TStandInRibbon::Load() {
  TBstr id(kRibbonId), xml;
  // Called through the vtable, once per session.
  const HRESULT status = addIn_->GetCustomUI(id.Get(), xml.Put());
  if (FAILED(status)) {
    // Guess: a failing GetCustomUI leaves the add-in loaded, without a ribbon.
    wchar_t text[64];
    std::swprintf(text, 64, L"GetCustomUI failed with 0x%08lX", static_cast<unsigned long>(status));
    return UiError(text);
  }
  const std::wstring document = xml.Str();
  if (document.empty()) return;  // Guess: an empty XML means no ribbon, and is no error
  try {
    document_ = ParseRibbonXml(document);
  } catch (const ERibbonXmlError& e) {
    UiError(e.text);  // nothing of the document is applied
  }
}

void TStandInRibbon::ResolveCallbacks() {
  for (const std::wstring& name : CallbackNames(*document_)) {
    std::wstring copy = name;
    LPOLESTR names[] = {copy.data()};
    DISPID id = DISPID_UNKNOWN;
    if (SUCCEEDED(addIn_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
      callbacks_[name] = id;
    else
      UiError(L"The callback \"" + name + L"\" cannot be found");  // it stays unresolved; the rest applies
  }
}

void TStandInRibbon::CallOnLoad() {
  const std::wstring* onLoad = document_->Attribute(L"onLoad");
  if (!onLoad) return;
  ui_ = com::MakeComObject<TStandInRibbonUI>(this);
  TVariant ribbon = TVariant::Object(ui_.Get());
  Call(*onLoad, const_cast<VARIANT&>(ribbon.Raw()));
}

std::optional<TVariant> TStandInRibbon::Call(const std::wstring& name, VARIANT& argument) {
  const auto id = callbacks_.find(name);
  if (!addIn_ || id == callbacks_.end()) return std::nullopt;  // reported when resolving
  DISPPARAMS params{&argument, nullptr, 1, 0};
  TVariant result;
  EXCEPINFO info{};
  const HRESULT status =
      addIn_->Invoke(id->second, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.Put(), &info, nullptr);
  SysFreeString(info.bstrSource);
  SysFreeString(info.bstrDescription);
  SysFreeString(info.bstrHelpFile);
  lastCallStatus_ = status;
  if (FAILED(status)) {
    wchar_t text[64];
    std::swprintf(text, 64, L"\" failed with 0x%08lX", static_cast<unsigned long>(status));
    UiError(L"The callback \"" + name + text);
    return std::nullopt;
  }
  return result;
}

std::optional<TVariant> TStandInRibbon::CallForControl(const std::wstring& name, const TRibbonNode& control) {
  const std::wstring* id = control.Attribute(L"id");
  const std::wstring* tag = control.Attribute(L"tag");
  TVariant argument = ControlArgument(id ? *id : L"", tag ? *tag : L"", context_);
  return Call(name, const_cast<VARIANT&>(argument.Raw()));
}

const TRibbonNode* TStandInRibbon::Tab() const {
  if (!document_ || document_->children.empty()) return nullptr;
  const TRibbonNode& ribbon = document_->children.front();
  if (ribbon.children.empty()) return nullptr;
  const TRibbonNode& tabs = ribbon.children.front();
  return tabs.children.empty() ? nullptr : &tabs.children.front();
}

std::vector<const TRibbonNode*> TStandInRibbon::Buttons() const {
  std::vector<const TRibbonNode*> buttons;
  if (const TRibbonNode* tab = Tab())
    for (const TRibbonNode& group : tab->children)
      for (const TRibbonNode& button : group.children) buttons.push_back(&button);
  return buttons;
}

const TRibbonNode* TStandInRibbon::Button(std::wstring_view label) const {
  for (const TRibbonNode* button : Buttons())
    if (const std::wstring* l = button->Attribute(L"label"); l && *l == label) return button;
  return nullptr;
}

bool TStandInRibbon::Enabled(const TRibbonNode& button) {
  if (const std::wstring* enabled = button.Attribute(L"enabled")) return *enabled == L"true" || *enabled == L"1";
  const std::wstring* callback = button.Attribute(L"getEnabled");
  if (!callback) return true;
  const std::wstring& id = *button.Attribute(L"id");
  if (const auto kept = enabled_.find(id); kept != enabled_.end()) return kept->second;
  ++enabledQueries_;
  bool answer = false;  // Guess: a failed or malformed answer shows the control disabled
  if (const auto result = CallForControl(*callback, button)) {
    if (result->Type() == VT_BOOL)
      answer = result->ToBool();
    else
      UiError(L"The callback \"" + *callback + L"\" did not answer a Boolean");
  }
  enabled_[id] = answer;
  return answer;
}

namespace {

ComPtr<IPictureDisp> PictureOf(const TVariant& answer) {
  if (answer.Type() != VT_DISPATCH && answer.Type() != VT_UNKNOWN) return nullptr;
  IUnknown* object = answer.Type() == VT_DISPATCH ? V_DISPATCH(&answer.Raw()) : V_UNKNOWN(&answer.Raw());
  ComPtr<IPictureDisp> picture;
  if (object) object->QueryInterface(IID_IPictureDisp, picture.PutVoid());
  return picture;
}

}  // namespace

ComPtr<IPictureDisp> TStandInRibbon::Image(const TRibbonNode& button) {
  if (const std::wstring* image = button.Attribute(L"image")) {
    const std::wstring* loader = document_->Attribute(L"loadImage");
    if (!loader) return nullptr;  // Guess: without loadImage a COM add-in's image names show nothing
    if (const auto kept = loaded_.find(*image); kept != loaded_.end()) return kept->second;
    TVariant name = TVariant::Text(*image);
    const auto result = Call(*loader, const_cast<VARIANT&>(name.Raw()));
    ComPtr<IPictureDisp> picture = result ? PictureOf(*result) : nullptr;
    if (result && !picture) UiError(L"The callback \"" + *loader + L"\" did not answer a picture");
    return loaded_[*image] = picture;
  }
  const std::wstring* callback = button.Attribute(L"getImage");
  if (!callback) return nullptr;
  const std::wstring& id = *button.Attribute(L"id");
  if (const auto kept = images_.find(id); kept != images_.end()) return kept->second;
  const auto result = CallForControl(*callback, button);
  ComPtr<IPictureDisp> picture = result ? PictureOf(*result) : nullptr;
  if (result && !picture) UiError(L"The callback \"" + *callback + L"\" did not answer a picture");
  return images_[id] = picture;
}

std::optional<HRESULT> TStandInRibbon::Click(const TRibbonNode& button) {
  const std::wstring* onAction = button.Attribute(L"onAction");
  if (!onAction || !Enabled(button)) return std::nullopt;
  lastCallStatus_ = E_UNEXPECTED;  // stays when the callback is unresolved
  CallForControl(*onAction, button);
  return lastCallStatus_;
}

void TStandInRibbon::Invalidated(const std::wstring& id) {
  invalidations_.push_back(id);
  if (id == L"*") {
    enabled_.clear();
    images_.clear();
  } else {
    enabled_.erase(id);
    images_.erase(id);
  }
  if (onChange) onChange();
}

std::vector<std::wstring> TStandInRibbon::TakeInvalidations() { return std::exchange(invalidations_, {}); }

}  // namespace carvelo::standin
