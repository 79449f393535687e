// The team policy kept in the repository (trapwright.toml): templates per
// procedure kind and object kind, and what to leave alone. Read with a TOML
// library; every key is checked, so a misspelt one is an error rather than a
// setting that silently does nothing.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "vb_runtime/Text.h"

namespace policy {

/// A fault in a policy file: its message reads "PATH:LINE: error: MESSAGE",
/// the message naming the key.
class PolicyError : public std::runtime_error {
public:
    PolicyError(const std::string& file, int64_t line, const std::string& message);
};

/// One level's templates; a level that does not give one leaves it to the
/// next, less specific level.
struct TemplateTexts {
    std::optional<Text> begin;
    std::optional<Text> end;
    /// Where each comes from, for messages: its key ("kinds.\"Function\".begin_file").
    std::string beginKey;
    std::string endKey;
};

/// How `number` numbers a procedure's lines ([numbers]); a key the policy
/// does not give is left to the command line or the default.
struct NumberSettings {
    std::optional<int64_t> start;
    std::optional<int64_t> step;
    std::optional<bool> perModule;  ///< per = "module" (true) or "procedure" (false)
};

class Policy {
public:
    /// The policy file's name.
    static constexpr char16_t FileName[] = u"trapwright.toml";

    /// Reads and checks a policy file. Templates given inline keep TOML's
    /// escapes; a template file (begin_file, end_file, relative to the
    /// policy) is read in the code page. A lone LF in either counts as CR
    /// LF. Throws PolicyError at the first fault, VbError when the policy
    /// file cannot be read.
    static Policy Load(const Text& path);

    /// The policy's own default templates (top-level begin and end).
    const TemplateTexts& Defaults() const { return defaults_; }

    /// The templates of a procedure of `procedureKind` ("Function",
    /// "Property Get", …) in an object of `objectKind` ("Class", …), each
    /// from the most specific level that gives it: the procedure kind within
    /// the object kind, then the procedure kind, then the object kind. The
    /// default is left to the caller. Letter case is ignored.
    TemplateTexts Resolve(vb::TextView objectKind, vb::TextView procedureKind) const;

    /// Whether a procedure is excluded: its name as VB knows it matches a
    /// glob of exclude.procedures, or its kind is in exclude.kinds.
    bool ExcludesProcedure(vb::TextView name, vb::TextView procedureKind) const;

    /// Whether a file is excluded: `path` ("/" between folders) matches a
    /// glob of exclude.files as a whole or, with `atAnyFolder`, from the
    /// start of any of its folders on.
    bool ExcludesFile(vb::TextView path, bool atAnyFolder) const;

    /// The [numbers] table.
    const NumberSettings& Numbers() const { return numbers_; }

    /// `runtime = true`: add writes the runtime module into each project
    /// that does not list it, as with --with-runtime.
    bool Runtime() const { return runtime_; }

private:
    struct ObjectRules {
        TemplateTexts templates;
        std::map<Text, TemplateTexts> kinds;  // by procedure kind, folded
    };

    friend class PolicyReader;
    TemplateTexts defaults_;
    std::map<Text, TemplateTexts> kinds_;  // by procedure kind, folded
    std::map<Text, ObjectRules> objects_;  // by object kind, folded
    std::vector<Text> excludedProcedures_;
    std::vector<Text> excludedFiles_;
    std::vector<Text> excludedKinds_;  // folded
    NumberSettings numbers_;
    bool runtime_ = false;
};

/// The procedure kinds a policy names, and the object kinds, as written in
/// messages.
inline constexpr const char16_t* kProcedureKinds[] = {u"Sub", u"Function", u"Property Get", u"Property Let",
                                                     u"Property Set"};
inline constexpr const char16_t* kObjectKinds[] = {u"Form",         u"Class",       u"Module",
                                                  u"UserControl", u"PropertyPage", u"UserDocument"};

/// A kind in the form the maps are keyed by: ASCII letters folded, the
/// blanks between words reduced to one.
Text FoldKind(vb::TextView kind);

}  // namespace policy
