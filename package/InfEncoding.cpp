// Decoding of Unicode INF files into UTF-16 code units, for the INF reader.
#include "package/InfEncoding.h"

namespace {

constexpr char16_t ReplacementCharacter = 0xFFFD;

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

} // namespace

std::u16string DecodeUtf8(std::string_view bytes)
{
    std::u16string units;
    units.reserve(bytes.size());
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        const unsigned char lead = static_cast<unsigned char>(bytes[pos]);
        if (lead < 0x80) {
            units.push_back(lead);
            ++pos;
            continue;
        }
        // Length of the sequence and the range its second byte must fall in; the narrowed
        // ranges after E0, ED, F0 and F4 exclude overlong forms, surrogates and values past U+10FFFF.
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xBF;
        char32_t value = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            value = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            value = lead & 0x0F;
            if (lead == 0xE0) low = 0xA0;
            if (lead == 0xED) high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            value = lead & 0x07;
            if (lead == 0xF0) low = 0x90;
            if (lead == 0xF4) high = 0x8F;
        }
        std::size_t taken = 1;
        bool complete = length != 0;
        while (complete && taken < length) {
            if (pos + taken >= bytes.size()) {
                complete = false;
                break;
            }
            const unsigned char next = static_cast<unsigned char>(bytes[pos + taken]);
            const bool fits = taken == 1 ? (next >= low && next <= high) : IsContinuation(next);
            if (!fits) {
                complete = false;
                break;
            }
            value = (value << 6) | (next & 0x3F);
            ++taken;
        }
        // A broken sequence yields one replacement for the bytes that were valid so far.
        pos += taken;
        if (!complete) {
            units.push_back(ReplacementCharacter);
        } else if (value >= 0x10000) {
            value -= 0x10000;
            units.push_back(static_cast<char16_t>(0xD800 + (value >> 10)));
            units.push_back(static_cast<char16_t>(0xDC00 + (value & 0x3FF)));
        } else {
            units.push_back(static_cast<char16_t>(value));
        }
    }
    return units;
}

std::u16string DecodeUtf16Le(std::string_view bytes)
{
    std::u16string units(bytes.size() / 2, u'\0');
    for (std::size_t i = 0; i < units.size(); ++i) {
        const unsigned char low = static_cast<unsigned char>(bytes[2 * i]);
        const unsigned char high = static_cast<unsigned char>(bytes[2 * i + 1]);
        units[i] = static_cast<char16_t>(low | (high << 8));
    }
    return units;
}
