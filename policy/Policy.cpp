// Reading and checking a policy file.
#include "policy/Policy.h"

#include <toml++/toml.h>

#include <set>

#include "policy/Glob.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/FileAccess.h"
#include "vb_runtime/LineBreak.h"
#include "vb_runtime/Strings.h"
#include "vb_runtime/VbError.h"

namespace policy {

PolicyError::PolicyError(const std::string& file, int64_t line, const std::string& message)
    : std::runtime_error(file + ":" + std::to_string(line) + ": error: " + message) {}

Text FoldKind(vb::TextView kind) {
    Text folded;
    for (char16_t c : kind) {
        if (c == u' ' || c == u'\t') {
            if (!folded.empty() && folded.back() != u' ') folded += u' ';
        } else {
            folded += vb::FoldAscii(c);
        }
    }
    while (!folded.empty() && folded.back() == u' ') folded.pop_back();
    return folded;
}

namespace {

bool IsOneOf(vb::TextView folded, const char16_t* const* names, size_t count) {
    for (size_t i = 0; i < count; ++i) {
        if (folded == FoldKind(names[i])) return true;
    }
    return false;
}

template <size_t N>
bool IsOneOf(vb::TextView folded, const char16_t* const (&names)[N]) {
    return IsOneOf(folded, names, N);
}

}  // namespace

// Walks the parsed document, checking every key and value as it goes.
class PolicyReader {
public:
    explicit PolicyReader(const Text& path) : path_(path), display_(vb::DisplayPath(path)) {
        folder_ = vb::FolderPart(path);
    }

    Policy Read() {
        const std::string bytes = vb::ReadFileBytes(path_);
        toml::table document;
        try {
            document = toml::parse(bytes, display_);
        } catch (const toml::parse_error& error) {
            throw PolicyError(display_, error.source().begin.line, "not valid TOML: " + std::string(error.description()));
        }
        for (auto&& [key, node] : document) {
            const std::string name(key.str());
            if (name == "kinds") {
                ReadKinds(node, key, "kinds", policy_.kinds_);
            } else if (name == "objects") {
                ReadObjects(node, key);
            } else if (name == "exclude") {
                ReadExclusions(node, key);
            } else if (name == "numbers") {
                ReadNumbers(node, key);
            } else if (name == "runtime") {
                const std::optional<bool> value = node.value<bool>();
                if (!value || !node.is_boolean()) throw Fault(key, "'runtime' must be true or false");
                policy_.runtime_ = *value;
            } else if (!ReadTemplateKey(name, node, key, name, policy_.defaults_)) {
                throw Unknown(key, name);
            }
        }
        CheckBothForms(document, "");
        return std::move(policy_);
    }

private:
    PolicyError Fault(const toml::key& key, const std::string& message) const {
        return PolicyError(display_, key.source().begin.line, message);
    }
    PolicyError Unknown(const toml::key& key, const std::string& dotted) const {
        return Fault(key, "unknown key '" + dotted + "'");
    }

    const toml::table& TableAt(const toml::node& node, const toml::key& key, const std::string& dotted) const {
        const toml::table* table = node.as_table();
        if (table == nullptr) throw Fault(key, "'" + dotted + "' must be a table");
        return *table;
    }

    Text StringAt(const toml::node& node, const toml::key& key, const std::string& dotted) const {
        const std::optional<std::string_view> value = node.value<std::string_view>();
        if (!value) throw Fault(key, "'" + dotted + "' must be a string");
        return vb::FromUtf8(*value);
    }

    // begin, end, begin_file or end_file of one level; false for any other key.
    bool ReadTemplateKey(const std::string& name, const toml::node& node, const toml::key& key,
                         const std::string& dotted, TemplateTexts& level) {
        std::optional<Text>* slot = name == "begin" || name == "begin_file" ? &level.begin
                                    : name == "end" || name == "end_file"   ? &level.end
                                                                            : nullptr;
        if (slot == nullptr) return false;
        (slot == &level.begin ? level.beginKey : level.endKey) = dotted;
        const Text value = StringAt(node, key, dotted);
        if (name.size() > 5 && name.compare(name.size() - 5, 5, "_file") == 0) {
            *slot = vb::LoneLfToCrLf(ReadTemplateFile(value, key, dotted));
        } else {
            *slot = vb::LoneLfToCrLf(value);
        }
        return true;
    }

