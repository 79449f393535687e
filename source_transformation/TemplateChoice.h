// Which handler templates a procedure gets. The desktop application and a
// plain command-line run use one fixed pair; a team policy may choose per
// procedure and object kind, or leave a procedure alone.
#pragma once

#include "source_transformation/ProcedureHeader.h"
#include "vb_runtime/Text.h"

namespace scan {

/// A begin and an end template as given (CR LF line breaks, placeholders
/// unexpanded). An empty end template means no end blocks.
struct HandlerTemplates {
    Text begin;
    Text end;
};

class TemplateChoice {
public:
    virtual ~TemplateChoice() = default;
    /// The templates for the procedure whose header this is; null leaves
    /// the procedure alone: it gets no block and is not reported as missing one.
    virtual const HandlerTemplates* ForProcedure(const ProcedureHeader& header) const = 0;
    /// The templates in force before the module's first header.
    virtual const HandlerTemplates& ForModule() const = 0;
};

/// The same templates for every procedure.
class FixedTemplates final : public TemplateChoice {
public:
    explicit FixedTemplates(HandlerTemplates templates) : templates_(std::move(templates)) {}
    const HandlerTemplates* ForProcedure(const ProcedureHeader&) const override { return &templates_; }
    const HandlerTemplates& ForModule() const override { return templates_; }

private:
    HandlerTemplates templates_;
};

}  // namespace scan
