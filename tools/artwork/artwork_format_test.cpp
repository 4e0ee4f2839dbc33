// Checks the committed pictures against what the setup dialog needs from each of them.

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes ReadResource(const std::string& name)
{
    std::ifstream file(std::string(ARTWORK_FOLDER) + "/" + name, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

unsigned U16(const Bytes& b, std::size_t at)
{
    return b.at(at) | b.at(at + 1) << 8;
}
std::uint32_t U32(const Bytes& b, std::size_t at)
{
    return U16(b, at) | U16(b, at + 2) << 16;
}

struct Rgb {
    int r, g, b;
    bool operator==(const Rgb&) const = default;
    friend void PrintTo(const Rgb& c, std::ostream* out) { *out << "(" << c.r << "," << c.g << "," << c.b << ")"; }
};

// A device-independent bitmap as stored in .bmp, .ico and .cur files: header, palette,
// pixel rows bottom-up (plain, or 8-bit run-length encoded) and, for icons and cursors, the
// transparency mask after them.
struct Dib {
    int width = 0, height = 0, bits = 0;
    std::vector<Rgb> palette;
    const Bytes* bytes = nullptr;
    std::size_t pixelsAt = 0, storedBytes = 0;
    Bytes rows; // plain rows, decoded where the file encodes them

    static Dib At(const Bytes& b, std::size_t header, bool withMask)
    {
        Dib dib;
        dib.bytes = &b;
        EXPECT_EQ(U32(b, header), 40u) << "BITMAPINFOHEADER";
        dib.width = int(U32(b, header + 4));
        dib.height = int(U32(b, header + 8)) / (withMask ? 2 : 1);
        dib.bits = int(U16(b, header + 14));
        const std::uint32_t compression = U32(b, header + 16);
        const std::size_t colours = U32(b, header + 32) ? U32(b, header + 32) : 1u << dib.bits;
        for (std::size_t i = 0; i < colours; ++i) {
            const std::size_t at = header + 40 + 4 * i;
            dib.palette.push_back({b.at(at + 2), b.at(at + 1), b.at(at)});
        }
        dib.pixelsAt = header + 40 + 4 * colours;
        dib.storedBytes = RowBytes(dib.width, dib.bits) * dib.height;
        if (compression == 1 && dib.bits == 8 && !withMask) {
            dib.storedBytes = U32(b, header + 20);
            dib.rows = DecodeRunLength8(b, dib.pixelsAt, dib.storedBytes, dib.width, dib.height);
        } else {
            EXPECT_EQ(compression, 0u) << "uncompressed, or 8-bit run-length encoded";
            dib.rows.assign(b.begin() + std::ptrdiff_t(dib.pixelsAt),
                            b.begin() + std::ptrdiff_t(std::min(b.size(), dib.pixelsAt + dib.storedBytes)));
        }
        return dib;
    }

    // Strict: every row ends with (0, 0) exactly at its width, the last with (0, 1) exactly at
    // the end of the stored bytes; absolute stretches are padded to an even length.
    static Bytes DecodeRunLength8(const Bytes& b, std::size_t at, std::size_t size, int width, int height)
    {
        const std::size_t rowBytes = RowBytes(width, 8), end = at + size;
        Bytes rows(rowBytes * height, 0);
        for (int row = 0; row < height; ++row) {
            int x = 0;
            for (;;) {
                const unsigned count = b.at(at), value = b.at(at + 1);
                at += 2;
                if (count > 0) {
                    EXPECT_LE(x + int(count), width) << "a run past row " << row << "'s end";
                    for (unsigned i = 0; i < count && x < width; ++i) rows[row * rowBytes + x++] = std::uint8_t(value);
                } else if (value >= 3) {
                    EXPECT_LE(x + int(value), width) << "a stretch past row " << row << "'s end";
                    for (unsigned i = 0; i < value && x < width; ++i) rows[row * rowBytes + x++] = b.at(at + i);
                    at += value + value % 2;
                } else {
                    EXPECT_EQ(value, row + 1 == height ? 1u : 0u)
                        << "row " << row << " ends with (0, 0), the last (0, 1)";
                    EXPECT_EQ(x, width) << "row " << row << " filled";
                    break;
                }
            }
        }
        EXPECT_EQ(at, end) << "the encoded rows fill the stored size";
        return rows;
    }

    static std::size_t RowBytes(int width, int bits) { return (width * bits + 31) / 32 * 4; }

    unsigned Index(int x, int y) const
    {
        const std::size_t row = (height - 1 - y) * RowBytes(width, bits);
        const int bit = x * bits;
        return rows.at(row + bit / 8) >> (8 - bits - bit % 8) & ((1u << bits) - 1);
    }
    Rgb Colour(int x, int y) const { return palette.at(Index(x, y)); }
    bool Transparent(int x, int y) const
    {
        const std::size_t mask = pixelsAt + storedBytes;
        const std::size_t row = mask + (height - 1 - y) * RowBytes(width, 1);
        return bytes->at(row + x / 8) >> (7 - x % 8) & 1;
    }
    std::size_t End(bool withMask) const
    {
        const std::size_t mask = withMask ? RowBytes(width, 1) * height : 0;
        return pixelsAt + storedBytes + mask;
    }
};

Dib ReadBitmap(const Bytes& file)
{
    EXPECT_EQ(file.at(0), 'B');
    EXPECT_EQ(file.at(1), 'M');
    EXPECT_EQ(U32(file, 2), file.size()) << "file size in the header";
    Dib dib = Dib::At(file, 14, false);
    EXPECT_EQ(U32(file, 10), dib.pixelsAt) << "pixel offset in the header";
    EXPECT_EQ(dib.End(false), file.size());
    return dib;
}

// The single image of an icon (type 1) or cursor (type 2) file.
Dib ReadIconImage(const Bytes& file, unsigned type)
{
    EXPECT_EQ(U16(file, 0), 0u);
    EXPECT_EQ(U16(file, 2), type);
    EXPECT_EQ(U16(file, 4), 1u) << "one image";
    const std::uint32_t size = U32(file, 6 + 8), offset = U32(file, 6 + 12);
    EXPECT_EQ(offset + size, file.size());
    Dib dib = Dib::At(file, offset, true);
    EXPECT_EQ(file.at(6), dib.width);
    EXPECT_EQ(file.at(7), dib.height);
    EXPECT_EQ(dib.End(true), file.size());
    return dib;
}

const Rgb kWhite{255, 255, 255};

TEST(Artwork, LogoIsSixteenColoursFramedByAWhiteBackgroundThatTurnsTransparent)
{
    const Bytes file = ReadResource("logo.bmp");
    const Dib logo = ReadBitmap(file);
    ASSERT_EQ(logo.width, 89);
    ASSERT_EQ(logo.height, 56);
    ASSERT_EQ(logo.bits, 4);
    ASSERT_EQ(logo.palette.size(), 16u);

    // The loader makes the top-left pixel's palette entry transparent: it must be the
    // background, and the background must reach every edge.
    const unsigned background = logo.Index(0, 0);
    EXPECT_EQ(logo.palette[background], kWhite);
    for (int x = 0; x < logo.width; ++x) {
        EXPECT_EQ(logo.Index(x, 0), background) << "top edge at " << x;
        EXPECT_EQ(logo.Index(x, logo.height - 1), background) << "bottom edge at " << x;
    }
    for (int y = 0; y < logo.height; ++y) {
        EXPECT_EQ(logo.Index(0, y), background) << "left edge at " << y;
        EXPECT_EQ(logo.Index(logo.width - 1, y), background) << "right edge at " << y;
    }
    // ... and these greys would be swapped for the user's 3D colours.
    for (const Rgb grey : {Rgb{128, 128, 128}, Rgb{192, 192, 192}, Rgb{223, 223, 223}}) {
        for (const Rgb& entry : logo.palette) EXPECT_NE(entry, grey);
    }
}

TEST(Artwork, SidePictureIsWhiteWhereTheLogoLiesOnIt)
{
    const Bytes file = ReadResource("side.bmp");
    const Dib side = ReadBitmap(file);
    ASSERT_EQ(side.width, 116);
    ASSERT_EQ(side.height, 256);
    ASSERT_EQ(side.bits, 8);
    ASSERT_EQ(side.palette.size(), 256u);
    EXPECT_LT(file.size(), 20u * 1024) << "run-length encoded, as the shipped program's size needs";

    // The logo (89 x 56) starts a few pixels right of the picture's top-left corner; its
    // transparent background shows the window colour, white by default.
    for (int y = 0; y < 64; ++y) {
        for (int x = 0; x < 100; ++x) {
            const Rgb c = side.Colour(x, y);
            ASSERT_TRUE(c.r >= 250 && c.g >= 250 && c.b >= 250) << "at " << x << "," << y;
        }
    }
    EXPECT_NE(side.Colour(side.width / 2, side.height - 1), kWhite) << "a picture below";
}

TEST(Artwork, IconIsOne32x32ImageInSixteenColoursWithTransparentCorners)
{
    const Bytes file = ReadResource("setup.ico");
    const Dib icon = ReadIconImage(file, 1);
    ASSERT_EQ(icon.width, 32);
    ASSERT_EQ(icon.height, 32);
    EXPECT_EQ(icon.bits, 4);
    EXPECT_EQ(icon.palette.size(), 16u);
    EXPECT_EQ(file.at(8), 16) << "colour count in the directory";
    EXPECT_EQ(U16(file, 12), 4u) << "bits per pixel in the directory";
    for (const auto& [x, y] : {std::array{0, 0}, {31, 0}, {0, 31}, {31, 31}}) {
        EXPECT_TRUE(icon.Transparent(x, y)) << "corner " << x << "," << y;
    }
    EXPECT_FALSE(icon.Transparent(16, 16));
}

TEST(Artwork, CursorIsAMonochromeHandWhoseFingerTipIsTheHotSpot)
{
    const Bytes file = ReadResource("hand.cur");
    const Dib cursor = ReadIconImage(file, 2);
    ASSERT_EQ(cursor.width, 32);
    ASSERT_EQ(cursor.height, 32);
    ASSERT_EQ(cursor.bits, 1);
    EXPECT_EQ(U16(file, 10), 0u) << "hot spot x";
    EXPECT_EQ(U16(file, 12), 0u) << "hot spot y";

    // The top-left pixel is the black outline of the finger tip.
    EXPECT_FALSE(cursor.Transparent(0, 0));
    EXPECT_EQ(cursor.Colour(0, 0), (Rgb{0, 0, 0}));
    int white = 0, clear = 0;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            if (cursor.Transparent(x, y)) {
                ++clear;
                EXPECT_EQ(cursor.Index(x, y), 0u) << "a clear pixel must not invert the screen";
            } else if (cursor.Colour(x, y) == kWhite) {
                ++white;
            }
        }
    }
    EXPECT_GT(white, 150) << "a filled hand";
    EXPECT_GT(clear, 32 * 32 / 2) << "clear around the hand";
}

} // namespace
