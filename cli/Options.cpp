#include "Options.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <optional>

#include "ImageFile.h"

namespace carvelo {

namespace {

// Option names with the setting values they stand for.
struct TNamedValue {
  std::string_view Name;
  int32_t Value;
};
constexpr TNamedValue FilterOptions[] = {
    {"prewitt", 0}, {"v1", 1}, {"v_square", 2}, {"sobel", 3}, {"laplacian", 4},
};
constexpr TNamedValue QualityOptions[] = {
    {"low", Quality_Low}, {"good", Quality_Good}, {"high", Quality_High}};

std::string Quoted(std::string_view Text) { return "'" + std::string(Text) + "'"; }

// A whole decimal number, nothing before or after it.
std::optional<int64_t> WholeNumber(std::string_view Text) {
  if (Text.empty() || Text.size() > 12) return std::nullopt;
  int64_t Value = 0;
  const auto [End, Error] = std::from_chars(Text.data(), Text.data() + Text.size(), Value);
  if (Error != std::errc() || End != Text.data() + Text.size()) return std::nullopt;
  return Value;
}

int32_t NumberIn(std::string_view Option, std::string_view Text, int32_t Low, int32_t High) {
  const auto Value = WholeNumber(Text);
  if (!Value || *Value < Low || *Value > High)
    throw TUsageError(std::string(Option) + " takes a whole number from " + std::to_string(Low) + " to " +
                      std::to_string(High) + ", not " + Quoted(Text));
  return static_cast<int32_t>(*Value);
}

bool SameIgnoringCase(std::string_view A, std::string_view B) {
  return A.size() == B.size() && std::equal(A.begin(), A.end(), B.begin(), [](char X, char Y) {
           return std::tolower(static_cast<unsigned char>(X)) == std::tolower(static_cast<unsigned char>(Y));
         });
}

template <size_t N>
int32_t NamedValue(std::string_view Option, std::string_view Text, const TNamedValue (&Names)[N]) {
  std::string List;
  for (const TNamedValue& Named : Names) {
    if (SameIgnoringCase(Named.Name, Text)) return Named.Value;
    List += (List.empty() ? "" : "|") + std::string(Named.Name);
  }
  throw TUsageError(std::string(Option) + " takes one of " + List + ", not " + Quoted(Text));
}

void ParseSize(std::string_view Text, TCliOptions& Options) {
  const size_t Cross = Text.find_first_of("xX");
  const auto Side = [&](std::string_view Part) -> int32_t {
    const auto Value = WholeNumber(Part);
    if (!Value || *Value < 1 || *Value > MaxImageSide)
      throw TUsageError("--size needs WIDTHxHEIGHT with each side from 1 to " + std::to_string(MaxImageSide) +
                        ", not " + Quoted(Text));
    return static_cast<int32_t>(*Value);
  };
  if (Cross == std::string_view::npos) Side("");
  Options.Width = Side(Text.substr(0, Cross));
  Options.Height = Side(Text.substr(Cross + 1));
}

}  // namespace

TCliOptions ParseOptions(const std::vector<std::string_view>& Args) {
  TCliOptions Options;
  std::vector<std::string_view> Files;
  bool SizeGiven = false;
  bool OptionsEnded = false;

  for (size_t i = 0; i < Args.size(); ++i) {
    std::string_view Arg = Args[i];
    if (OptionsEnded || Arg.size() < 2 || Arg[0] != '-') {
      Files.push_back(Arg);
      continue;
    }
    if (Arg == "--") {
      OptionsEnded = true;
      continue;
    }
    if (Arg == "--help" || Arg == "-h") {
      Options.Help = true;
      return Options;
    }
    if (Arg == "--no-scale-before-carving") {
      Options.Settings.ScaleBeforeCarving = false;
      continue;
    }

    // Options with a value: "--name value" or "--name=value".
    std::string_view Name = Arg, Value;
    bool HasValue = false;
    if (const size_t Equals = Arg.find('='); Equals != std::string_view::npos) {
      Name = Arg.substr(0, Equals);
      Value = Arg.substr(Equals + 1);
      HasValue = true;
    }
    const bool Known =
        Name == "--size" || Name == "--mask" || Name == "--filter" || Name == "--stretch" ||
        Name == "--mask-weight" || Name == "--quality";
    if (!Known) throw TUsageError("unknown option " + Quoted(Name));
    if (!HasValue) {
      if (i + 1 >= Args.size()) throw TUsageError(std::string(Name) + " needs a value");
      Value = Args[++i];
    }

    if (Name == "--size") {
      ParseSize(Value, Options);
      SizeGiven = true;
    } else if (Name == "--mask") {
      if (Value.empty()) throw TUsageError("--mask needs a file name");
      Options.Mask = std::string(Value);
    } else if (Name == "--filter") {
      Options.Settings.Filter = static_cast<uint8_t>(NamedValue(Name, Value, FilterOptions));
    } else if (Name == "--stretch") {
      Options.Settings.Stretch = NumberIn(Name, Value, 0, TCarveSettings::MaxStretch);
    } else if (Name == "--mask-weight") {
      Options.Settings.MasqueWeight = NumberIn(Name, Value, 0, TCarveSettings::MaxMasqueWeight);
    } else {
      Options.Settings.SamplingQuality = NamedValue(Name, Value, QualityOptions);
    }
  }

  if (Files.size() < 2) throw TUsageError("INPUT and OUTPUT files are needed");
  if (Files.size() > 2) throw TUsageError("unexpected argument " + Quoted(Files[2]));
  if (!SizeGiven) throw TUsageError("--size WIDTHxHEIGHT is needed");
  Options.Input = std::string(Files[0]);
  Options.Output = std::string(Files[1]);
  return Options;
}

std::string HelpText() {
  return R"(Usage: carvelo INPUT OUTPUT --size WIDTHxHEIGHT [options]

Resizes a picture by seam carving: paths of unimportant pixels are removed
or inserted so that the detailed parts keep their proportions. The picture
is fitted to WIDTH x HEIGHT exactly as the Carvelo add-in fits a picture
that was stretched on a slide to that size.

INPUT and OUTPUT are PNG or JPEG files, chosen by their extension (.png,
.jpg, .jpeg). A transparent PNG gives a transparent PNG: its alpha moves
with its pixels (a JPEG OUTPUT shows it on white). A damaged or truncated
INPUT or MASK is refused.

OUTPUT is written only when everything succeeded; it is never left
half-written: a temporary file beside it is renamed over it at the end, and
removed on any error and on Ctrl-C (SIGINT, SIGTERM, SIGHUP). Whether
OUTPUT's folder can be written is checked before carving starts. A symbolic
link is written through to its target; a read-only OUTPUT is refused.

Limits: at most 32767 pixels on a side, and at most 67108864 pixels in all
(64 megapixels, e.g. 8192x8192) for INPUT, MASK, the picture being carved and
the result. Sizes are checked from the file headers before any picture is
loaded. Carving needs about 50 bytes of memory per pixel of the larger of
the picture being carved and the result: up to about 3.5 GB.

Options:
  --size WIDTHxHEIGHT   the size wanted, 1 to 32767 pixels on a side (required)
  --mask MASK           an image of INPUT's size marking areas: pixels of
                        exactly red (255,0,0) are carved out first, exactly
                        green (0,128,0) are protected, any other colour is no
                        preference. With --size equal to INPUT's size the
                        marked objects are removed and the picture grown back.
                        Use PNG for masks: JPEG does not keep exact colours.
  --filter NAME         energy filter: prewitt (default), v1, v_square,
                        sobel, laplacian
  --stretch N           0..800 (default 400): how inserted seams spread when
                        the picture grows; 0 repeats the same seam, larger
                        values interpolate
  --mask-weight N       0..100 percent (default 100): strength of the marks
  --no-scale-before-carving
                        never resample first. By default, when the picture
                        shrinks in both directions or grows in both, it is
                        first resampled uniformly by the smaller change and
                        only the rest is carved.
  --quality NAME        quality of that resampling: low (nearest pixel),
                        good (bilinear), high (Mitchell cubic, default)
  -h, --help            show this text

The result is Round(w * fw) x Round(h * fh), where w x h is the picture after
the uniform resampling and fw, fh the ratios left to carving; it can differ
from WIDTH x HEIGHT by a pixel when the picture was resampled first.

Errors print one line on standard error and exit with status 2.

Examples:
  carvelo beach.png wide.png --size 900x400
  carvelo room.png empty.png --size 600x400 --mask marks.png
)";
}

}  // namespace carvelo
