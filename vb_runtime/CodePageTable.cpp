// CodePageTable: the tables are probed from the system's converter one unit
// at a time, so that the decoder can carry any byte it does not understand
// through unchanged instead of failing on it.
#include "vb_runtime/CodePageTable.h"

#include <initializer_list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>

namespace vb {

namespace {

constexpr char16_t kNoCharacter = 0;  // no pair decodes to U+0000 and encodes back
constexpr uint16_t kNoEncoding = 0xFFFF;  // so the pair 0xFF 0xFF is never defined

bool IsSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDFFF; }
bool IsHighSurrogate(char16_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char16_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

struct ByteRange {
    unsigned first;
    unsigned last;
};

ByteSet Bytes(std::initializer_list<ByteRange> ranges) {
    ByteSet set;
    for (const ByteRange& range : ranges) {
        for (unsigned b = range.first; b <= range.last; ++b) set.set(b);
    }
    return set;
}

struct DbcsLayout {
    ByteSet leads;
    ByteSet trails;
};

// The East-Asian ANSI code pages, split into units as Windows splits them,
// so that every platform cuts the same bytes into the same units whatever
// its converter thinks of them.
std::optional<DbcsLayout> WindowsDbcsLayout(int32_t codePage) {
    switch (codePage) {
    case 932: return DbcsLayout{Bytes({{0x81, 0x9F}, {0xE0, 0xFC}}), Bytes({{0x40, 0x7E}, {0x80, 0xFC}})};
    case 936: return DbcsLayout{Bytes({{0x81, 0xFE}}), Bytes({{0x40, 0x7E}, {0x80, 0xFE}})};
    case 949: return DbcsLayout{Bytes({{0x81, 0xFE}}), Bytes({{0x41, 0x5A}, {0x61, 0x7A}, {0x81, 0xFE}})};
    case 950: return DbcsLayout{Bytes({{0x81, 0xFE}}), Bytes({{0x40, 0x7E}, {0xA1, 0xFE}})};
    default: return std::nullopt;
    }
}

// Candidates for trail bytes when no layout is known: control bytes are
// never trail bytes, so a lead byte at the end of a line keeps its CR LF.
ByteSet PossibleTrailBytes() { return Bytes({{0x20, 0xFF}}); }

// A unit that produces no character is a shift sequence: the code page has
// states, which a unit-by-unit table cannot follow.
bool IsShiftSequence(const SystemCodePage::Decoded& decoded) {
    return decoded.outcome == SystemCodePage::Outcome::Converted && decoded.text.empty();
}

// The character that `bytes` stand for when they convert to exactly one
// UTF-16 unit that encodes back to exactly `bytes`.
std::optional<char16_t> RoundTripCharacter(SystemCodePage& system, const SystemCodePage::Decoded& decoded,
                                           std::string_view bytes) {
    if (decoded.outcome != SystemCodePage::Outcome::Converted || decoded.text.size() != 1) return std::nullopt;
    const char16_t character = decoded.text[0];
    if (IsSurrogate(character) || system.EncodeUnit(character) != bytes) return std::nullopt;
    return character;
}

std::string ByteString(unsigned first) { return std::string(1, static_cast<char>(first)); }
std::string ByteString(unsigned first, unsigned second) {
    return {static_cast<char>(first), static_cast<char>(second)};
}

}  // namespace

const CodePageTable& CodePageTable::For(int32_t codePage) {
    static std::mutex mutex;
    static std::map<int32_t, std::unique_ptr<const CodePageTable>> tables;
    const std::lock_guard<std::mutex> lock(mutex);
    if (const auto found = tables.find(codePage); found != tables.end()) return *found->second;
    auto table = std::make_unique<const CodePageTable>(codePage);
    return *tables.emplace(codePage, std::move(table)).first->second;
}

CodePageTable::CodePageTable(int32_t codePage) : encodings_(0x10000, kNoEncoding) {
    SystemCodePage system(codePage);
    FillSingleBytes(system, codePage);
    if (leadBytes_.any()) FillPairs(system, codePage);
}

// Converts each byte alone. A byte the converter wants more input for is a
// lead byte (unless Windows' layout or the system says otherwise); a lead
// byte standing alone is undefined.
void CodePageTable::FillSingleBytes(SystemCodePage& system, int32_t codePage) {
    std::array<SystemCodePage::Decoded, 256> alone;
    ByteSet incomplete;
    for (unsigned b = 0; b < 256; ++b) {
        alone[b] = system.DecodeUnit(ByteString(b));
        if (IsShiftSequence(alone[b])) throw UnsupportedCodePage(codePage);
        incomplete[b] = alone[b].outcome == SystemCodePage::Outcome::Incomplete;
    }
    if (const auto layout = WindowsDbcsLayout(codePage)) {
        leadBytes_ = layout->leads;
    } else {
        leadBytes_ = system.ReportedLeadBytes().value_or(incomplete);
    }
    for (unsigned b = 0; b < 256; ++b) {
        const auto character = leadBytes_[b] ? std::nullopt : RoundTripCharacter(system, alone[b], ByteString(b));
        singles_[b] = character.value_or(EscapeUnit(static_cast<unsigned char>(b)));
        if (character) encodings_[*character] = static_cast<uint16_t>(b);
    }
}

// Converts every lead byte followed by every possible trail byte. Without a
// known layout, the trail bytes are those that formed a valid pair with
// some lead byte. A pair that asks for still more input means characters
// longer than two bytes.
void CodePageTable::FillPairs(SystemCodePage& system, int32_t codePage) {
    const auto layout = WindowsDbcsLayout(codePage);
    const ByteSet candidates = layout ? layout->trails : PossibleTrailBytes();
    ByteSet validTrails;
    pairs_.assign(0x10000, kNoCharacter);
    for (unsigned lead = 0; lead < 256; ++lead) {
        if (!leadBytes_[lead]) continue;
        for (unsigned trail = 0; trail < 256; ++trail) {
            if (!candidates[trail]) continue;
            const std::string bytes = ByteString(lead, trail);
            const SystemCodePage::Decoded decoded = system.DecodeUnit(bytes);
            if (decoded.outcome == SystemCodePage::Outcome::Incomplete || IsShiftSequence(decoded)) {
                throw UnsupportedCodePage(codePage);
            }
            validTrails[trail] = validTrails[trail] || decoded.outcome == SystemCodePage::Outcome::Converted;
            if (const auto character = RoundTripCharacter(system, decoded, bytes)) {
                pairs_[lead << 8 | trail] = *character;
            }
        }
    }
    trailBytes_ = layout ? layout->trails : validTrails;
    for (unsigned index = 0; index < pairs_.size(); ++index) {
        if (pairs_[index] == kNoCharacter || !trailBytes_[index & 0xFF] || index == kNoEncoding) continue;
        encodings_[pairs_[index]] = static_cast<uint16_t>(index);
    }
}

Text CodePageTable::Decode(std::string_view bytes) const {
    Text text(bytes.size(), u'\0');  // never more units than bytes
    char16_t* out = text.data();
    const auto* in = reinterpret_cast<const unsigned char*>(bytes.data());
    const size_t size = bytes.size();
    for (size_t i = 0; i < size; ++i) {
        const unsigned char byte = in[i];
        if (!leadBytes_[byte] || i + 1 == size || !trailBytes_[in[i + 1]]) {
            *out++ = singles_[byte];
            continue;
        }
        const unsigned char trail = in[++i];
        const char16_t character = pairs_[byte << 8 | trail];
        if (character != kNoCharacter) {
            *out++ = character;
        } else {
            *out++ = EscapeUnit(byte);
            *out++ = EscapeUnit(trail);
        }
    }
    text.resize(static_cast<size_t>(out - text.data()));
    return text;
}

std::string CodePageTable::Encode(TextView text) const {
    std::string bytes(text.size() * 2, '\0');  // at most two bytes per unit
    char* out = bytes.data();
    for (size_t i = 0; i < text.size(); ++i) {
        const char16_t unit = text[i];
        if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
            ++i;  // a character beyond U+FFFF: no code page here holds it
            *out++ = '?';
            continue;
        }
        if (IsEscapeUnit(unit)) {
            *out++ = static_cast<char>(unit & 0xFF);
            continue;
        }
        const uint16_t encoding = encodings_[unit];
        if (encoding == kNoEncoding) {
            *out++ = '?';
        } else if (encoding > 0xFF) {
            *out++ = static_cast<char>(encoding >> 8);
            *out++ = static_cast<char>(encoding & 0xFF);
        } else {
            *out++ = static_cast<char>(encoding);
        }
    }
    bytes.resize(static_cast<size_t>(out - bytes.data()));
    return bytes;
}

}  // namespace vb
