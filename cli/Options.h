// The command line of carvelo.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "Settings.h"

namespace carvelo {

struct TCliOptions {
  bool Help = false;
  std::string Input;
  std::string Output;
  std::string Mask;  // empty: no mask
  int32_t Width = 0;
  int32_t Height = 0;
  TCarveSettings Settings;  // the add-in's defaults unless an option says otherwise
};

// A command line that cannot be run; what() is one line for the user.
class TUsageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// Parses the arguments after the program name. Options may come before,
// between or after INPUT and OUTPUT, as "--name value" or "--name=value";
// "--" ends the options. Throws TUsageError.
TCliOptions ParseOptions(const std::vector<std::string_view>& Args);

// The text of --help.
std::string HelpText();

}  // namespace carvelo
