// The template pairs of one scan, each prepared once for the text's line
// break and module values, however many procedures it serves.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "source_transformation/HandlerTemplate.h"
#include "source_transformation/TemplateChoice.h"
#include "vb_runtime/Text.h"

namespace scan {

/// A begin and an end template prepared for the text being scanned.
struct PreparedTemplates {
    std::shared_ptr<const HandlerTemplate> beginTemplate;
    std::shared_ptr<const HandlerTemplate> endTemplate;
    const HandlerTemplate& begin() const { return *beginTemplate; }
    const HandlerTemplate& end() const { return *endTemplate; }
};

class TemplateCache {
public:
    /// Prepared templates go into `keep` (the scan's result) as well, so
    /// that its sites can refer to them. `module` may be null.
    TemplateCache(vb::TextView lineBreak, const ModuleValues* module,
                  std::vector<std::shared_ptr<const HandlerTemplate>>& keep)
        : lineBreak_(lineBreak), module_(module), keep_(keep) {}

    /// The pair prepared for `templates`; null for null (an excluded procedure).
    const PreparedTemplates* For(const HandlerTemplates* templates) {
        if (templates == nullptr) return nullptr;
        for (const auto& [source, prepared] : prepared_) {
            if (source == templates) return prepared.get();
        }
        auto prepared = std::make_unique<PreparedTemplates>(PreparedTemplates{
            std::make_shared<HandlerTemplate>(templates->begin, HandlerTemplate::Role::Begin, lineBreak_, module_),
            std::make_shared<HandlerTemplate>(templates->end, HandlerTemplate::Role::End, lineBreak_, module_)});
        keep_.push_back(prepared->beginTemplate);
        keep_.push_back(prepared->endTemplate);
        prepared_.emplace_back(templates, std::move(prepared));
        return prepared_.back().second.get();
    }

private:
    vb::TextView lineBreak_;
    const ModuleValues* module_;
    std::vector<std::shared_ptr<const HandlerTemplate>>& keep_;
    std::vector<std::pair<const HandlerTemplates*, std::unique_ptr<PreparedTemplates>>> prepared_;
};

}  // namespace scan
