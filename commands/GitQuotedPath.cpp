// Quoting file names as git does (its core.quotePath default).
#include "commands/GitQuotedPath.h"

namespace run {

namespace {

bool NeedsQuoting(unsigned char byte) {
    return byte < 0x20 || byte == 0x7F || byte == '"' || byte == '\\' || byte >= 0x80;
}

// The letter of C's short escape for a byte, or 0 where git writes octal.
char ShortEscape(unsigned char byte) {
    switch (byte) {
    case '\a': return 'a';
    case '\b': return 'b';
    case '\t': return 't';
    case '\n': return 'n';
    case '\v': return 'v';
    case '\f': return 'f';
    case '\r': return 'r';
    case '"': return '"';
    case '\\': return '\\';
    default: return 0;
    }
}

}  // namespace

std::string GitQuotedPath(std::string_view path) {
    bool quote = false;
    for (const char c : path) quote = quote || NeedsQuoting(static_cast<unsigned char>(c));
    if (!quote) return std::string(path);
    std::string quoted = "\"";
    for (const char c : path) {
        const auto byte = static_cast<unsigned char>(c);
        if (!NeedsQuoting(byte)) {
            quoted += c;
        } else if (const char letter = ShortEscape(byte); letter != 0) {
            quoted += '\\';
            quoted += letter;
        } else {
            quoted += '\\';
            quoted += static_cast<char>('0' + (byte >> 6));
            quoted += static_cast<char>('0' + ((byte >> 3) & 7));
            quoted += static_cast<char>('0' + (byte & 7));
        }
    }
    return quoted + "\"";
}

std::string DiffHeaderName(std::string_view prefix, std::string_view path) {
    std::string name = GitQuotedPath(std::string(prefix) + std::string(path));
    if (name.find(' ') != std::string::npos) name += '\t';
    return name;
}

}  // namespace run
