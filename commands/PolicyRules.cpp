// Templates and exclusions from the command line and the team policy.
#include "commands/PolicyRules.h"

#include <filesystem>
#include <system_error>

#include "commands/DefaultTemplates.h"
#include "commands/ProcedureKind.h"
#include "commands/TemplateCheck.h"
#include "policy/PolicyLocator.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/FileAccess.h"
#include "vb_runtime/Strings.h"

namespace run {

namespace {

// A relative path with "/" between its folders.
Text GenericPath(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::wstring wide = path.generic_wstring();
    return Text(wide.begin(), wide.end());
#else
    return vb::FromUtf8(path.generic_string());
#endif
}

// The object kind of a file named on the command line, by its extension.
Text ObjectKindByExtension(const Text& path) {
    const Text name = vb::FileNamePart(path);
    const size_t dot = name.rfind(u'.');
    const vb::TextView extension = dot == Text::npos ? vb::TextView() : vb::TextView(name).substr(dot);
    if (vb::EqualsNoCase(extension, u".frm")) return u"Form";
    if (vb::EqualsNoCase(extension, u".cls")) return u"Class";
    if (vb::EqualsNoCase(extension, u".bas")) return u"Module";
    if (vb::EqualsNoCase(extension, u".ctl")) return u"UserControl";
    if (vb::EqualsNoCase(extension, u".pag")) return u"PropertyPage";
    if (vb::EqualsNoCase(extension, u".dob")) return u"UserDocument";
    return Text();
}

// The templates of one file: per procedure, the most specific level of the
// policy that gives a template, then the run's defaults; a procedure the
// policy excludes gets none.
class PolicyTemplates : public scan::TemplateChoice {
public:
    PolicyTemplates(std::shared_ptr<const policy::Policy> policy, Text objectKind, scan::HandlerTemplates defaults)
        : policy_(std::move(policy)), objectKind_(std::move(objectKind)), defaults_(std::move(defaults)) {
        module_ = Resolved(u"");
    }

    const scan::HandlerTemplates* ForProcedure(const scan::ProcedureHeader& header) const override {
        if (!policy_) return &module_;  // without a policy every procedure takes the run's templates
        const ProcedureIdentity procedure = IdentifyProcedure(header);
        if (policy_->ExcludesProcedure(procedure.name, procedure.kind)) return nullptr;
        const Text key = policy::FoldKind(procedure.kind);
        auto found = byKind_.find(key);
        if (found == byKind_.end()) found = byKind_.emplace(key, Resolved(procedure.kind)).first;
        return &found->second;
    }

    const scan::HandlerTemplates& ForModule() const override { return module_; }

private:
    scan::HandlerTemplates Resolved(vb::TextView procedureKind) const {
        scan::HandlerTemplates templates = defaults_;
        if (!policy_) return templates;
        const policy::TemplateTexts resolved = policy_->Resolve(objectKind_, procedureKind);
        if (resolved.begin) templates.begin = *resolved.begin;
        if (resolved.end) templates.end = *resolved.end;
        return templates;
    }

