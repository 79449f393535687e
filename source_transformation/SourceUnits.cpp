// The units of a byte scan: letters and decoding by the code page.
#include "source_transformation/SourceUnits.h"

#include <map>
#include <memory>
#include <mutex>

#include "vb_runtime/CodePage.h"

namespace scan {

namespace {

// Which bytes of `codePage` decode to a letter; made once per code page.
const std::array<bool, 256>& LetterBytes(int32_t codePage) {
    static std::mutex mutex;
    static std::map<int32_t, std::unique_ptr<const std::array<bool, 256>>> made;
    const std::lock_guard<std::mutex> lock(mutex);
    std::unique_ptr<const std::array<bool, 256>>& letters = made[codePage];
    if (!letters) {
        auto table = std::make_unique<std::array<bool, 256>>();
        for (unsigned byte = 0; byte < 256; ++byte) {
            const Text unit = vb::Decode(std::string(1, static_cast<char>(byte)), codePage);
            (*table)[byte] = unit.size() == 1 && vb::IsLetter(unit[0]);
        }
        letters = std::move(table);
    }
    return *letters;
}

}  // namespace

Units<char>::Units(int32_t codePage) : codePage_(codePage), letters_(&LetterBytes(codePage)) {}

Text Units<char>::operator()(std::string_view bytes) const {
    Text text;
    AppendTo(bytes, text);
    return text;
}

void Units<char>::AppendTo(std::string_view bytes, Text& out) const {
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
