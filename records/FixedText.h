// The fixed-width text every field of the record is kept in.
#pragma once
#include <cstddef>
#include <cstring>
#include <string>
#include <string_view>

// A zero-terminated 8-bit text of fixed width (terminator included). A value that does not
// fit is refused and the old value stays: nothing is ever cut short or written past the end.
template <std::size_t Width>
class FixedText {
public:
    static constexpr std::size_t width = Width;

    bool Assign(std::string_view value)
    {
        if (value.size() >= Width)
            return false;
        // A plain loop: most texts are a few characters, where a library search costs more.
        for (const char c : value)
            if (c == '\0')
                return false;
        // The whole width cleared at once: a size known here costs a few stores for short texts.
        std::memset(text_, 0, Width);
        std::memcpy(text_, value.data(), value.size());
        return true;
    }
    void Clear() { std::memset(text_, 0, Width); }

    const char* c_str() const { return text_; }
    std::string_view view() const { return std::string_view(text_, std::strlen(text_)); }
    std::string str() const { return std::string(view()); }
    bool empty() const { return text_[0] == '\0'; }

private:
    char text_[Width] = {};
};
