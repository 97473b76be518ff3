#include "StandInRibbonXml.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>
#include <set>

namespace carvelo::standin {

namespace {

[[noreturn]] void Reject(std::wstring text) { throw ERibbonXmlError{std::move(text)}; }

// ---- the schema subset ----

enum class TValue { UniqueId, QualifiedId, MsoId, Text, LongText, Keytip, Size, Boolean, Callback, Namespace };

struct TAttributeRule {
  const wchar_t* name;
  TValue value;
};

struct TElementRule {
  const wchar_t* element;
  const wchar_t* parent;  // null: the root
  bool identified;        // exactly one of id, idQ, idMso
  std::vector<TAttributeRule> attributes;
};

// Attributes every identified element takes, besides its own.
const std::vector<TAttributeRule> kIdentity = {
    {L"id", TValue::UniqueId},       {L"idQ", TValue::QualifiedId},       {L"idMso", TValue::MsoId},
    {L"tag", TValue::Text},          {L"insertAfterMso", TValue::MsoId},  {L"insertBeforeMso", TValue::MsoId},
    {L"insertAfterQ", TValue::QualifiedId}, {L"insertBeforeQ", TValue::QualifiedId},
    {L"visible", TValue::Boolean},   {L"getVisible", TValue::Callback},   {L"label", TValue::Text},
    {L"getLabel", TValue::Callback}, {L"keytip", TValue::Keytip},         {L"getKeytip", TValue::Callback},
};
const std::vector<TAttributeRule> kTips = {
    {L"screentip", TValue::Text}, {L"getScreentip", TValue::Callback}, {L"supertip", TValue::Text},
    {L"getSupertip", TValue::Callback}, {L"image", TValue::Text}, {L"imageMso", TValue::MsoId},
    {L"getImage", TValue::Callback},
};
const std::vector<TAttributeRule> kButton = {
    {L"size", TValue::Size},          {L"getSize", TValue::Callback},     {L"enabled", TValue::Boolean},
    {L"getEnabled", TValue::Callback}, {L"showLabel", TValue::Boolean},   {L"getShowLabel", TValue::Callback},
    {L"showImage", TValue::Boolean},  {L"getShowImage", TValue::Callback}, {L"description", TValue::LongText},
    {L"getDescription", TValue::Callback}, {L"onAction", TValue::Callback},
};

std::vector<TAttributeRule> Joined(std::initializer_list<const std::vector<TAttributeRule>*> parts) {
  std::vector<TAttributeRule> all;
  for (const auto* part : parts) all.insert(all.end(), part->begin(), part->end());
  return all;
}

const std::vector<TElementRule>& ElementRules() {
  static const std::vector<TElementRule> rules = {
      {L"customUI", nullptr, false,
       {{L"xmlns", TValue::Namespace}, {L"onLoad", TValue::Callback}, {L"loadImage", TValue::Callback}}},
      {L"ribbon", L"customUI", false, {{L"startFromScratch", TValue::Boolean}}},
      {L"tabs", L"ribbon", false, {}},
      {L"tab", L"tabs", true, kIdentity},
      {L"group", L"tab", true, Joined({&kIdentity, &kTips})},
      {L"button", L"group", true, Joined({&kIdentity, &kTips, &kButton})},
  };
  return rules;
}

// Each set: at most one of its attributes (a static attribute and its
// callback, or the alternatives of one property).
const std::vector<std::vector<std::wstring>>& ExclusiveSets() {
  static const std::vector<std::vector<std::wstring>> sets = {
      {L"label", L"getLabel"},         {L"image", L"imageMso", L"getImage"}, {L"size", L"getSize"},
      {L"screentip", L"getScreentip"}, {L"supertip", L"getSupertip"},       {L"keytip", L"getKeytip"},
      {L"enabled", L"getEnabled"},     {L"visible", L"getVisible"},         {L"showLabel", L"getShowLabel"},
      {L"showImage", L"getShowImage"}, {L"description", L"getDescription"},
      {L"insertAfterMso", L"insertBeforeMso", L"insertAfterQ", L"insertBeforeQ"},
  };
  return sets;
}

const TElementRule* RuleFor(std::wstring_view element) {
  for (const TElementRule& r : ElementRules())
    if (element == r.element) return &r;
  return nullptr;
}

// ---- the XML reader ----

class TReader {
 public:
  explicit TReader(std::wstring_view text) : s_(text) {}

