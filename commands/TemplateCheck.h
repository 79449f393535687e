// The checks a pair of handler templates must pass before any file is read:
// a template that cannot make blocks VB6 compiles would break every
// procedure it goes into, so the run is refused instead.
#pragma once

#include <stdexcept>
#include <string>

#include "vb_runtime/Text.h"

namespace templates {

/// A template the run refuses: its message names the template and, for a
/// file, its path. The command line exits with its usage status; the
/// desktop application shows it and writes nothing.
class TemplateError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// A template with the words that name it in messages ("the begin template
/// (begin.txt)", "the end template of [kinds."Function"] (trapwright.toml)").
struct NamedTemplate {
    vb::TextView text;
    std::string name;
};

/// What makes one template unusable, in a sentence that starts after its
/// name; empty when nothing does: a begin template that is empty, or a
/// control character other than tab, CR and LF (a binary file, say).
std::string TemplateProblem(vb::TextView text, bool isBegin);

/// Refuses (throws TemplateError) a pair of templates either of which has a
/// problem, one that jumps (GoTo, GoSub, Resume, On Error GoTo) to a label
/// that neither defines, or a pair whose blocks would define one label twice.
/// A jump to 0, to a line number or to Next is fine; labels and jump targets
/// are compared with their placeholders as written, letter case ignored.
void CheckTemplatePair(const NamedTemplate& begin, const NamedTemplate& end);

}  // namespace templates
