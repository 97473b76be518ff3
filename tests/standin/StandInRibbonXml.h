// The stand-in's reading of an add-in's ribbon XML: a strict parser for the
// part of the customUI schema the stand-in knows (customUI › ribbon › tabs ›
// tab › group › button), checked the way Office checks it before it applies
// anything. One violation rejects the whole document.
#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

namespace carvelo::standin {

// A violation, in words like those of Office's user-interface error list.
struct ERibbonXmlError {
  std::wstring text;
};

struct TRibbonNode {
  std::wstring element;
  std::map<std::wstring, std::wstring> attributes;
  std::vector<TRibbonNode> children;
  int line = 0;  // where its start tag begins

  // The attribute's value, or null when absent.
  const std::wstring* Attribute(std::wstring_view name) const;
};

inline constexpr wchar_t kCustomUiNamespace2006[] = L"http://schemas.microsoft.com/office/2006/01/customui";
inline constexpr wchar_t kCustomUiNamespace2009[] = L"http://schemas.microsoft.com/office/2009/07/customui";

// The validated document's root, customUI. Raises ERibbonXmlError.
TRibbonNode ParseRibbonXml(std::wstring_view xml);

// Every callback name the document uses (each once), in document order.
std::vector<std::wstring> CallbackNames(const TRibbonNode& root);

// Whether an attribute names a callback (onLoad, getEnabled, ...).
bool IsCallbackAttribute(std::wstring_view attribute);

}  // namespace carvelo::standin
