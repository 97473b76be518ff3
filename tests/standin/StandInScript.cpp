#include "StandInScript.h"

#include <cmath>
#include <cwchar>

#include "StandInPictureFile.h"
#include "StandInRender.h"

namespace carvelo::standin {

const wchar_t kScriptUsage[] =
    L"  --insert FILE LEFT TOP WIDTH HEIGHT   put a PNG or JPEG picture on slide 1 at its own size\n"
    L"                                        (96 dpi), then show it at WIDTH x HEIGHT points\n"
    L"  --select N[,N...]|none                select shapes of slide 1 by index (1 = backmost)\n"
    L"  --click CAPTION                       click the button CAPTION of a visible toolbar\n"
    L"  --ribbon-click LABEL                  click the button LABEL of an add-in's ribbon tab\n"
    L"  --render FILE.png                     write slide 1 as a PNG picture (960 x 720, 96 dpi)\n";

namespace {

using TKind = TScriptStep::TKind;

[[noreturn]] void Fail(std::wstring text) { throw EScriptError{std::move(text)}; }

float Number(const std::wstring& option, const std::wstring& text) {
  wchar_t* end = nullptr;
  const float value = std::wcstof(text.c_str(), &end);
  if (text.empty() || *end != L'\0' || !std::isfinite(value))
    Fail(option + L": \"" + text + L"\" is not a number");
  return value;
}

std::vector<float> ShapeIndexes(const std::wstring& list) {
  std::vector<float> indexes;
  if (list == L"none") return indexes;
  size_t start = 0;
  for (;;) {
    const size_t comma = list.find(L',', start);
    const float index = Number(L"--select", list.substr(start, comma - start));
    if (index < 1 || index != std::floor(index)) Fail(L"--select: shape indexes start at 1");
    indexes.push_back(index);
    if (comma == std::wstring::npos) return indexes;
    start = comma + 1;
  }
}

std::wstring Points(float value) {
  wchar_t text[32];
  std::swprintf(text, 32, L"%g", static_cast<double>(value));
  return text;
}

std::wstring Insert(TStandInPowerPoint& powerPoint, const TScriptStep& step) {
  const float left = step.values[0], top = step.values[1], width = step.values[2], height = step.values[3];
  if (width <= 0 || height <= 0) Fail(L"--insert: a picture's width and height must be positive");
  TPixels pixels = LoadPictureFile(step.text);
  const std::wstring size = std::to_wstring(pixels.width) + L" x " + std::to_wstring(pixels.height);
  const auto picture = powerPoint.Slide(1).AddPicture(left, top, width, height, std::move(pixels));
  return L"inserted \"" + picture->name + L"\" (" + size + L" pixels) at " + Points(left) + L"," + Points(top) +
         L" shown " + Points(width) + L" x " + Points(height) + L" pt";
}

std::wstring Select(TStandInPowerPoint& powerPoint, const TScriptStep& step) {
  const auto& shapes = powerPoint.Slide(1).ShapeList();
  std::vector<ComPtr<TStandInShape>> chosen;
  std::wstring names;
  for (const float index : step.values) {
    if (index > shapes.size())
      Fail(L"--select: slide 1 has no shape " + Points(index) + L" (it has " + std::to_wstring(shapes.size()) + L")");
    chosen.push_back(shapes[static_cast<size_t>(index) - 1]);
    names += (names.empty() ? L"\"" : L", \"") + chosen.back()->name + L"\"";
  }
  if (chosen.empty()) {
    powerPoint.SelectNothing();
    return L"selected nothing";
  }
  powerPoint.SelectShapes(std::move(chosen));
  return L"selected " + names;
}

// Only what a user sees can be clicked: a visible button of a visible bar.
ComPtr<TStandInButton> VisibleButton(TStandInPowerPoint& powerPoint, const std::wstring& caption) {
  for (const auto& bar : powerPoint.Bars().Bars()) {
    if (!bar->Visible()) continue;
    for (const auto& button : bar->Buttons())
      if (button->State().visible && button->State().caption == caption) return button;
  }
  Fail(L"--click: no visible toolbar has a button \"" + caption + L"\"");
}

std::wstring Click(TStandInPowerPoint& powerPoint, const TScriptStep& step) {
  const ComPtr<TStandInButton> button = VisibleButton(powerPoint, step.text);
  if (!button->State().enabled) Fail(L"--click: the button \"" + step.text + L"\" is disabled");
  const auto outcome = button->Click();
  std::wstring line = L"clicked \"" + step.text + L"\"";
  for (const HRESULT answer : outcome.answers)
    if (FAILED(answer)) {
      wchar_t status[16];
      std::swprintf(status, 16, L"0x%08lX", static_cast<unsigned long>(answer));
      line += std::wstring(L"; a click handler failed with ") + status;
    }
  return line;
}

std::wstring RibbonClick(TStandInPowerPoint& powerPoint, const TScriptStep& step) {
  for (const auto& ribbon : powerPoint.Ribbons()) {
    const TRibbonNode* button = ribbon->Button(step.text);
    if (!button) continue;
    const std::optional<HRESULT> outcome = ribbon->Click(*button);
    if (!outcome) Fail(L"--ribbon-click: the button \"" + step.text + L"\" is disabled");
    std::wstring line = L"clicked \"" + step.text + L"\" on the ribbon";
    if (FAILED(*outcome)) {
      wchar_t status[16];
      std::swprintf(status, 16, L"0x%08lX", static_cast<unsigned long>(*outcome));
      line += std::wstring(L"; its callback failed with ") + status;
    }
    return line;
  }
  Fail(L"--ribbon-click: no ribbon tab has a button \"" + step.text + L"\"");
}

std::wstring Render(TStandInPowerPoint& powerPoint, const TScriptStep& step) {
  SavePngFile(RenderSlide(powerPoint.Slide(1)), step.text);
  return L"rendered slide 1 to " + step.text;
}

}  // namespace

bool ReadScriptStep(std::span<const std::wstring> args, size_t& i, std::vector<TScriptStep>& steps) {
  const std::wstring& option = args[i];
  auto value = [&](size_t n) -> const std::wstring& {
    if (i + n >= args.size()) Fail(option + L": missing values (see --help)");
    return args[i + n];
  };
  if (option == L"--insert") {
    std::vector<float> box;
    for (size_t n = 2; n <= 5; ++n) box.push_back(Number(option, value(n)));
    steps.push_back({TKind::Insert, value(1), std::move(box)});
    i += 5;
  } else if (option == L"--select") {
    steps.push_back({TKind::Select, {}, ShapeIndexes(value(1))});
    i += 1;
  } else if (option == L"--click" || option == L"--ribbon-click" || option == L"--render") {
    const TKind kind = option == L"--click" ? TKind::Click : option == L"--render" ? TKind::Render : TKind::RibbonClick;
    steps.push_back({kind, value(1), {}});
    i += 1;
  } else {
    return false;
  }
  return true;
}

std::wstring RunScriptStep(TStandInPowerPoint& powerPoint, const TScriptStep& step) {
  switch (step.kind) {
    case TKind::Insert: return Insert(powerPoint, step);
    case TKind::Select: return Select(powerPoint, step);
    case TKind::Click: return Click(powerPoint, step);
    case TKind::RibbonClick: return RibbonClick(powerPoint, step);
    case TKind::Render: return Render(powerPoint, step);
  }
  Fail(L"unknown step");
}

}  // namespace carvelo::standin
