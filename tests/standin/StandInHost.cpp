#include "StandInHost.h"

#include <fstream>
#include <memory>
#include <sstream>

#include "HostError.h"
#include "HostIds.h"

namespace carvelo::standin {

using namespace carvelo::com;
using namespace carvelo::host;

namespace {

struct TCloseKey {
  void operator()(HKEY key) const { RegCloseKey(key); }
};
using TKey = std::unique_ptr<std::remove_pointer_t<HKEY>, TCloseKey>;

TKey OpenKey(HKEY root, const std::wstring& path, REGSAM access) {
  HKEY key = nullptr;
  if (RegOpenKeyExW(root, path.c_str(), 0, access, &key) != ERROR_SUCCESS) return nullptr;
  return TKey(key);
}

std::wstring ReadString(HKEY key, const wchar_t* name) {
  wchar_t buffer[512] = {};
  DWORD size = sizeof buffer - sizeof(wchar_t), type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size) != ERROR_SUCCESS ||
      type != REG_SZ)
    return {};
  return buffer;
}

DWORD ReadDword(HKEY key, const wchar_t* name, DWORD fallback) {
  DWORD value = 0, size = sizeof value, type = 0;
  if (RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS ||
      type != REG_DWORD)
    return fallback;
  return value;
}

// Guess: the user's own entry records a failed load; an add-in known only
// from the machine's entry (which a user cannot write) keeps it unchanged.
void SetLoadBehavior(const std::wstring& progId, DWORD value) {
  if (TKey key = OpenKey(HKEY_CURRENT_USER, std::wstring(TStandInPowerPoint::kAddinsKey) + L"\\" + progId,
                         KEY_SET_VALUE))
    RegSetValueExW(key.get(), L"LoadBehavior", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

// The COMAddIn object PowerPoint passes as AddInInst.
class TStandInComAddIn final : public TStandInObject {
 public:
  TStandInComAddIn(std::wstring progId, std::wstring description)
      : TStandInObject(nullptr, nullptr), progId_(std::move(progId)), description_(std::move(description)) {}
  bool connected = true;

 protected:
  std::span<const TMember> Members() const override {
    static const TMember members[] = {{L"ProgId", 1}, {L"Description", 2}, {L"Connect", 3}};
    return members;
  }
  TVariant Call(DISPID id, const TArgs&) override {
    switch (id) {
      case 1: return TVariant::Text(progId_);
      case 2: return TVariant::Text(description_);
      case 3: return TVariant::Bool(connected);
    }
    Raise(DISP_E_MEMBERNOTFOUND, L"Unknown member");
  }

 private:
  std::wstring progId_, description_;
};

// Command bar files: UTF-8 lines of tab-separated fields.
std::string Utf8(const std::wstring& text) {
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string r(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), r.data(), n, nullptr, nullptr);
  return r;
}

std::wstring Wide(const std::string& text) {
  const int n = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring r(n, L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), r.data(), n);
  return r;
}

std::vector<std::string> Fields(const std::string& line) {
  std::vector<std::string> fields;
  std::stringstream in(line);
  for (std::string field; std::getline(in, field, '\t');) fields.push_back(field);
  return fields;
}

}  // namespace

TStandInPowerPoint::TStandInPowerPoint(TStandInOptions options)
    : options_(std::move(options)), bars_(MakeStandIn<TStandInBars>()) {
  CreateBuiltInBars();
  LoadBars();
  app_ = MakeStandIn<TStandInApp>(options_.name, options_.commandBars ? bars_ : nullptr);
  app_->presentation = MakeStandIn<TStandInPresentation>();
  app_->presentation->AddSlide();
  app_->window = MakeStandIn<TStandInWindow>(app_->presentation);
  app_->presentation->copyAsDisplayed = options_.copyAsDisplayed;
  app_->presentation->copyOffersPng = options_.copyOffersPng;
  app_->presentation->hasAddPicture2 = options_.hasAddPicture2;
  // WindowSelectionChange fires when the selection changes "whether in the
  // user interface or in code", synchronously, inside the call that
  // changed it.
  app_->presentation->onShapeRemoved = [this](TStandInShape* shape) {
    TSelectionState& selection = Window().selection;
    if (std::erase_if(selection.shapes, [&](const auto& s) { return s.Get() == shape; }) == 0) return;
    if (selection.shapes.empty()) selection.type = ppSelectionNone;
    app_->FireWindowSelectionChange();
  };
  // Guess: a paste in code selects what it pasted, as pasting in the
  // interface does, when the slide is the one the window shows.
  app_->presentation->onSelected = [this](TStandInSlide& slide, const std::vector<ComPtr<TStandInShape>>& shapes) {
    if (slide.SlideIndex() != Window().currentSlide) return false;
    Window().selection = {ppSelectionShapes, shapes};
    app_->FireWindowSelectionChange();
    return true;
  };
  if (options_.registerInRot)
    Check(RegisterActiveObject(app_->Dispatch(), CLSID_PowerPointApplication, ACTIVEOBJECT_STRONG, &rotCookie_),
          "RegisterActiveObject");
  running_ = true;
}

