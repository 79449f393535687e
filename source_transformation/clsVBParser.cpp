// clsVBParser: the module source buffer, and the handler insertion as an
// application of the module scan's insertions.
#include "source_transformation/clsVBParser.h"

#include <string>

#include "source_transformation/LineArray.h"
#include "source_transformation/Edits.h"
#include "source_transformation/ModuleScan.h"
#include "vb_runtime/CodePage.h"
#include "vb_runtime/FileAccess.h"
#include "vb_runtime/VbError.h"

using namespace vb;

void clsVBParser::AddErrorHandler(const Text& BeginProc, const Text& EndProc) {
    const scan::FixedTemplates templates(scan::HandlerTemplates{BeginProc, EndProc});
    const scan::ModuleScan result = scan::ScanModule(codeInput_, templates, scan::ScanOptions{});
    codeOutput_ = scan::ApplyEdits(codeInput_, scan::EditsOf(result, scan::EditKind::Insertions), result);
    outputLineBreak_ = result.lineBreak;
    procedureCount_ = 0;
    for (const scan::BlockSite& site : result.sites) {
        if (site.kind == scan::BlockSite::Kind::Begin) ++procedureCount_;
    }
}

std::vector<Text> clsVBParser::RemoveInArray(std::vector<Text>& lpArray, const Text& strFind, int32_t /*Compare*/) {
    scan::RemoveInArray(lpArray, strFind);
    return lpArray;
}

int32_t clsVBParser::InStrArray(int32_t& Start, const Text& strCompare, const std::vector<Text>& lpArray,
                                int32_t Compare) {
    return scan::InStrArray(Start, strCompare, lpArray, Compare);
}

void clsVBParser::LoadCode(const Text& strFileName) {
    if (!IsOrdinaryFile(strFileName)) return;
    // The buffer takes the file's length before the file is read, so a failed
    // read leaves that many blanks, as the original runtime did; the blanks
    // are only made when the read fails.
    const auto length = static_cast<size_t>(FileLength(strFileName));
    std::string bytes;
    try {
        bytes = ReadFileBytes(strFileName);
    } catch (const VbError&) {
        codeInput_.assign(length, u' ');
        throw;
    }
    codeInput_ = DecodeAnsi(bytes, DisplayPath(strFileName));
}

void clsVBParser::SaveCode(const Text& strFileName) {
    std::string bytes = EncodeAnsi(codeOutput_ + outputLineBreak_);
    WriteFileBytes(strFileName, bytes);
}

const Text& clsVBParser::CodeOutput() const { return codeOutput_; }

const Text& clsVBParser::CodeInput() const { return codeInput_; }

void clsVBParser::CodeInput(const Text& vNewValue) { codeInput_ = vNewValue; }

int32_t clsVBParser::ProcedureCount() const { return procedureCount_; }

const Text& clsVBParser::OutputLineBreak() const { return outputLineBreak_; }
