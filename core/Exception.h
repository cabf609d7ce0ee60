#pragma once

#include <stdexcept>
#include <string>

namespace torvane {

// Every failure that should end the user's action and reach the window's
// top-level error box derives from this class; what() is the text shown.
class Exception : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// A file could not be opened, read or written. The message names the file and
// the reason, except for a file that is missing when read: "File not found".
class IoError : public Exception {
  public:
    using Exception::Exception;
};

}  // namespace torvane
