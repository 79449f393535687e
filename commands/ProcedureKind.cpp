// Procedure kinds and names for a team policy.
#include "commands/ProcedureKind.h"

#include "vb_runtime/Strings.h"

namespace run {

namespace {

// The first word of `text` (up to a space) and the rest after it.
vb::TextView FirstWord(vb::TextView text, vb::TextView& rest) {
    const size_t space = text.find(u' ');
    rest = space == vb::TextView::npos ? vb::TextView() : text.substr(space + 1);
    return text.substr(0, space);
}

}  // namespace

ProcedureIdentity IdentifyProcedure(const scan::ProcedureHeader& header) {
    // The keyword the scan matched, then what it took for the name: after
    // "Property" it starts with Get, Let or Set.
    const Text keyword = vb::Trim(header.kind);
    Text name = vb::Trim(header.name);
    ProcedureIdentity identity;
    if (vb::EqualsNoCase(keyword, u"sub")) {
        identity.kind = u"Sub";
    } else if (vb::EqualsNoCase(keyword, u"function")) {
        identity.kind = u"Function";
    } else if (vb::EqualsNoCase(keyword, u"property")) {
        vb::TextView rest;
        const vb::TextView accessor = FirstWord(name, rest);
        for (const char16_t* word : {u"Get", u"Let", u"Set"}) {
            if (vb::EqualsNoCase(accessor, word)) identity.kind = Text(u"Property ") + word;
        }
        if (!identity.kind.empty()) name = vb::Trim(rest);
    }
    identity.name = name;
    return identity;
}

}  // namespace run