    // A level must not give a template both inline and as a file.
    void CheckBothForms(const toml::table& table, const std::string& prefix) const {
        for (const char* which : {"begin", "end"}) {
            const std::string file = std::string(which) + "_file";
            if (table.contains(which) && table.contains(file)) {
                for (auto&& [key, node] : table) {
                    if (key.str() == file) throw Fault(key, "'" + prefix + file + "': give " + which + " or " + file + ", not both");
                }
            }
        }
    }

    Text ReadTemplateFile(const Text& name, const toml::key& key, const std::string& dotted) const {
        const bool absolute = !name.empty() && (name[0] == u'/' || name[0] == u'\\' || (name.size() > 1 && name[1] == u':'));
        const Text path = absolute ? name : folder_ + name;
        if (!vb::IsOrdinaryFile(path)) throw Fault(key, "'" + dotted + "': no such file: " + vb::DisplayPath(path));
        try {
            return vb::DecodeTextFile(vb::ReadFileBytes(path), vb::AnsiCodePage());
        } catch (const vb::VbError& error) {
            const std::string why = error.Number() == vb::ErrInvalidArgument ? error.Context() : error.Description();
            throw Fault(key, "'" + dotted + "': " + why + ": " + vb::DisplayPath(path));
        }
    }

    // A table of template levels keyed by procedure kind.
    void ReadKinds(const toml::node& node, const toml::key& key, const std::string& dotted,
                   std::map<Text, TemplateTexts>& kinds) {
        for (auto&& [kindKey, kindNode] : TableAt(node, key, dotted)) {
            const std::string kindName(kindKey.str());
            const std::string kindDotted = dotted + ".\"" + kindName + "\"";
            const Text folded = FoldKind(vb::FromUtf8(kindName));
            if (!IsOneOf(folded, kProcedureKinds)) {
                throw Fault(kindKey, "'" + kindDotted +
                                         "': not a procedure kind (Sub, Function, Property Get, Property Let, Property Set)");
            }
            kinds[folded] = ReadLevel(kindNode, kindKey, kindDotted, {});
        }
    }

    // One level's begin and end; `nested` names the sub-tables it may hold.
    TemplateTexts ReadLevel(const toml::node& node, const toml::key& key, const std::string& dotted,
                            const std::set<std::string>& nested) {
        const toml::table& table = TableAt(node, key, dotted);
        TemplateTexts level;
        for (auto&& [entryKey, entryNode] : table) {
            const std::string name(entryKey.str());
            if (nested.count(name) != 0) continue;
            if (!ReadTemplateKey(name, entryNode, entryKey, dotted + "." + name, level)) {
                throw Unknown(entryKey, dotted + "." + name);
            }
        }
        CheckBothForms(table, dotted + ".");
        return level;
    }

    void ReadObjects(const toml::node& node, const toml::key& key) {
        for (auto&& [objectKey, objectNode] : TableAt(node, key, "objects")) {
            const std::string objectName(objectKey.str());
            const std::string dotted = "objects." + objectName;
            const Text folded = FoldKind(vb::FromUtf8(objectName));
            if (!IsOneOf(folded, kObjectKinds)) {
                throw Fault(objectKey, "'" + dotted +
                                           "': not an object kind (Form, Class, Module, UserControl, PropertyPage, "
                                           "UserDocument)");
            }
            Policy::ObjectRules& rules = policy_.objects_[folded];
            rules.templates = ReadLevel(objectNode, objectKey, dotted, {"kinds"});
            const toml::table& table = *objectNode.as_table();
            for (auto&& [entryKey, entryNode] : table) {
                if (entryKey.str() == "kinds") ReadKinds(entryNode, entryKey, dotted + ".kinds", rules.kinds);
            }
        }
    }

    std::vector<Text> StringsAt(const toml::node& node, const toml::key& key, const std::string& dotted) const {
        const toml::array* array = node.as_array();
        if (array == nullptr) throw Fault(key, "'" + dotted + "' must be a list of strings");
        std::vector<Text> strings;
        for (const toml::node& element : *array) {
            const std::optional<std::string_view> value = element.value<std::string_view>();
            if (!value) throw Fault(key, "'" + dotted + "' must be a list of strings");
            strings.push_back(vb::FromUtf8(*value));
        }
        return strings;
    }

