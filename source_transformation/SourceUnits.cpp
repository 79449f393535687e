// Decoding the values a byte scan takes from the text.
#include "source_transformation/SourceUnits.h"

#include "vb_runtime/CodePage.h"

namespace scan {

Text UnitDecoder<char>::operator()(std::string_view bytes) const {
    Text text;
    AppendTo(bytes, text);
    return text;
}

void UnitDecoder<char>::AppendTo(std::string_view bytes, Text& out) const {
    // Names, parameters and code lines are mostly ASCII, which every such
    // code page keeps as it is.
    unsigned char high = 0;
    for (const char c : bytes) high |= static_cast<unsigned char>(c);
    if ((high & 0x80) != 0) {
        out += vb::Decode(bytes, codePage_);
        return;
    }
    const size_t at = out.size();
    out.resize(at + bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) out[at + i] = static_cast<unsigned char>(bytes[i]);
}

}  // namespace scan
