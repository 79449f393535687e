// The units of a byte scan: letters and decoding by the code page.
#include "source_transformation/SourceUnits.h"

#include <map>
#include <memory>
#include <mutex>

#include "vb_runtime/CodePage.h"

namespace scan {

namespace {

// Which bytes of `codePage` decode to a letter, and which a name is made
// of (a letter, a digit or "_"); made once per code page.
const std::array<uint8_t, 256>& ByteClasses(int32_t codePage) {
    static std::mutex mutex;
    static std::map<int32_t, std::unique_ptr<const std::array<uint8_t, 256>>> made;
    const std::lock_guard<std::mutex> lock(mutex);
    std::unique_ptr<const std::array<uint8_t, 256>>& classes = made[codePage];
    if (!classes) {
        auto table = std::make_unique<std::array<uint8_t, 256>>();
        for (unsigned byte = 0; byte < 256; ++byte) {
            const Text unit = vb::Decode(std::string(1, static_cast<char>(byte)), codePage);
            const bool letter = unit.size() == 1 && vb::IsLetter(unit[0]);
            const bool nameUnit = letter || IsDigitUnit(static_cast<char>(byte)) || byte == '_';
            (*table)[byte] = static_cast<uint8_t>((letter ? Units<char>::kLetter : 0) |
                                                  (nameUnit ? Units<char>::kNameUnit : 0));
        }
        classes = std::move(table);
    }
    return *classes;
}

}  // namespace

Units<char>::Units(int32_t codePage) : codePage_(codePage), classes_(&ByteClasses(codePage)) {}

Text Units<char>::operator()(std::string_view bytes) const {
    Text text;
    AppendTo(bytes, text);
    return text;
}

void Units<char>::Redecode(std::string_view bytes, size_t at, Text& out) const {
    out.resize(at);
    out += vb::Decode(bytes, codePage_);
}

}  // namespace scan
