#include "StandInScript.h"

#include <cmath>
#include <cwchar>
#include <filesystem>
#include <fstream>

#include "HostIds.h"

#include "StandInPictureFile.h"
#include "StandInRender.h"

namespace carvelo::standin {

const wchar_t kScriptUsage[] =
    L"  --insert FILE LEFT TOP WIDTH HEIGHT   put a PNG or JPEG picture on slide 1 at its own size\n"
    L"                                        (96 dpi), then show it at WIDTH x HEIGHT points\n"
    L"  --select N[,N...]|none                select shapes of slide 1 by index (1 = backmost)\n"
    L"  --click CAPTION                       click the button CAPTION of a visible toolbar\n"
    L"  --ribbon-click LABEL                  click the button LABEL of an add-in's ribbon tab\n"
    L"  --render FILE.png                     write slide 1 as a PNG picture (960 x 720, 96 dpi)\n"
    L"  --describe FILE                       write slide 1's shapes as text, back to front, with\n"
    L"                                        their properties and the effects that point at each\n";

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

std::wstring Quoted(const std::wstring& text) { return L"\"" + text + L"\""; }

std::wstring KindOf(const TStandInShape& shape) {
  switch (shape.type) {
    case host::msoPicture: return L"picture";
    case host::msoPlaceholder: return shape.containedType == host::msoPicture ? L"placeholder with a picture"
                                                                              : L"empty placeholder";
    case host::msoTextBox: return L"text box";
    case host::msoGroup: return L"group";
    default: return L"shape of type " + std::to_wstring(shape.type);
  }
}

std::wstring ActionText(const TActionState& a) {
  switch (a.action) {
    case 0: return L"nothing";
    case host::ppActionHyperlink:
      return L"hyperlink " + Quoted(a.address) + L" sub-address " + Quoted(a.subAddress) + L" screen tip " +
             Quoted(a.screenTip);
    default: return L"action " + std::to_wstring(a.action) + L" run " + Quoted(a.run);
  }
}

void DescribeEffects(const TStandInShape& shape, const std::wstring& sequence, const TEffectList& list,
                     std::wstring& out) {
  for (size_t i = 0; i < list.effects.size(); ++i) {
    const TStandInEffect& e = *list.effects[i].Get();
    const std::wstring where = sequence + L" effect " + std::to_wstring(i + 1) + L" (type " +
                               std::to_wstring(e.effectType) + L")";
    if (e.shape.Get() == &shape) out += L"  animated by " + where + L"\n";
    if (e.triggerShape.Get() == &shape) out += L"  its click starts " + where + L" on " + Quoted(e.shape->name) + L"\n";
  }
}

std::wstring Render(TStandInPowerPoint& powerPoint, const TScriptStep& step) {
  SavePngFile(RenderSlide(powerPoint.Slide(1)), step.text);
  return L"rendered slide 1 to " + step.text;
}

std::wstring Describe(TStandInPowerPoint& powerPoint, const TScriptStep& step) {
  std::ofstream out(std::filesystem::path(step.text), std::ios::binary | std::ios::trunc);
  const std::wstring text = DescribeSlide(powerPoint.Slide(1));
  const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
  std::string utf8(n, '\0');
  WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), n, nullptr, nullptr);
  if (!(out << utf8)) Fail(L"--describe: cannot write " + step.text);
  return L"described slide 1 in " + step.text;
}

}  // namespace

std::wstring DescribeSlide(const TStandInSlide& slide) {
  std::wstring out;
  int position = 0;
  for (const auto& s : const_cast<TStandInSlide&>(slide).ShapeList()) {
    const TStandInShape& shape = *s.Get();
    out += std::to_wstring(++position) + L" " + Quoted(shape.name) + L": " + KindOf(shape) + L" at " +
           Points(shape.left) + L"," + Points(shape.top) + L" size " + Points(shape.width) + L" x " +
           Points(shape.height) + L" pt, rotation " + Points(shape.rotation) +
           (shape.horizontalFlip ? L", flipped horizontally" : L"") +
           (shape.verticalFlip ? L", flipped vertically" : L"") +
           (shape.lockAspectRatio ? L", aspect ratio locked" : L"") + L"\n";
    out += L"  alternative text " + Quoted(shape.alternativeText) + L", title " + Quoted(shape.title) + L"\n";
    if (shape.line.visible) {
      wchar_t colour[16];
      std::swprintf(colour, 16, L"%06lX", static_cast<unsigned long>(shape.line.foreColor));
      out += L"  border " + Points(shape.line.weight) + L" pt, colour 0x" + colour + L", dash style " +
             std::to_wstring(shape.line.dashStyle) + L"\n";
    }
    if (shape.shadow.visible)
      out += L"  shadow offset " + Points(shape.shadow.offsetX) + L"," + Points(shape.shadow.offsetY) + L" pt\n";
    for (const TTag& tag : shape.tags) out += L"  tag " + tag.name + L" = " + Quoted(tag.value) + L"\n";
    out += L"  on click: " + ActionText(shape.actions[0]) + L"; on mouse over: " + ActionText(shape.actions[1]) +
           L"\n";
    DescribeEffects(shape, L"main sequence", slide.mainSequence, out);
    for (size_t i = 0; i < slide.interactiveSequences.size(); ++i)
      DescribeEffects(shape, L"interactive sequence " + std::to_wstring(i + 1), slide.interactiveSequences[i], out);
  }
  return out;
}

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
  } else if (option == L"--click" || option == L"--ribbon-click" || option == L"--render" || option == L"--describe") {
    const TKind kind = option == L"--click"          ? TKind::Click
                       : option == L"--ribbon-click" ? TKind::RibbonClick
                       : option == L"--render"       ? TKind::Render
                                                     : TKind::Describe;
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
    case TKind::Describe: return Describe(powerPoint, step);
  }
  Fail(L"unknown step");
}

}  // namespace carvelo::standin
