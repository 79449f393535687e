// What a line's code does with the error state: whether it reads the error
// (Err, Erl), raises one (Err.Raise, the Error statement) or sets a handler
// (On Error, On Local Error). A block's "On Error" clears the error a
// procedure was called with, and its handler catches what the procedure
// raises for its caller; the verdict refuses such procedures by these signs.
#pragma once

#include <cstddef>

#include "source_transformation/SourceUnits.h"

namespace scan::rules {

/// The first thing a line's code does with the error state.
struct ErrorUse {
    enum class Kind {
        None,     ///< nothing
        Reads,    ///< the word Err or Erl, but for Err.Raise, Err.Clear and Err.LastDllError
        Raises,   ///< Err.Raise, or a statement Error VALUE
        OnError,  ///< an On Error or On Local Error statement
    };
    Kind kind = Kind::None;
    size_t column = 0;  ///< 0-based, where it starts
};

/// The first use of the error state in the line's code, outside string
/// literals and comments. The words Err and Erl count in any letter case,
/// not as part of a longer name, not after "!", and not after "." unless
/// that "." follows VBA; Err directly followed by ".Clear" or
/// ".LastDllError" is no use, by ".Raise" a raise. `continuation`: another
/// line continues onto this one, so it does not start a statement.
template <typename Unit>
ErrorUse FirstErrorUse(UnitView<Unit> line, bool continuation, const Units<Unit>& units);

}  // namespace scan::rules
