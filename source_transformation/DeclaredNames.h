// The names a run declares that a Variant can hold a value of: its classes,
// forms and user controls (each file's Attribute VB_Name) and its Enums.
// A parameter of such a type can go into Array(…); one of a user-defined
// type cannot.
#pragma once

#include <cstdint>
#include <string_view>
#include <functional>
#include <unordered_set>

#include "vb_runtime/Text.h"

namespace scan {

class DeclaredNames {
public:
    void Add(vb::TextView name);
    /// Whether `name` was added, letter case ignored.
    bool Has(vb::TextView name) const;
    bool Empty() const { return names_.empty(); }
    /// Adds every name of `other`.
    void Merge(const DeclaredNames& other);

private:
    // Names are looked up by a view of their folded letters, so that a
    // lookup needs no string of its own.
    struct Hash {
        using is_transparent = void;
        size_t operator()(vb::TextView name) const { return std::hash<vb::TextView>{}(name); }
    };
    std::unordered_set<Text, Hash, std::equal_to<>> names_;  // folded
};

/// Adds the declarations of a module's text: its "Attribute VB_Name" value
/// and the name of each Enum statement, found in the lines above its first
/// procedure, where VB6 keeps every declaration. Returns true when the text
/// reached such a procedure line (the rest of the file declares nothing).
bool AddDeclarationsOf(vb::TextView text, DeclaredNames& names);

/// The same for bytes of a file in `codePage`: the whole file, or its first
/// bytes (`wholeFile` false), of which only the lines that end in an LF are
/// looked at. Returns true when they reach the first procedure, so that no
/// more of the file is needed.
bool AddDeclarationsOfBytes(std::string_view bytes, int32_t codePage, bool wholeFile, DeclaredNames& names);

}  // namespace scan