TStandInPowerPoint::~TStandInPowerPoint() {
  try {
    Quit();
  } catch (...) {
  }
  if (window_) DestroyWindow(window_);
  bars_->onChange = nullptr;
  if (app_->presentation) app_->presentation->onChange = nullptr;
}

void TStandInPowerPoint::CreateBuiltInBars() {
  bars_->AddBar(L"Menu Bar", msoBarTop, true, false)->SetVisible(true);
  bars_->AddBar(L"Standard", msoBarTop, true, false)->SetVisible(true);
  bars_->AddBar(L"Formatting", msoBarTop, true, false)->SetVisible(true);
  bars_->AddBar(L"Drawing", msoBarBottom, true, false)->SetVisible(true);
  bars_->AddBar(L"Reviewing", msoBarTop, true, false);
}

void TStandInPowerPoint::LoadBars() {
  if (options_.barsFile.empty()) return;
  std::ifstream in(Utf8(options_.barsFile));
  ComPtr<TStandInBar> bar;
  for (std::string line; std::getline(in, line);) {
    const auto f = Fields(line);
    if (f.size() == 4 && f[0] == "bar") {
      bar = bars_->AddBar(Wide(f[1]), std::stoi(f[3]), false, false);
      bar->SetVisible(f[2] == "1");
    } else if (f.size() == 8 && f[0] == "button" && bar) {
      TButtonState s{Wide(f[1]), Wide(f[2]), Wide(f[3]), std::stoi(f[4]), std::stoi(f[5]), f[6] == "1", f[7] == "1"};
      bar->AddButton(std::move(s), static_cast<int>(bar->Buttons().size()) + 1, false);
    }
  }
}

void TStandInPowerPoint::SaveBars() const {
  if (options_.barsFile.empty()) return;
  std::ofstream out(Utf8(options_.barsFile), std::ios::trunc);
  for (const auto& bar : bars_->Bars()) {
    if (bar->BuiltIn() || bar->Temporary()) continue;  // temporary bars go with the session
    out << "bar\t" << Utf8(bar->Name()) << '\t' << bar->Visible() << '\t' << bar->Position() << '\n';
    for (const auto& b : bar->Buttons()) {
      if (b->Temporary()) continue;
      const TButtonState& s = b->State();
      out << "button\t" << Utf8(s.caption) << '\t' << Utf8(s.tag) << '\t' << Utf8(s.tooltip) << '\t' << s.style
          << '\t' << s.faceId << '\t' << s.enabled << '\t' << s.visible << '\n';
    }
  }
}

struct TStandInPowerPoint::TAddInEntry {
  std::wstring progId, description, hive;
  DWORD loadBehavior = 0;
};