  TRibbonNode Document() {
    if (Peek() == L'\xFEFF') ++p_;
    SkipMisc();
    if (Starts(L"<?xml")) {
      const size_t end = s_.find(L"?>", p_);
      if (end == std::wstring_view::npos) Fail(L"the XML declaration is not closed");
      p_ = end + 2;
    }
    SkipMisc();
    if (Peek() != L'<') Fail(L"no root element");
    TRibbonNode root = Element();
    SkipMisc();
    if (p_ != s_.size()) Fail(L"content after the root element");
    return root;
  }

  int LineAt(size_t position) const {
    return 1 + static_cast<int>(std::count(s_.begin(), s_.begin() + std::min(position, s_.size()), L'\n'));
  }

 private:
  [[noreturn]] void Fail(const std::wstring& what) const {
    Reject(L"Line " + std::to_wstring(LineAt(p_)) + L": the XML is not well formed: " + what);
  }
  wchar_t Peek() const { return p_ < s_.size() ? s_[p_] : L'\0'; }
  bool Starts(std::wstring_view text) const { return s_.substr(p_).starts_with(text); }
  static bool IsSpace(wchar_t c) { return c == L' ' || c == L'\t' || c == L'\r' || c == L'\n'; }
  void SkipSpace() {
    while (p_ < s_.size() && IsSpace(s_[p_])) ++p_;
  }
  // Blanks and comments, where nothing else may stand.
  void SkipMisc() {
    for (;;) {
      SkipSpace();
      if (!Starts(L"<!--")) return;
      const size_t end = s_.find(L"-->", p_ + 4);
      if (end == std::wstring_view::npos) Fail(L"a comment is not closed");
      p_ = end + 3;
    }
  }
  std::wstring Name() {
    const size_t start = p_;
    while (p_ < s_.size() && (iswalnum(s_[p_]) || s_[p_] == L'_' || s_[p_] == L':' || s_[p_] == L'-' ||
                              s_[p_] == L'.'))
      ++p_;
    if (p_ == start) Fail(L"a name is expected");
    return std::wstring(s_.substr(start, p_ - start));
  }
  std::wstring Value() {
    const wchar_t quote = Peek();
    if (quote != L'"' && quote != L'\'') Fail(L"an attribute value must be quoted");
    ++p_;
    std::wstring value;
    while (p_ < s_.size() && s_[p_] != quote) {
      if (s_[p_] == L'<') Fail(L"'<' inside an attribute value");
      if (s_[p_] == L'&')
        value += Entity();
      else
        value += s_[p_++];
    }
    if (p_ >= s_.size()) Fail(L"an attribute value is not closed");
    ++p_;
    return value;
  }
  wchar_t Entity() {
    const size_t end = s_.find(L';', p_);
    if (end == std::wstring_view::npos) Fail(L"an entity is not closed");
    const std::wstring_view name = s_.substr(p_ + 1, end - p_ - 1);
    p_ = end + 1;
    static const std::pair<std::wstring_view, wchar_t> named[] = {
        {L"amp", L'&'}, {L"lt", L'<'}, {L"gt", L'>'}, {L"quot", L'"'}, {L"apos", L'\''}};
    for (const auto& [n, c] : named)
      if (name == n) return c;
    if (name.size() > 1 && name[0] == L'#') {
      const bool hex = name[1] == L'x';
      const std::wstring digits(name.substr(hex ? 2 : 1));
      wchar_t* stop = nullptr;
      const unsigned long code = std::wcstoul(digits.c_str(), &stop, hex ? 16 : 10);
      if (!digits.empty() && *stop == L'\0' && code > 0 && code < 0x10000) return static_cast<wchar_t>(code);
    }
    Fail(L"unknown entity &" + std::wstring(name) + L";");
  }

