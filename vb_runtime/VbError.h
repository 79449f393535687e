// VbError: the one exception type of the system, carrying a runtime error
// number, its standard description and the place where it happened.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace vb {

/// Runtime error numbers used by the system.
enum ErrorNumber : int32_t {
    ErrInvalidArgument = 5,
    ErrOverflow = 6,
    ErrOutOfMemory = 7,
    ErrSubscriptOutOfRange = 9,
    ErrTypeMismatch = 13,
    ErrBadFileName = 52,
    ErrFileNotFound = 53,
    ErrDeviceIO = 57,
    ErrFileAlreadyExists = 58,
    ErrDiskFull = 61,
    ErrPermissionDenied = 70,
    ErrPathFileAccess = 75,
    ErrPathNotFound = 76,
};

/// The standard description of a runtime error number ("Application-defined
/// or object-defined error" for numbers without one).
const char* StandardDescription(int32_t number);

class VbError : public std::runtime_error {
public:
    /// `context` names the place (a path, "path:line"); it may be empty.
    explicit VbError(int32_t number, std::string context = {});
    /// A description of our own instead of the standard one (for example a
    /// decoding error that names the byte and its offset).
    VbError(int32_t number, std::string description, std::string context);

    /// An error tied to a line of the file being processed: the standard
    /// description, and the context "line N: detail".
    static VbError AtLine(int32_t number, int32_t line, std::string detail);

    int32_t Number() const { return number_; }
    const std::string& Description() const { return description_; }
    const std::string& Context() const { return context_; }
    /// The 1-based line the error is tied to; 0 when it is tied to none.
    int32_t Line() const { return line_; }
    /// For an error tied to a line, the context without its "line N: ".
    const std::string& Detail() const { return detail_; }

private:
    int32_t number_;
    std::string description_;
    std::string context_;
    int32_t line_ = 0;
    std::string detail_;
};

}  // namespace vb
