// The error of a picture file that cannot be read or written.
#pragma once

#include <stdexcept>

namespace carvelo {

// what() is one line for the user.
class TImageError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

}  // namespace carvelo
