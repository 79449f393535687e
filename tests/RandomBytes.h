// Random byte strings for the code-page round-trip tests of both suites,
// biased to what trips a double-byte decoder: high bytes (lead bytes) next
// to line breaks, quotes, delimiters and letters.
#pragma once

#include <random>
#include <string>

namespace testing_support {

/// Up to `maxLength` bytes drawn from `random`: high bytes, ASCII
/// delimiters and letters, and any byte value.
inline std::string RandomBytesNearLeadBytes(std::mt19937& random, int maxLength) {
    static constexpr char kAscii[] = "\r\n\"' (),_AZaz09";
    std::uniform_int_distribution<int> length(0, maxLength);
    std::uniform_int_distribution<int> kind(0, 2);
    std::uniform_int_distribution<int> high(0x80, 0xFF);
    std::uniform_int_distribution<int> anyByte(0, 0xFF);
    std::uniform_int_distribution<size_t> ascii(0, sizeof kAscii - 2);
    std::string bytes;
    for (int n = length(random); n > 0; --n) {
        const int k = kind(random);
        const int b = k == 0 ? high(random) : k == 1 ? kAscii[ascii(random)] : anyByte(random);
        bytes.push_back(static_cast<char>(b));
    }
    return bytes;
}

}  // namespace testing_support
