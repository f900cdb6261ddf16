// The one failure of the import: a message for the user, which main prints
// after "ERROR: " before ending with exit status 1.
#pragma once
#include <stdexcept>

struct InputError : std::runtime_error {
  using std::runtime_error::runtime_error;
};
