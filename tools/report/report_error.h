// The one failure of velmora-report: a message for the user. Thrown anywhere,
// caught in main, printed after "ERROR: " and answered with exit status 1.
#pragma once
#include <stdexcept>
#include <string>

class ReportError : public std::runtime_error {
 public:
  explicit ReportError(const std::string& message) : std::runtime_error(message) {}
};