    std::shared_ptr<const policy::Policy> policy_;
    Text objectKind_;
    scan::HandlerTemplates defaults_;
    scan::HandlerTemplates module_;
    mutable std::map<Text, scan::HandlerTemplates> byKind_;  // stable addresses, filled on first use
};

}  // namespace

PolicyRules::PolicyRules(Settings settings) : settings_(std::move(settings)) {}

void PolicyRules::Prepare(const std::vector<SourceFile>& sources) {
    if (settings_.policyFile) {
        policies_[*settings_.policyFile] = std::make_shared<policy::Policy>(policy::Policy::Load(*settings_.policyFile));
        return;
    }
    if (!settings_.findPolicies) return;
    for (const SourceFile& file : sources) {
        const Text folder = file.projectFolder.empty() ? vb::FolderPart(file.path) : file.projectFolder;
        auto found = policyByFolder_.find(folder);
        if (found == policyByFolder_.end()) found = policyByFolder_.emplace(folder, policy::FindPolicy(folder)).first;
        if (found->second && policies_.count(*found->second) == 0) {
            policies_[*found->second] = std::make_shared<policy::Policy>(policy::Policy::Load(*found->second));
        }
    }
}

void PolicyRules::CheckTemplates() const {
    struct Named {
        Text text;
        std::string name;
    };
    auto check = [&](const policy::Policy* policy, const Text& policyPath) {
        auto fromPolicy = [&](const Text& text, const std::string& key, const char* which) {
            return Named{text, std::string("the ") + which + " template '" + key + "' of " + vb::DisplayPath(policyPath)};
        };
        Named begin{templates::DefaultBeginTemplate(), "the built-in begin template"};
        Named end{templates::DefaultEndTemplate(), "the end template"};
        if (policy != nullptr && policy->Defaults().begin) begin = fromPolicy(*policy->Defaults().begin, "begin", "begin");
        if (policy != nullptr && policy->Defaults().end) end = fromPolicy(*policy->Defaults().end, "end", "end");
        if (settings_.begin) begin = Named{*settings_.begin, settings_.beginName};
        if (settings_.end) end = Named{*settings_.end, settings_.endName};
        // Every level a procedure's templates can come from: each object
        // kind and procedure kind, and none.
        std::vector<const char16_t*> objectKinds(std::begin(policy::kObjectKinds), std::end(policy::kObjectKinds));
        std::vector<const char16_t*> procedureKinds(std::begin(policy::kProcedureKinds), std::end(policy::kProcedureKinds));
        objectKinds.push_back(u"");
        procedureKinds.push_back(u"");
        for (const char16_t* objectKind : objectKinds) {
            for (const char16_t* procedureKind : procedureKinds) {
                const policy::TemplateTexts resolved =
                    policy != nullptr ? policy->Resolve(objectKind, procedureKind) : policy::TemplateTexts{};
                const Named pairBegin = resolved.begin ? fromPolicy(*resolved.begin, resolved.beginKey, "begin") : begin;
                const Named pairEnd = resolved.end ? fromPolicy(*resolved.end, resolved.endKey, "end") : end;
                templates::CheckTemplatePair({pairBegin.text, pairBegin.name}, {pairEnd.text, pairEnd.name});
            }
        }
    };
    check(nullptr, Text());
    for (const auto& [path, policy] : policies_) check(policy.get(), path);
}

const Text* PolicyRules::PolicyPathOf(const SourceFile& file) const {
    if (settings_.policyFile) return &*settings_.policyFile;
    const auto found = policyByFolder_.find(file.projectFolder.empty() ? vb::FolderPart(file.path) : file.projectFolder);
    return found != policyByFolder_.end() && found->second ? &*found->second : nullptr;
}

const policy::Policy* PolicyRules::PolicyOf(const SourceFile& file) const {
    const Text* path = PolicyPathOf(file);
    if (path == nullptr) return nullptr;
    const auto found = policies_.find(*path);
    return found == policies_.end() ? nullptr : found->second.get();
}

// A project's file is matched by its path relative to the project's folder;
// a named file by its path relative to the policy's folder, also from any
// of its folders on, since a hook may pass it relative to another folder.
bool PolicyRules::LeavesFileAlone(const SourceFile& file, const policy::Policy& policy, const Text& policyPath) const {
    if (!file.named) return policy.ExcludesFile(RelativePath(file), false);
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path absolute = fs::absolute(fs::path(vb::NativePath(file.path)), error).lexically_normal();
    const fs::path folder = fs::path(vb::NativePath(policyPath)).parent_path();
    const fs::path relative = absolute.lexically_relative(folder);
    Text path = RelativePath(file);
    if (!error && !relative.empty() && *relative.begin() != "..") path = GenericPath(relative);
    return policy.ExcludesFile(path, true);
}

FileRules PolicyRules::For(const SourceFile& file) {
    FileRules rules;
    const policy::Policy* policy = PolicyOf(file);
    std::shared_ptr<const policy::Policy> shared;
    if (policy != nullptr) {
        const Text& policyPath = *PolicyPathOf(file);
        shared = policies_.at(policyPath);
        if (LeavesFileAlone(file, *policy, policyPath)) {
            rules.excluded = true;
            return rules;
        }
    }
    scan::HandlerTemplates defaults{templates::DefaultBeginTemplate(), templates::DefaultEndTemplate()};
    if (policy != nullptr && policy->Defaults().begin) defaults.begin = *policy->Defaults().begin;
    if (policy != nullptr && policy->Defaults().end) defaults.end = *policy->Defaults().end;
    if (settings_.begin) defaults.begin = *settings_.begin;
    if (settings_.end) defaults.end = *settings_.end;
    const Text objectKind = file.objectType.empty() ? ObjectKindByExtension(file.path) : file.objectType;
    rules.templates = std::make_shared<PolicyTemplates>(std::move(shared), objectKind, std::move(defaults));
    rules.context = ModuleContext{file.objectName, vb::FileNamePart(file.path), file.projectName};
    rules.optOutComments = true;
    // Line numbers: the command line's, else the policy's, else 10 by 10
    // per procedure.
    const policy::NumberSettings none;
    const policy::NumberSettings& numbers = policy != nullptr ? policy->Numbers() : none;
    rules.numbering.start = settings_.numbers.start.value_or(numbers.start.value_or(rules.numbering.start));
    rules.numbering.step = settings_.numbers.step.value_or(numbers.step.value_or(rules.numbering.step));
    rules.numbering.perModule = settings_.numbers.perModule.value_or(numbers.perModule.value_or(false));
    return rules;
}

}  // namespace run