// The Addins entries of one hive, replacing those of the same ProgID read
// before: the machine's are read first, so a user's entry overrides them.
void TStandInPowerPoint::ReadAddInEntries(HKEY hive, const wchar_t* hiveName, std::vector<TAddInEntry>& entries) {
  TKey addins = OpenKey(hive, kAddinsKey, KEY_READ);
  if (!addins) return;
  wchar_t name[256];
  for (DWORD i = 0;; ++i) {
    DWORD length = 256;
    if (RegEnumKeyExW(addins.get(), i, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    TKey key = OpenKey(addins.get(), name, KEY_READ);
    if (!key) continue;
    TAddInEntry entry{name, ReadString(key.get(), L"Description"), hiveName, ReadDword(key.get(), L"LoadBehavior", 0)};
    std::erase_if(entries, [&](const TAddInEntry& e) { return _wcsicmp(e.progId.c_str(), name) == 0; });
    entries.push_back(std::move(entry));
  }
}

void TStandInPowerPoint::LoadAddIns() {
  std::vector<TAddInEntry> entries;
  ReadAddInEntries(HKEY_LOCAL_MACHINE, L"HKEY_LOCAL_MACHINE", entries);
  ReadAddInEntries(HKEY_CURRENT_USER, L"HKEY_CURRENT_USER", entries);
  for (const TAddInEntry& entry : entries)
    if (entry.loadBehavior == 3) ConnectAddIn(entry);
  TCustomArray custom;
  for (const TLoadedAddIn& a : addIns_)
    if (a.object) a.object->OnStartupComplete(custom.Put());
}

ComPtr<IUnknown> TStandInPowerPoint::CreateAddIn(const std::wstring& progId, TLoadedAddIn& loaded) {
  ComPtr<IUnknown> object;
  CLSID clsid{};
  HRESULT hr = CLSIDFromProgID(progId.c_str(), &clsid);
  if (SUCCEEDED(hr)) hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown, object.PutVoid());
  if ((hr == CO_E_CLASSSTRING || hr == REGDB_E_CLASSNOTREG) && options_.userClassesView) {
    hr = CreateFromUserClasses(progId, userClassServers_, object);
    loaded.throughUserClassesView = SUCCEEDED(hr);
  }
  loaded.connectStatus = hr;
  return object;
}

void TStandInPowerPoint::ConnectAddIn(const TAddInEntry& entry) {
  TLoadedAddIn loaded;
  loaded.progId = entry.progId;
  loaded.hive = entry.hive;
  ComPtr<IUnknown> object = CreateAddIn(entry.progId, loaded);
  HRESULT hr = loaded.connectStatus;
  ComPtr<IDTExtensibility2> addIn;
  if (SUCCEEDED(hr)) hr = object->QueryInterface(IID_IDTExtensibility2, addIn.PutVoid());
  if (SUCCEEDED(hr)) {
    auto instance = MakeStandIn<TStandInComAddIn>(entry.progId, entry.description);
    TCustomArray custom;
    hr = addIn->OnConnection(app_->Dispatch(), ext_cm_Startup, instance->Dispatch(), custom.Put());
    addInInstances_.emplace_back(instance->Dispatch());
  }
  loaded.connectStatus = hr;
  if (SUCCEEDED(hr)) {
    loaded.object = addIn;
    loaded.ribbon = &LoadRibbon(object.Get());
  } else {
    SetLoadBehavior(entry.progId, 2);
  }
  addIns_.push_back(std::move(loaded));
}

TStandInRibbon& TStandInPowerPoint::LoadRibbon(IUnknown* addIn) {
  ribbons_.push_back(std::make_unique<TStandInRibbon>(addIn, Window().Dispatch()));
  if (const HWND window = window_) {
    ribbons_.back()->onChange = [window] { PostMessageW(window, WM_USER, 0, 0); };
    PostMessageW(window, WM_USER, 0, 0);
  }
  return *ribbons_.back();
}

const TLoadedAddIn* TStandInPowerPoint::AddIn(std::wstring_view progId) const {
  for (const auto& a : addIns_)
    if (a.progId == progId) return &a;
  return nullptr;
}

HRESULT TStandInPowerPoint::UnloadAddIn(const std::wstring& progId) {
  for (TLoadedAddIn& a : addIns_) {
    if (a.progId != progId || !a.object) continue;
    if (a.ribbon) a.ribbon->Release();  // Guess: the ribbon's objects go before OnDisconnection
    TCustomArray custom;
    const HRESULT hr = a.object->OnDisconnection(ext_dm_UserClosed, custom.Put());
    a.object.Reset();
    SetLoadBehavior(progId, 2);
    return hr;
  }
  return E_INVALIDARG;
}

void TStandInPowerPoint::Quit() {
  if (!running_) return;
  running_ = false;
  for (const auto& ribbon : ribbons_) ribbon->Release();  // Guess: before OnDisconnection
  {
    TCustomArray custom;
    for (const TLoadedAddIn& a : addIns_)
      if (a.object) a.object->OnBeginShutdown(custom.Put());
    for (TLoadedAddIn& a : addIns_) {
      if (a.object) a.object->OnDisconnection(ext_dm_HostShutdown, custom.Put());
      a.object.Reset();
    }
  }
  addInInstances_.clear();
  CoFreeUnusedLibraries();
  SaveBars();
  if (rotCookie_) RevokeActiveObject(rotCookie_, nullptr);
  rotCookie_ = 0;
}

TStandInSlide& TStandInPowerPoint::Slide(int index) const {
  return *app_->presentation->SlideList().at(index - 1).Get();
}

std::vector<HRESULT> TStandInPowerPoint::SelectShapes(std::vector<ComPtr<TStandInShape>> shapes) {
  Window().selection = {shapes.empty() ? ppSelectionNone : ppSelectionShapes, std::move(shapes)};
  return app_->FireWindowSelectionChange();
}

std::vector<HRESULT> TStandInPowerPoint::SelectText(ComPtr<TStandInShape> textShape) {
  Window().selection = {ppSelectionText, {std::move(textShape)}};
  return app_->FireWindowSelectionChange();
}

std::vector<HRESULT> TStandInPowerPoint::SelectNothing() {
  Window().selection = {};
  return app_->FireWindowSelectionChange();
}

std::vector<HRESULT> TStandInPowerPoint::SelectSlides() {
  Window().selection = {ppSelectionSlides, {}};
  return app_->FireWindowSelectionChange();
}

std::vector<HRESULT> TStandInPowerPoint::SetViews(int windowViewType, int paneViewType) {
  Window().viewType = windowViewType;
  Window().paneViewType = paneViewType;
  return app_->FireWindowSelectionChange();
}

}  // namespace carvelo::standin
