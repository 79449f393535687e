// clsVBParser: holds the text of one VB6 source file and inserts the
// error-handling blocks under every procedure header it recognises.
#pragma once

#include <cstdint>
#include <vector>

#include "vb_runtime/Text.h"

class clsVBParser {
public:
    /// Splits CodeInput into lines at its line break (CR LF, or LF when its
    /// lone LFs outnumber its CR LFs), recognises procedure headers line by
    /// line, puts the expanded begin template under each header and the
    /// expanded end template above each line that closes a procedure, and
    /// joins the lines into CodeOutput. In an LF text the templates' CR LFs
    /// become LF. CodeOutput changes only when the whole call succeeds. Throws
    /// VbError 5 at the first header when BeginProc is shorter than the line
    /// break it must lose at its end.
    void AddErrorHandler(const Text& BeginProc, const Text& EndProc);

    /// Cuts every element of lpArray before its first occurrence of strFind
    /// (letter case ignored) and trims spaces at both ends; an element without
    /// strFind is only trimmed. Changes lpArray in place and returns a copy.
    std::vector<Text> RemoveInArray(std::vector<Text>& lpArray, const Text& strFind, int32_t Compare);

    /// The smallest 1-based position at or after Start at which any element
    /// of lpArray occurs in strCompare, or 0. A Start below 1 is set to 1.
    int32_t InStrArray(int32_t& Start, const Text& strCompare, const std::vector<Text>& lpArray, int32_t Compare);

    /// Reads the file whole into CodeInput, decoded in the ANSI code page.
    /// A missing or hidden file (or a folder) does nothing. Throws VbError
    /// when the file exists but cannot be read; CodeInput then holds as many
    /// blanks as the file has bytes.
    void LoadCode(const Text& strFileName);

    /// Writes CodeOutput and one line break (OutputLineBreak) to the file, encoded in the ANSI code
    /// page, replacing the file in one step. Throws VbError (70 read-only,
    /// 76 folder missing, …) before anything is written.
    void SaveCode(const Text& strFileName);

    const Text& CodeOutput() const;
    const Text& CodeInput() const;
    void CodeInput(const Text& vNewValue);

    /// The number of headers that the last successful AddErrorHandler gave a
    /// begin block.
    int32_t ProcedureCount() const;

    /// The line break of the text that the last successful AddErrorHandler
    /// transformed (CR LF before any); SaveCode appends it.
    const Text& OutputLineBreak() const;

private:
    Text codeInput_;
    Text codeOutput_;
    Text outputLineBreak_ = Text(vb::CrLf);
    int32_t procedureCount_ = 0;
};
