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
    // code page keeps as it is: widened on the way, and decoded again only
    // when a byte of 128 or above turns up.
    const size_t at = out.size();
    out.resize(at + bytes.size());
    char16_t* units = out.data() + at;
    unsigned char high = 0;
    for (size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        high |= byte;
        units[i] = byte;
    }
    if ((high & 0x80) != 0) {
        out.resize(at);
        out += vb::Decode(bytes, codePage_);
    }
}

}  // namespace scan
