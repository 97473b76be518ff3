// Scripted user actions for the stand-in program and its tests, run in the
// order given on slide 1: insert a picture file at a displayed size, select
// shapes, click a toolbar or ribbon button, render the slide to a PNG file.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "StandInHost.h"

namespace carvelo::standin {

// A step that cannot be read or run, in words for the user.
struct EScriptError {
  std::wstring text;
};

struct TScriptStep {
  enum class TKind { Insert, Select, Click, RibbonClick, Render, Describe };
  TKind kind;
  std::wstring text;          // Insert, Render, Describe: the file; Click, RibbonClick: the button's caption
  std::vector<float> values;  // Insert: left, top, width, height (points); Select: shape indexes, none for nothing
};

// The slide's shapes as text, back to front: for each its name, kind, box,
// rotation, flips, lock, texts, tags and actions, then the effects that
// animate it or that its click starts. Pixels are left out.
std::wstring DescribeSlide(const TStandInSlide& slide);

// The script options, as the program's usage shows them.
extern const wchar_t kScriptUsage[];

// When args[i] is a script option: appends its step, leaves i on the step's
// last argument and answers true. Raises EScriptError on missing or bad
// values.
bool ReadScriptStep(std::span<const std::wstring> args, size_t& i, std::vector<TScriptStep>& steps);

// Runs one step as a user would and answers a line saying what was done.
// Raises EScriptError, or EPictureFileError for a picture file.
std::wstring RunScriptStep(TStandInPowerPoint& powerPoint, const TScriptStep& step);

}  // namespace carvelo::standin