  TRibbonNode Element() {
    TRibbonNode node;
    node.line = LineAt(p_);
    ++p_;  // '<'
    node.element = Name();
    for (;;) {
      const bool spaced = IsSpace(Peek());
      SkipSpace();
      if (Starts(L"/>")) {
        p_ += 2;
        return node;
      }
      if (Peek() == L'>') {
        ++p_;
        break;
      }
      if (!spaced) Fail(L"attributes must be separated by blanks");
      std::wstring name = Name();
      SkipSpace();
      if (Peek() != L'=') Fail(L"'=' expected after " + name);
      ++p_;
      SkipSpace();
      if (!node.attributes.emplace(name, Value()).second) Fail(L"the attribute " + name + L" appears twice");
    }
    for (;;) {
      SkipMisc();
      if (Starts(L"</")) {
        p_ += 2;
        if (Name() != node.element) Fail(L"the end tag does not match <" + node.element + L">");
        SkipSpace();
        if (Peek() != L'>') Fail(L"'>' expected");
        ++p_;
        return node;
      }
      if (Peek() != L'<') Fail(p_ < s_.size() ? L"text inside <" + node.element + L">" : L"unexpected end");
      node.children.push_back(Element());
    }
  }

  std::wstring_view s_;
  size_t p_ = 0;
};

// ---- the checks ----

bool IsLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

class TChecker {
 public:
  void Check(const TRibbonNode& node, const TRibbonNode* parent) {
    const TElementRule* rule = RuleFor(node.element);
    const std::wstring parentName = parent ? parent->element : L"";
    if (!rule) Fail(node, L"the element <" + node.element + L"> is not known here");
    if ((rule->parent ? std::wstring(rule->parent) : L"") != parentName)
      Fail(node, L"the element <" + node.element + L"> cannot stand " +
                     (parent ? L"inside <" + parentName + L">" : std::wstring(L"as the root")));
    for (const auto& [name, value] : node.attributes) CheckAttribute(node, *rule, name, value);
    if (rule->identified) CheckIdentity(node);
    for (const auto& set : ExclusiveSets()) {
      std::vector<std::wstring> given;
      for (const auto& name : set)
        if (node.Attribute(name)) given.push_back(name);
      if (given.size() > 1) Fail(node, L"the attributes " + given[0] + L" and " + given[1] + L" exclude each other");
    }
    CheckChildren(node);
    for (const TRibbonNode& child : node.children) Check(child, &node);
  }

 private:
  [[noreturn]] void Fail(const TRibbonNode& node, const std::wstring& what) const {
    Reject(L"Line " + std::to_wstring(node.line) + L": " + what);
  }

  void CheckChildren(const TRibbonNode& node) {
    // customUI holds at most one ribbon, ribbon at most one tabs, tabs at
    // least one tab.
    const bool single = node.element == L"customUI" || node.element == L"ribbon";
    if (single && node.children.size() > 1) Fail(node.children[1], L"<" + node.element + L"> holds one child");
    if (node.element == L"tabs" && node.children.empty()) Fail(node, L"<tabs> holds at least one <tab>");
  }

  void CheckIdentity(const TRibbonNode& node) {
    int ids = 0;
    for (const wchar_t* name : {L"id", L"idQ", L"idMso"}) ids += node.Attribute(name) ? 1 : 0;
    if (ids != 1) Fail(node, L"<" + node.element + L"> needs exactly one of id, idQ and idMso");
    if (const std::wstring* id = node.Attribute(L"id"))
      if (!ids_.insert(*id).second) Fail(node, L"the id \"" + *id + L"\" is used twice");
  }

