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

void Units<char>::Redecode(std::string_view bytes, size_t at, Text& out) const {
    out.resize(at);
    out += vb::Decode(bytes, codePage_);
}

}  // namespace scan
