// Fatal engine messages go to standard error where there is no desktop.
#include <cstdio>

#include "GEM_bands.h"

namespace carvelo {

void Report_Fatal(const char* Message) { std::fprintf(stderr, "%s\n", Message); }

}  // namespace carvelo