  void CheckAttribute(const TRibbonNode& node, const TElementRule& rule, const std::wstring& name,
                      const std::wstring& value) {
    const auto known = std::find_if(rule.attributes.begin(), rule.attributes.end(),
                                    [&](const TAttributeRule& a) { return name == a.name; });
    if (known == rule.attributes.end())
      Fail(node, L"the attribute " + name + L" is not known on <" + node.element + L">");
    const auto bad = [&](const std::wstring& why) {
      Fail(node, L"the value \"" + value + L"\" of " + name + L" " + why);
    };
    const auto length = [&](size_t most) {
      if (value.empty() || value.size() > most) bad(L"must have 1 to " + std::to_wstring(most) + L" characters");
    };
    switch (known->value) {
      case TValue::UniqueId:
        length(1024);
        if (!IsLetter(value[0]) || !std::all_of(value.begin(), value.end(), [](wchar_t c) {
              return IsLetter(c) || IsDigit(c);
            }))
          bad(L"must be letters and digits, starting with a letter");
        break;
      case TValue::QualifiedId: {
        length(1024);
        const size_t colon = value.find(L':');
        if (colon == std::wstring::npos || colon == 0 || colon + 1 == value.size())
          bad(L"must be a prefix, a colon and an id");
        namespaces_.push_back({&node, value.substr(0, colon)});
        break;
      }
      case TValue::MsoId:
      case TValue::Text:
      case TValue::Callback: length(1024); break;
      case TValue::LongText: length(4096); break;
      case TValue::Keytip: length(3); break;
      case TValue::Size:
        if (value != L"large" && value != L"normal") bad(L"must be large or normal");
        break;
      case TValue::Boolean:
        if (value != L"true" && value != L"false" && value != L"1" && value != L"0") bad(L"must be true or false");
        break;
      case TValue::Namespace:
        if (value != kCustomUiNamespace2006 && value != kCustomUiNamespace2009)
          bad(L"is not a customUI namespace");
        break;
    }
  }

 public:
  // A qualified id's prefix must be declared; the stand-in declares none.
  // Guess: Office, which knows xmlns:prefix declarations, would accept one.
  void CheckPrefixes() const {
    if (!namespaces_.empty())
      Fail(*namespaces_.front().first, L"the prefix \"" + namespaces_.front().second + L"\" is not declared");
  }

 private:
  std::set<std::wstring> ids_;
  std::vector<std::pair<const TRibbonNode*, std::wstring>> namespaces_;
};

void CollectCallbacks(const TRibbonNode& node, std::vector<std::wstring>& names) {
  for (const auto& [attribute, value] : node.attributes)
    if (IsCallbackAttribute(attribute) && std::find(names.begin(), names.end(), value) == names.end())
      names.push_back(value);
  for (const TRibbonNode& child : node.children) CollectCallbacks(child, names);
}

}  // namespace

const std::wstring* TRibbonNode::Attribute(std::wstring_view name) const {
  const auto found = attributes.find(std::wstring(name));
  return found == attributes.end() ? nullptr : &found->second;
}

TRibbonNode ParseRibbonXml(std::wstring_view xml) {
  TRibbonNode root = TReader(xml).Document();
  if (root.element != L"customUI") Reject(L"Line " + std::to_wstring(root.line) + L": the root must be <customUI>");
  if (!root.Attribute(L"xmlns"))
    Reject(L"Line " + std::to_wstring(root.line) + L": <customUI> has no customUI namespace");
  TChecker checker;
  checker.Check(root, nullptr);
  checker.CheckPrefixes();
  return root;
}

bool IsCallbackAttribute(std::wstring_view attribute) {
  return attribute.starts_with(L"get") || attribute == L"onLoad" || attribute == L"onAction" ||
         attribute == L"loadImage";
}

std::vector<std::wstring> CallbackNames(const TRibbonNode& root) {
  std::vector<std::wstring> names;
  CollectCallbacks(root, names);
  return names;
}

}  // namespace carvelo::standin
