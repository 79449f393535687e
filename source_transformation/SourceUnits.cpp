// Decoding the values a byte scan takes from the text.
#include "source_transformation/SourceUnits.h"

#include "vb_runtime/CodePage.h"

namespace scan {

Text UnitDecoder<char>::operator()(std::string_view bytes) const {
    Text text;
    Into(bytes, text);
    return text;
}

void UnitDecoder<char>::Into(std::string_view bytes, Text& out) const {
    // Names, parameters and code lines are mostly ASCII, which every such
    // code page keeps as it is.
    unsigned char high = 0;
    for (const char c : bytes) high |= static_cast<unsigned char>(c);
    if ((high & 0x80) != 0) {
        out = vb::Decode(bytes, codePage_);
        return;
    }
    out.resize(bytes.size());
    for (size_t i = 0; i < bytes.size(); ++i) out[i] = static_cast<unsigned char>(bytes[i]);
}

}  // namespace scan
