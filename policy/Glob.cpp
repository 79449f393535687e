// Case-insensitive glob matching.
#include "policy/Glob.h"

#include "vb_runtime/Strings.h"

namespace policy {

namespace {

// Backtracking match; `separator` is the character "*" and "?" do not
// cross (0 for none). Patterns are short, so the plain recursion is cheap.
bool Matches(vb::TextView pattern, vb::TextView text, char16_t separator) {
    while (!pattern.empty()) {
        if (pattern.substr(0, 2) == u"**") {
            pattern.remove_prefix(2);
            for (size_t skip = 0; skip <= text.size(); ++skip) {
                if (Matches(pattern, text.substr(skip), separator)) return true;
            }
            return false;
        }
        if (pattern.front() == u'*') {
            pattern.remove_prefix(1);
            for (size_t skip = 0; skip <= text.size(); ++skip) {
                if (Matches(pattern, text.substr(skip), separator)) return true;
                if (skip < text.size() && separator != 0 && text[skip] == separator) return false;
            }
            return false;
        }
        if (text.empty()) return false;
        if (pattern.front() == u'?') {
            if (separator != 0 && text.front() == separator) return false;
        } else if (vb::FoldAscii(pattern.front()) != vb::FoldAscii(text.front())) {
            return false;
        }
        pattern.remove_prefix(1);
        text.remove_prefix(1);
    }
    return text.empty();
}

}  // namespace

bool GlobMatches(vb::TextView pattern, vb::TextView name) { return Matches(pattern, name, 0); }

bool PathGlobMatches(vb::TextView pattern, vb::TextView path) { return Matches(pattern, path, u'/'); }

}  // namespace policy