    void ReadExclusions(const toml::node& node, const toml::key& key) {
        for (auto&& [entryKey, entryNode] : TableAt(node, key, "exclude")) {
            const std::string name(entryKey.str());
            const std::string dotted = "exclude." + name;
            if (name == "procedures") {
                policy_.excludedProcedures_ = StringsAt(entryNode, entryKey, dotted);
            } else if (name == "files") {
                policy_.excludedFiles_ = StringsAt(entryNode, entryKey, dotted);
                for (Text& pattern : policy_.excludedFiles_) {
                    for (char16_t& c : pattern) {
                        if (c == u'\\') c = u'/';
                    }
                }
            } else if (name == "kinds") {
                for (const Text& kind : StringsAt(entryNode, entryKey, dotted)) {
                    const Text folded = FoldKind(kind);
                    if (!IsOneOf(folded, kProcedureKinds)) {
                        throw Fault(entryKey, "'" + dotted + "': '" + vb::ToUtf8(kind) +
                                                  "' is not a procedure kind (Sub, Function, Property Get, "
                                                  "Property Let, Property Set)");
                    }
                    policy_.excludedKinds_.push_back(folded);
                }
            } else {
                throw Unknown(entryKey, dotted);
            }
        }
    }

    // [numbers]: start and step, whole numbers from 1 to the largest line
    // number VB6 accepts, and per, "procedure" or "module".
    void ReadNumbers(const toml::node& node, const toml::key& key) {
        constexpr int64_t kLargest = 65529;
        for (auto&& [entryKey, entryNode] : TableAt(node, key, "numbers")) {
            const std::string name(entryKey.str());
            const std::string dotted = "numbers." + name;
            if (name == "start" || name == "step") {
                const std::optional<int64_t> value = entryNode.value<int64_t>();
                if (!value || !entryNode.is_integer() || *value < 1 || *value > kLargest) {
                    throw Fault(entryKey, "'" + dotted + "' must be a whole number from 1 to 65529");
                }
                (name == "start" ? policy_.numbers_.start : policy_.numbers_.step) = *value;
            } else if (name == "per") {
                const Text per = StringAt(entryNode, entryKey, dotted);
                if (per != u"procedure" && per != u"module") {
                    throw Fault(entryKey, "'" + dotted + "' must be \"procedure\" or \"module\"");
                }
                policy_.numbers_.perModule = per == u"module";
            } else {
                throw Unknown(entryKey, dotted);
            }
        }
    }

    Text path_;
    std::string display_;
    Text folder_;
    Policy policy_;
};

Policy Policy::Load(const Text& path) { return PolicyReader(path).Read(); }

TemplateTexts Policy::Resolve(vb::TextView objectKind, vb::TextView procedureKind) const {
    const Text object = FoldKind(objectKind);
    const Text kind = FoldKind(procedureKind);
    const auto objectRules = objects_.find(object);
    const auto kindRules = kinds_.find(kind);
    std::vector<const TemplateTexts*> levels;  // most specific first
    if (objectRules != objects_.end()) {
        const auto within = objectRules->second.kinds.find(kind);
        if (within != objectRules->second.kinds.end()) levels.push_back(&within->second);
    }
    if (kindRules != kinds_.end()) levels.push_back(&kindRules->second);
    if (objectRules != objects_.end()) levels.push_back(&objectRules->second.templates);
    TemplateTexts resolved;
    for (const TemplateTexts* level : levels) {
        if (!resolved.begin && level->begin) {
            resolved.begin = level->begin;
            resolved.beginKey = level->beginKey;
        }
        if (!resolved.end && level->end) {
            resolved.end = level->end;
            resolved.endKey = level->endKey;
        }
    }
    return resolved;
}

bool Policy::ExcludesProcedure(vb::TextView name, vb::TextView procedureKind) const {
    const Text kind = FoldKind(procedureKind);
    for (const Text& excluded : excludedKinds_) {
        if (excluded == kind) return true;
    }
    for (const Text& pattern : excludedProcedures_) {
        if (GlobMatches(pattern, name)) return true;
    }
    return false;
}

bool Policy::ExcludesFile(vb::TextView path, bool atAnyFolder) const {
    for (const Text& pattern : excludedFiles_) {
        if (PathGlobMatches(pattern, path)) return true;
        if (!atAnyFolder) continue;
        for (size_t slash = path.find(u'/'); slash != vb::TextView::npos; slash = path.find(u'/', slash + 1)) {
            if (PathGlobMatches(pattern, path.substr(slash + 1))) return true;
        }
    }
    return false;
}

}  // namespace policy
