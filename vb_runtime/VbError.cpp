// Runtime error numbers and their standard descriptions.
#include "vb_runtime/VbError.h"

namespace vb {

const char* StandardDescription(int32_t number) {
    switch (number) {
    case 5: return "Invalid procedure call or argument";
    case 6: return "Overflow";
    case 7: return "Out of memory";
    case 9: return "Subscript out of range";
    case 13: return "Type mismatch";
    case 52: return "Bad file name or number";
    case 53: return "File not found";
    case 57: return "Device I/O error";
    case 58: return "File already exists";
    case 61: return "Disk full";
    case 70: return "Permission denied";
    case 75: return "Path/File access error";
    case 76: return "Path not found";
    default: return "Application-defined or object-defined error";
    }
}

namespace {
std::string Message(int32_t number, const std::string& description, const std::string& context) {
    std::string message = "error " + std::to_string(number) + ": " + description;
    if (!context.empty()) message += " (" + context + ")";
    return message;
}
}  // namespace

VbError::VbError(int32_t number, std::string context)
    : VbError(number, StandardDescription(number), std::move(context)) {}

VbError::VbError(int32_t number, std::string description, std::string context)
    : std::runtime_error(Message(number, description, context)),
      number_(number),
      description_(std::move(description)),
      context_(std::move(context)) {}

VbError VbError::AtLine(int32_t number, int32_t line, std::string detail) {
    VbError error(number, "line " + std::to_string(line) + ": " + detail);
    error.line_ = line;
    error.detail_ = std::move(detail);
    return error;
}

}  // namespace vb
