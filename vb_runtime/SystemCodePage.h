// SystemCodePage: the system's converter for one code page (iconv, or
// MultiByteToWideChar and WideCharToMultiByte on Windows), asked about one
// unit at a time. CodePageTable builds its tables from these answers.
#pragma once

#include <bitset>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "vb_runtime/Text.h"
#include "vb_runtime/VbError.h"

namespace vb {

/// A set of byte values.
using ByteSet = std::bitset<256>;

/// VbError 5 for a code page that the system does not have.
inline VbError UnknownCodePage(int32_t codePage) {
    return VbError(ErrInvalidArgument, "unknown code page " + std::to_string(codePage), {});
}

/// VbError 5 for a code page whose characters can be longer than two bytes
/// or that depends on a shift state.
inline VbError UnsupportedCodePage(int32_t codePage) {
    return VbError(ErrInvalidArgument,
                   "code page " + std::to_string(codePage) +
                       " is not supported: only single-byte and double-byte code pages and UTF-8 (65001)",
                   {});
}

class SystemCodePage {
public:
    /// What converting one byte sequence on its own gave.
    enum class Outcome {
        Converted,   ///< the bytes form characters, held in `text` (possibly none)
        Incomplete,  ///< the bytes are the start of a longer sequence (only iconv tells this)
        Invalid,     ///< the bytes are not valid in the code page
    };
    struct Decoded {
        Outcome outcome = Outcome::Invalid;
        Text text;
    };

    /// Opens the converter. Throws UnknownCodePage when the system does not
    /// have the code page, UnsupportedCodePage when the system reports
    /// characters longer than two bytes.
    explicit SystemCodePage(int32_t codePage);
    ~SystemCodePage();
    SystemCodePage(const SystemCodePage&) = delete;
    SystemCodePage& operator=(const SystemCodePage&) = delete;

    /// The lead bytes as the system reports them (GetCPInfo on Windows), or
    /// nothing when the system does not say and they must be probed.
    std::optional<ByteSet> ReportedLeadBytes() const;

    /// Converts `bytes` alone: from the initial state, with whatever the
    /// converter holds back (a base letter awaiting a combining mark) flushed.
    Decoded DecodeUnit(std::string_view bytes);

    /// The bytes of one UTF-16 code unit alone, or nothing when the code page
    /// has no exact encoding for it (no best fit, no default character).
    std::optional<std::string> EncodeUnit(char16_t unit);

private:
    struct Converters;
    std::unique_ptr<Converters> converters_;
};

}  // namespace vb
