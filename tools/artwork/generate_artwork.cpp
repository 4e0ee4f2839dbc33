// Draws the setup program's pictures (icon, hand cursor, logo, side picture) as Windows files.
//
// Usage: artwork_generator OUTPUT_FOLDER
// writes setup.ico, hand.cur, logo.bmp and side.bmp into OUTPUT_FOLDER. The output is the same
// byte for byte on every run and every build: nothing random, no clock, and only floating-point
// operations that IEEE 754 defines exactly (+, -, *, /, sqrt, floor), with rotations given as
// fixed cosine/sine pairs instead of calls to the trigonometric library.

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

namespace {

// ---------------------------------------------------------------------------------------------
// Colours and the true-colour canvas

struct Colour {
    double r = 0, g = 0, b = 0; // 0..255
};

constexpr Colour Rgb(int r, int g, int b)
{
    return {double(r), double(g), double(b)};
}

Colour Mix(Colour a, Colour b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

double Clamp01(double t)
{
    return std::min(1.0, std::max(0.0, t));
}

double SmoothStep(double t)
{
    t = Clamp01(t);
    return t * t * (3 - 2 * t);
}

// A colour ramp: stops at increasing positions, smooth between neighbours.
struct Stop {
    double at;
    Colour colour;
};

Colour Ramp(const std::vector<Stop>& stops, double at)
{
    if (at <= stops.front().at)
        return stops.front().colour;
    for (std::size_t i = 1; i < stops.size(); ++i) {
        if (at <= stops[i].at) {
            const double t = (at - stops[i - 1].at) / (stops[i].at - stops[i - 1].at);
            return Mix(stops[i - 1].colour, stops[i].colour, SmoothStep(t));
        }
    }
    return stops.back().colour;
}

class Canvas {
public:
    Canvas(int width, int height, Colour background, double alpha)
        : width_(width), height_(height), pixels_(std::size_t(width) * height, Pixel{background, alpha})
    {
    }

    int Width() const { return width_; }
    int Height() const { return height_; }
    Colour At(int x, int y) const { return pixels_[Index(x, y)].colour; }
    double AlphaAt(int x, int y) const { return pixels_[Index(x, y)].alpha; }
    void Set(int x, int y, Colour colour) { pixels_[Index(x, y)] = {colour, 1.0}; }

    // Paints `colour` over the pixel with coverage `alpha` (the "over" operator).
    void Blend(int x, int y, Colour colour, double alpha)
    {
        if (alpha <= 0)
            return;
        Pixel& p = pixels_[Index(x, y)];
        const double out = alpha + p.alpha * (1 - alpha);
        const double keep = p.alpha * (1 - alpha) / out;
        p.colour = {colour.r * alpha / out + p.colour.r * keep, colour.g * alpha / out + p.colour.g * keep,
                    colour.b * alpha / out + p.colour.b * keep};
        p.alpha = out;
    }

private:
    struct Pixel {
        Colour colour;
        double alpha;
    };
    std::size_t Index(int x, int y) const { return std::size_t(y) * width_ + x; }

    int width_;
    int height_;
    std::vector<Pixel> pixels_;
};

// ---------------------------------------------------------------------------------------------
// Shapes as signed distances (negative inside, in pixels), placed through rotated frames

using Shape = std::function<double(double x, double y)>;
using Paint = std::function<Colour(double x, double y)>;

// A frame with its origin at (x, y) and its u axis along the unit vector (cosine, sine);
// the v axis is u turned a quarter clockwise on screen (y grows downwards).
struct Frame {
    double x = 0, y = 0, cosine = 1, sine = 0;

    double U(double px, double py) const { return (px - x) * cosine + (py - y) * sine; }
    double V(double px, double py) const { return -(px - x) * sine + (py - y) * cosine; }
    double X(double u, double v) const { return x + u * cosine - v * sine; }
    double Y(double u, double v) const { return y + u * sine + v * cosine; }
};

const Frame kScreen{};

double Length(double x, double y)
{
    return std::sqrt(x * x + y * y);
}

// Box from (u0, v0) to (u1, v1) in the frame, corners rounded with `radius`.
Shape RoundedBox(Frame f, double u0, double v0, double u1, double v1, double radius)
{
    return [=](double x, double y) {
        const double cu = (u0 + u1) / 2, cv = (v0 + v1) / 2;
        const double qu = std::abs(f.U(x, y) - cu) - (u1 - u0) / 2 + radius;
        const double qv = std::abs(f.V(x, y) - cv) - (v1 - v0) / 2 + radius;
        return Length(std::max(qu, 0.0), std::max(qv, 0.0)) + std::min(std::max(qu, qv), 0.0) - radius;
    };
}

Shape Box(Frame f, double u0, double v0, double u1, double v1)
{
    return RoundedBox(f, u0, v0, u1, v1, 0);
}

Shape Circle(Frame f, double u, double v, double radius)
{
    return [=](double x, double y) { return Length(f.U(x, y) - u, f.V(x, y) - v) - radius; };
}

// A stroke of width 2 * radius from (u0, v0) to (u1, v1) with round ends.
Shape Capsule(Frame f, double u0, double v0, double u1, double v1, double radius)
{
    return [=](double x, double y) {
        const double pu = f.U(x, y) - u0, pv = f.V(x, y) - v0;
        const double du = u1 - u0, dv = v1 - v0;
        const double t = Clamp01((pu * du + pv * dv) / (du * du + dv * dv));
        return Length(pu - du * t, pv - dv * t) - radius;
    };
}

// A band of half width `half` along the outline of `shape`.
Shape Ring(Shape shape, double half)
{
    return [=](double x, double y) { return std::abs(shape(x, y)) - half; };
}

Shape Grow(Shape shape, double by)
{
    return [=](double x, double y) { return shape(x, y) - by; };
}

Paint Solid(Colour c)
{
    return [=](double, double) { return c; };
}

// Colour by position across the frame's v axis.
Paint AcrossV(Frame f, std::vector<Stop> stops)
{
    return [=](double x, double y) { return Ramp(stops, f.V(x, y)); };
}

Paint AlongU(Frame f, std::vector<Stop> stops)
{
    return [=](double x, double y) { return Ramp(stops, f.U(x, y)); };
}

// Fills `shape` with `paint`, anti-aliased by `samples` x `samples` points per pixel
// (1 gives hard pixel-art edges: a pixel belongs to the shape when its centre does).
void Fill(Canvas& canvas, const Shape& shape, const Paint& paint, int samples, double opacity = 1.0)
{
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            int inside = 0;
            Colour sum;
            for (int sy = 0; sy < samples; ++sy) {
                for (int sx = 0; sx < samples; ++sx) {
                    const double px = x + (sx + 0.5) / samples;
                    const double py = y + (sy + 0.5) / samples;
                    if (shape(px, py) > 0)
                        continue;
                    const Colour c = paint(px, py);
                    sum = {sum.r + c.r, sum.g + c.g, sum.b + c.b};
                    ++inside;
                }
            }
            if (inside == 0)
                continue;
            const Colour average{sum.r / inside, sum.g / inside, sum.b / inside};
            canvas.Blend(x, y, average, opacity * inside / (samples * samples));
        }
    }
}

// A soft shape: full `opacity` inside, fading to nothing `softness` pixels outside.
void Glow(Canvas& canvas, const Shape& shape, Colour colour, double opacity, double softness)
{
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            const double d = shape(x + 0.5, y + 0.5);
            const double t = SmoothStep(1 - std::max(d, 0.0) / softness);
            canvas.Blend(x, y, colour, opacity * t);
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Indexed pictures and palettes

struct Rgb8 {
    std::uint8_t r = 0, g = 0, b = 0;
    auto operator<=>(const Rgb8&) const = default;
};

using Palette = std::vector<Rgb8>;

std::uint8_t ToByte(double v)
{
    return std::uint8_t(std::floor(std::min(255.0, std::max(0.0, v)) + 0.5));
}

Rgb8 ToRgb8(Colour c)
{
    return {ToByte(c.r), ToByte(c.g), ToByte(c.b)};
}

int Distance(Rgb8 a, Rgb8 b)
{
    const int dr = a.r - b.r, dg = a.g - b.g, db = a.b - b.b;
    return 3 * dr * dr + 4 * dg * dg + 2 * db * db; // weighted towards what the eye sees
}

// Index of the nearest palette entry among [first, palette.size()); the lowest index on a tie.
int Nearest(const Palette& palette, Rgb8 c, int first = 0)
{
    int best = first;
    for (int i = first + 1; i < int(palette.size()); ++i) {
        if (Distance(palette[i], c) < Distance(palette[best], c))
            best = i;
    }
    return best;
}

struct IndexedPicture {
    int width = 0, height = 0;
    Palette palette;
    std::vector<std::uint8_t> indices; // rows top to bottom
    std::vector<bool> transparent;     // only used for the icon and the cursor

    std::uint8_t At(int x, int y) const { return indices[std::size_t(y) * width + x]; }
};

// Each pixel becomes its nearest palette entry from `first` on.
IndexedPicture MapToPalette(const Canvas& canvas, const Palette& palette, int first = 0)
{
    IndexedPicture picture{canvas.Width(), canvas.Height(), palette, {}, {}};
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) {
            const int index = Nearest(palette, ToRgb8(canvas.At(x, y)), first);
            picture.indices.push_back(std::uint8_t(index));
            picture.transparent.push_back(canvas.AlphaAt(x, y) < 0.5);
        }
    }
    return picture;
}

// Median cut: splits the picture's colours into at most `count` boxes, always the box with
// the largest squared error, at the population median of its widest channel.
Palette MedianCutPalette(const Canvas& canvas, std::size_t count)
{
    struct Entry {
        Rgb8 colour;
        long weight;
    };
    std::vector<Rgb8> all;
    for (int y = 0; y < canvas.Height(); ++y) {
        for (int x = 0; x < canvas.Width(); ++x) all.push_back(ToRgb8(canvas.At(x, y)));
    }
    std::sort(all.begin(), all.end());
    std::vector<Entry> entries;
    for (const Rgb8& c : all) {
        if (!entries.empty() && entries.back().colour == c) {
            ++entries.back().weight;
        } else {
            entries.push_back({c, 1});
        }
    }

    using Channel = std::uint8_t Rgb8::*;
    const std::array<Channel, 3> channels{&Rgb8::r, &Rgb8::g, &Rgb8::b};
    struct Box {
        std::size_t begin, end; // a range of `entries`
    };
    auto error = [&](const Box& box, Channel channel) {
        double sum = 0, squares = 0, weight = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) {
            const double v = entries[i].colour.*channel;
            sum += v * entries[i].weight;
            squares += v * v * entries[i].weight;
            weight += entries[i].weight;
        }
        return squares - sum * sum / weight;
    };

    std::vector<Box> boxes{{0, entries.size()}};
    while (boxes.size() < count) {
        int worst = -1;
        int channelOfWorst = 0;
        double worstError = 0;
        for (int b = 0; b < int(boxes.size()); ++b) {
            if (boxes[b].end - boxes[b].begin < 2)
                continue;
            for (int c = 0; c < 3; ++c) {
                const double e = error(boxes[b], channels[c]);
                if (e > worstError) {
                    worstError = e;
                    worst = b;
                    channelOfWorst = c;
                }
            }
        }
        if (worst < 0)
            break; // every box holds a single colour
        const Box box = boxes[worst];
        const Channel channel = channels[channelOfWorst];
        std::sort(entries.begin() + box.begin, entries.begin() + box.end, [&](const Entry& a, const Entry& b) {
            if (a.colour.*channel != b.colour.*channel) {
                return a.colour.*channel < b.colour.*channel;
            }
            return a.colour < b.colour;
        });
        long total = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) total += entries[i].weight;
        std::size_t split = box.begin + 1;
        for (long below = entries[box.begin].weight; split < box.end - 1 && 2 * below < total; ++split) {
            below += entries[split].weight;
        }
        boxes[worst] = {box.begin, split};
        boxes.push_back({split, box.end});
    }

    Palette palette;
    for (const Box& box : boxes) {
        double r = 0, g = 0, b = 0, weight = 0;
        for (std::size_t i = box.begin; i < box.end; ++i) {
            r += entries[i].colour.r * double(entries[i].weight);
            g += entries[i].colour.g * double(entries[i].weight);
            b += entries[i].colour.b * double(entries[i].weight);
            weight += entries[i].weight;
        }
        palette.push_back(ToRgb8({r / weight, g / weight, b / weight}));
    }
    std::sort(palette.begin(), palette.end());
    palette.resize(count, Rgb8{0, 0, 0}); // unused entries stay black
    return palette;
}

// ---------------------------------------------------------------------------------------------
// Windows file formats (little endian, rows bottom-up, each row padded to 4 bytes)

class Bytes {
public:
    void U8(unsigned v) { data_.push_back(std::uint8_t(v)); }
    void U16(unsigned v)
    {
        U8(v & 0xFF);
        U8(v >> 8);
    }
    void U32(std::uint32_t v)
    {
        U16(v & 0xFFFF);
        U16(v >> 16);
    }
    std::size_t Size() const { return data_.size(); }
    const std::vector<std::uint8_t>& Data() const { return data_; }

private:
    std::vector<std::uint8_t> data_;
};

int RowBytes(int width, int bitsPerPixel)
{
    return (width * bitsPerPixel + 31) / 32 * 4;
}

constexpr std::uint32_t kUncompressed = 0, kRunLength8 = 1; // BI_RGB, BI_RLE8

void WriteInfoHeader(Bytes& out, int width, int height, int bitsPerPixel, int colours, std::uint32_t imageSize,
                     std::uint32_t compression = kUncompressed)
{
    out.U32(40); // BITMAPINFOHEADER
    out.U32(width);
    out.U32(height);
    out.U16(1); // planes
    out.U16(bitsPerPixel);
    out.U32(compression);
    out.U32(imageSize);
    out.U32(0); // no preferred resolution
    out.U32(0);
    out.U32(colours);
    out.U32(0); // all colours important
}

void WritePalette(Bytes& out, const Palette& palette)
{
    for (const Rgb8& c : palette) {
        out.U8(c.b);
        out.U8(c.g);
        out.U8(c.r);
        out.U8(0);
    }
}

// Pixel rows of `bitsPerPixel` (1, 4 or 8) from bottom to top; value(x, y) gives each pixel.
void WriteRows(Bytes& out, int width, int height, int bitsPerPixel, const std::function<unsigned(int, int)>& value)
{
    for (int y = height - 1; y >= 0; --y) {
        std::vector<std::uint8_t> row(RowBytes(width, bitsPerPixel), 0);
        for (int x = 0; x < width; ++x) {
            const int bit = x * bitsPerPixel;
            const int shift = 8 - bitsPerPixel - bit % 8;
            row[bit / 8] = std::uint8_t(row[bit / 8] | (value(x, y) << shift));
        }
        for (std::uint8_t b : row) out.U8(b);
    }
}

// Pixel rows bottom-up in 8-bit run-length encoding: a repeated index as (count, index), other
// stretches of three or more as (0, count, indexes...) padded to an even length, (0, 0) between
// rows and (0, 1) at the end. Every Windows version draws it, at half the size of the plain rows.
Bytes RunLength8Rows(const IndexedPicture& picture)
{
    Bytes out;
    for (int y = picture.height - 1; y >= 0; --y) {
        const auto runAt = [&](int x) {
            int run = 1;
            while (x + run < picture.width && run < 255 && picture.At(x + run, y) == picture.At(x, y)) ++run;
            return run;
        };
        for (int x = 0; x < picture.width;) {
            int literal = 0;
            while (x + literal < picture.width && literal < 255 && runAt(x + literal) < 3) ++literal;
            if (literal >= 3) {
                out.U8(0);
                out.U8(unsigned(literal));
                for (int i = 0; i < literal; ++i) out.U8(picture.At(x + i, y));
                if (literal % 2 != 0)
                    out.U8(0);
                x += literal;
                continue;
            }
            const int run = runAt(x);
            out.U8(unsigned(run));
            out.U8(picture.At(x, y));
            x += run;
        }
        out.U8(0);
        out.U8(y == 0 ? 1 : 0);
    }
    return out;
}

Bytes BitmapFile(const IndexedPicture& picture, int bitsPerPixel, bool runLength = false)
{
    const std::uint32_t paletteBytes = 4 * std::uint32_t(picture.palette.size());
    const Bytes encoded = runLength ? RunLength8Rows(picture) : Bytes();
    const std::uint32_t imageBytes =
        runLength ? std::uint32_t(encoded.Size()) : RowBytes(picture.width, bitsPerPixel) * picture.height;
    const std::uint32_t pixelsAt = 14 + 40 + paletteBytes;
    Bytes out;
    out.U8('B'); // BITMAPFILEHEADER
    out.U8('M');
    out.U32(pixelsAt + imageBytes);
    out.U32(0);
    out.U32(pixelsAt);
    WriteInfoHeader(out, picture.width, picture.height, bitsPerPixel, int(picture.palette.size()), imageBytes,
                    runLength ? kRunLength8 : kUncompressed);
    WritePalette(out, picture.palette);
    if (runLength)
        for (std::uint8_t b : encoded.Data()) out.U8(b);
    else
        WriteRows(out, picture.width, picture.height, bitsPerPixel, [&](int x, int y) { return picture.At(x, y); });
    return out;
}

// An icon or cursor file holding one image: a colour (XOR) bitmap and a transparency (AND)
// mask, with the bitmap header's height doubled to cover both. `hotSpot` is only for cursors.
Bytes IconFile(const IndexedPicture& picture, int bitsPerPixel, bool cursor, int hotSpotX, int hotSpotY)
{
    const std::uint32_t colourBytes = RowBytes(picture.width, bitsPerPixel) * picture.height;
    const std::uint32_t maskBytes = RowBytes(picture.width, 1) * picture.height;
    const std::uint32_t imageBytes = 40 + 4 * std::uint32_t(picture.palette.size()) + colourBytes + maskBytes;
    Bytes out;
    out.U16(0); // ICONDIR
    out.U16(cursor ? 2 : 1);
    out.U16(1);
    out.U8(picture.width); // ICONDIRENTRY
    out.U8(picture.height);
    out.U8(picture.palette.size());
    out.U8(0);
    out.U16(cursor ? hotSpotX : 1); // planes for an icon
    out.U16(cursor ? hotSpotY : bitsPerPixel);
    out.U32(imageBytes);
    out.U32(6 + 16);
    WriteInfoHeader(out, picture.width, 2 * picture.height, bitsPerPixel, int(picture.palette.size()),
                    colourBytes + maskBytes);
    WritePalette(out, picture.palette);
    WriteRows(out, picture.width, picture.height, bitsPerPixel, [&](int x, int y) {
        return picture.transparent[std::size_t(y) * picture.width + x] ? 0u : picture.At(x, y);
    });
    WriteRows(out, picture.width, picture.height, 1,
              [&](int x, int y) { return picture.transparent[std::size_t(y) * picture.width + x] ? 1u : 0u; });
    return out;
}

// ---------------------------------------------------------------------------------------------
// The pictures

// Cosine and sine of an eighth turn; the other rotations use Pythagorean triples.
constexpr double kEighth = 0.70710678118654752;

// The standard 16-colour palette of the era, in its usual order.
const Palette kStandardPalette{{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                               {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                               {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                               {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};

namespace standard {
const Colour kBlack = Rgb(0, 0, 0), kNavy = Rgb(0, 0, 128), kSilver = Rgb(192, 192, 192), kGrey = Rgb(128, 128, 128),
             kLime = Rgb(0, 255, 0), kBlue = Rgb(0, 0, 255), kAqua = Rgb(0, 255, 255), kWhite = Rgb(255, 255, 255);
}

// Icon 128: a flash disk lying diagonally, connector to the upper right, in the 16 standard
// colours with hard edges and a black outline, as the icons of the era look.
IndexedPicture DrawIcon()
{
    using namespace standard;
    Canvas canvas(32, 32, kBlack, 0.0);
    const Frame disk{15.0, 16.5, kEighth, -kEighth}; // u runs towards the connector
    // Small details sit on whole pixels, where the diagonal would fray them.
    auto dot = [&](double u, double v, int size, Colour colour) {
        const double x = std::floor(disk.X(u, v) - size / 2.0 + 0.5);
        const double y = std::floor(disk.Y(u, v) - size / 2.0 + 0.5);
        Fill(canvas, Box(kScreen, x, y, x + size, y + size), Solid(colour), 1);
    };

    Fill(canvas, Box(disk, 4.5, -4.5, 13, 4.5),
         AcrossV(disk, {{-3.3, kWhite}, {-3.2, kSilver}, {2.8, kSilver}, {2.9, kGrey}}), 1);
    dot(9.8, -2.1, 2, kBlack);
    dot(9.8, 2.1, 2, kBlack);
    Fill(canvas, RoundedBox(disk, -14, -6, 4.5, 6, 2.5),
         AcrossV(disk, {{-4.6, kAqua}, {-4.5, kBlue}, {3.4, kBlue}, {3.5, kNavy}}), 1);
    Fill(canvas, Box(disk, 3.4, -6, 4.6, 6), Solid(kNavy), 1);              // collar
    Fill(canvas, RoundedBox(disk, -8.5, -2.9, 1, 2.9, 1), Solid(kNavy), 1); // label
    Fill(canvas, RoundedBox(disk, -7.8, -2.2, 0.3, 2.2, 1), Solid(kWhite), 1);
    dot(-11.3, 0, 2, kNavy); // lanyard hole
    dot(1.8, -4, 2, kLime);  // activity light

    IndexedPicture icon = MapToPalette(canvas, kStandardPalette);
    // A black outline on the outermost pixels of the disk.
    IndexedPicture outlined = icon;
    for (int y = 0; y < 32; ++y) {
        for (int x = 0; x < 32; ++x) {
            const std::size_t i = std::size_t(y) * 32 + x;
            if (icon.transparent[i])
                continue;
            const bool edge = x == 0 || y == 0 || x == 31 || y == 31 || icon.transparent[i - 1] ||
                              icon.transparent[i + 1] || icon.transparent[i - 32] || icon.transparent[i + 32];
            if (edge)
                outlined.indices[i] = 0;
        }
    }
    return outlined;
}

// Cursor 139: a white pointing hand with a black outline, the index finger pointing to the
// upper left so that its tip is the hot spot in the top-left pixel.
IndexedPicture DrawHandCursor()
{
    constexpr int kSize = 32;
    constexpr int kRoom = 48; // drawn with room around it, then moved into the corner
    // Hand coordinates: the index finger points up (towards -v), its tip at the origin; the
    // hand is turned by the 5-12-13 angle so that the finger points up and to the left.
    const Frame hand{8.0, 8.0, 12.0 / 13, -5.0 / 13};
    struct Part {
        Shape shape;
        int group;
    };
    enum { kIndex = 1, kPalm, kMiddle, kRing, kLittle, kThumb };
    const std::vector<Part> parts{
        {RoundedBox(hand, -2, 12, 12.5, 22, 2.5), kPalm}, {RoundedBox(hand, 2, 8, 5.8, 15, 1.8), kMiddle},
        {RoundedBox(hand, 5.5, 9, 9.2, 16, 1.8), kRing},  {RoundedBox(hand, 9, 10.5, 12.5, 17, 1.6), kLittle},
        {Capsule(hand, 0, 2, 0, 14, 2), kIndex},          {Capsule(hand, -1.5, 18.5, -4.5, 14, 1.9), kThumb},
    };
    // Parts that show a crease where they touch; the others merge.
    const std::vector<std::pair<int, int>> creases{
        {kIndex, kMiddle}, {kMiddle, kRing}, {kRing, kLittle}, {kThumb, kPalm}, {kThumb, kIndex}};
    auto creaseBetween = [&](int a, int b) {
        return std::find(creases.begin(), creases.end(), std::pair{a, b}) != creases.end() ||
               std::find(creases.begin(), creases.end(), std::pair{b, a}) != creases.end();
    };

    // Which part each pixel shows: the last one that covers at least half of it.
    std::vector<int> group(kRoom * kRoom, 0);
    for (const Part& part : parts) {
        for (int y = 0; y < kRoom; ++y) {
            for (int x = 0; x < kRoom; ++x) {
                int inside = 0;
                for (int s = 0; s < 16; ++s) {
                    if (part.shape(x + (s % 4 + 0.5) / 4, y + (s / 4 + 0.5) / 4) <= 0)
                        ++inside;
                }
                if (inside >= 8)
                    group[y * kRoom + x] = part.group;
            }
        }
    }
    auto groupAt = [&](int x, int y) { return x < 0 || y < 0 || x >= kRoom || y >= kRoom ? 0 : group[y * kRoom + x]; };

    enum Ink { kClear, kBlack, kWhite };
    std::vector<Ink> ink(kRoom * kRoom, kClear);
    int left = kRoom, top = kRoom;
    for (int y = 0; y < kRoom; ++y) {
        for (int x = 0; x < kRoom; ++x) {
            const int own = groupAt(x, y);
            bool nextToHand = false, crease = false;
            for (int dy = -1; dy <= 1; ++dy) {
                for (int dx = -1; dx <= 1; ++dx) {
                    const int other = groupAt(x + dx, y + dy);
                    nextToHand = nextToHand || other != 0;
                    // One pixel wide: only the later of two touching parts draws the crease.
                    if ((dx == 0) != (dy == 0) && other != 0 && other < own && creaseBetween(own, other)) {
                        crease = true;
                    }
                }
            }
            if (own != 0) {
                ink[y * kRoom + x] = crease ? kBlack : kWhite;
            } else if (nextToHand) {
                ink[y * kRoom + x] = kBlack; // the outline
            }
            if (ink[y * kRoom + x] != kClear) {
                left = std::min(left, x);
                top = std::min(top, y);
            }
        }
    }

    IndexedPicture cursor{kSize, kSize, {{0, 0, 0}, {255, 255, 255}}, {}, {}};
    for (int y = top; y < top + kSize; ++y) {
        for (int x = left; x < left + kSize; ++x) {
            const Ink i = x < kRoom && y < kRoom ? ink[y * kRoom + x] : kClear;
            cursor.indices.push_back(i == kWhite ? 1 : 0);
            cursor.transparent.push_back(i == kClear);
        }
    }
    return cursor;
}

// Bitmap 138: the logo, a flash disk above the maker's wordmark on a white card. The dialog
// loads it with the palette entry of its top-left pixel replaced by the dialog's face colour
// and pure greys 128, 192 and 223 replaced by the other 3D colours. So index 0 is kept for a
// one-pixel frame around the card, which shows the face colour as a thin border on the white
// top of the side picture, and no entry is such a grey.
namespace logo {
const Palette kPalette{
    {255, 255, 255}, // 0 frame, shown in the face colour
    {12, 30, 82},    // 1 navy: outline and wordmark
    {24, 64, 152},   // 2 dark blue
    {38, 100, 202},  // 3 blue
    {88, 150, 228},  // 4 light blue
    {172, 206, 245}, // 5 highlight
    {255, 255, 255}, // 6 white card
    {208, 214, 224}, // 7 metal, light
    {152, 160, 174}, // 8 metal
    {98, 106, 122},  // 9 metal, dark
    {38, 42, 52},    // 10 hole
    {52, 196, 92},   // 11 activity light
    {190, 238, 202}, // 12 light glow
    {242, 128, 30},  // 13 orange accent
    {248, 196, 150}, // 14 orange, light
    {216, 229, 246}, // 15 pale blue
};

// The wordmark's letters, 7 x 9 pixels, stems two pixels wide.
const std::array<std::array<const char*, 9>, 7> kWordmark{{
    {"XX...XX", "XXX..XX", "XXX..XX", "XXXX.XX", "XX.XXXX", "XX..XXX", "XX..XXX", "XX...XX", "XX...XX"},
    {".XXXXX.", "XXXXXXX", "XX...XX", "XX...XX", "XX...XX", "XX...XX", "XX...XX", "XXXXXXX", ".XXXXX."},
    {"XXXXXX.", "XXXXXXX", "XX...XX", "XX...XX", "XXXXXXX", "XXXXXX.", "XX..XX.", "XX...XX", "XX...XX"},
    {"XX...XX", "XX...XX", "XX...XX", "XXX.XXX", ".XX.XX.", ".XXXXX.", "..XXX..", "..XXX..", "...X..."},
    {"..XXX..", ".XXXXX.", "XXX.XXX", "XX...XX", "XX...XX", "XXXXXXX", "XXXXXXX", "XX...XX", "XX...XX"},
    {"XX.....", "XX.....", "XX.....", "XX.....", "XX.....", "XX.....", "XX.....", "XXXXXXX", "XXXXXXX"},
    {"XXXXXXX", "XXXXXXX", "XX.....", "XX.....", "XXXXXX.", "XXXXXX.", "XX.....", "XXXXXXX", "XXXXXXX"},
}};
} // namespace logo

IndexedPicture DrawLogo()
{
    const Colour white = Rgb(255, 255, 255);
    Canvas canvas(89, 56, white, 1.0);
    const int samples = 4;

    // The disk, lying flat: body from x 8 to 57, connector to x 79.
    const auto body = RoundedBox(kScreen, 8, 6, 58, 30, 7);
    Glow(canvas, RoundedBox(kScreen, 11, 10, 60, 33, 7), Rgb(180, 196, 220), 0.35, 3); // shadow
    Fill(canvas, Box(kScreen, 57, 10, 80, 26), Solid(Rgb(98, 106, 122)), samples);
    Fill(canvas, Box(kScreen, 57, 11, 79, 25),
         AcrossV(
             kScreen,
             {{11, Rgb(247, 249, 252)}, {15, Rgb(208, 214, 224)}, {21, Rgb(152, 160, 174)}, {25, Rgb(98, 106, 122)}}),
         samples);
    Fill(canvas, Box(kScreen, 70, 13, 74, 16), Solid(Rgb(38, 42, 52)), samples);
    Fill(canvas, Box(kScreen, 70, 20, 74, 23), Solid(Rgb(38, 42, 52)), samples);
    Fill(canvas, body, Solid(Rgb(12, 30, 82)), samples);
    Fill(canvas, Grow(body, -1.2),
         AcrossV(kScreen, {{7, Rgb(88, 150, 228)},
                           {10, Rgb(172, 206, 245)},
                           {14, Rgb(38, 100, 202)},
                           {24, Rgb(24, 64, 152)},
                           {29, Rgb(12, 30, 82)}}),
         samples);
    Fill(canvas, Box(kScreen, 54, 7, 57, 29), Solid(Rgb(24, 64, 152)), samples); // collar
    // Label with the brand's two-colour bar.
    Fill(canvas, RoundedBox(kScreen, 22, 13, 47, 25, 2.5), Solid(Rgb(216, 229, 246)), samples);
    Fill(canvas, Box(kScreen, 26, 18, 35, 20), Solid(Rgb(242, 128, 30)), samples);
    Fill(canvas, Box(kScreen, 36, 18, 43, 20), Solid(Rgb(38, 100, 202)), samples);
    Fill(canvas, Circle(kScreen, 14.5, 18, 3.2), Solid(Rgb(12, 30, 82)), samples); // lanyard
    Fill(canvas, Circle(kScreen, 14.5, 18, 2.0), Solid(white), samples);
    Fill(canvas, Circle(kScreen, 50.5, 11.5, 1.6), Solid(Rgb(52, 196, 92)), samples);

    // Wordmark with the same bar beneath it.
    const int left = (89 - (7 * 7 + 6 * 2)) / 2, top = 36;
    for (int letter = 0; letter < 7; ++letter) {
        for (int row = 0; row < 9; ++row) {
            for (int column = 0; column < 7; ++column) {
                if (logo::kWordmark[letter][row][column] == 'X') {
                    canvas.Set(left + letter * 9 + column, top + row, Rgb(12, 30, 82));
                }
            }
        }
    }
    Fill(canvas, Box(kScreen, left, 48, left + 30, 50), Solid(Rgb(242, 128, 30)), samples);
    Fill(canvas, Box(kScreen, left + 31, 48, left + 61, 50), Solid(Rgb(38, 100, 202)), samples);

    IndexedPicture picture = MapToPalette(canvas, logo::kPalette, 1);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            if (x == 0 || y == 0 || x == picture.width - 1 || y == picture.height - 1) {
                picture.indices[std::size_t(y) * picture.width + x] = 0;
            }
        }
    }
    return picture;
}

// Bitmap 141: the side picture. White at the top, where the logo sits; below it a sky that
// deepens to blue, and a flash disk standing on its connector in the light.
IndexedPicture DrawSidePicture()
{
    const int width = 116, height = 256, samples = 4;
    const Colour white = Rgb(255, 255, 255);
    Canvas canvas(width, height, white, 1.0);
    const std::vector<Stop> sky{
        {70, white}, {130, Rgb(226, 237, 251)}, {190, Rgb(120, 168, 230)}, {256, Rgb(22, 60, 138)}};
    const Frame downwards{0, 0, 0, 1};
    Fill(canvas, Box(kScreen, 0, 0, width, height), AlongU(downwards, sky), samples);
    // Two wide arcs sweeping across the sky.
    Fill(canvas, Ring(Circle(kScreen, -40, 360, 230), 5), Solid(white), samples, 0.22);
    Fill(canvas, Ring(Circle(kScreen, -40, 360, 214), 2), Solid(white), samples, 0.18);
    Glow(canvas, Circle(kScreen, 62, 150, 14), white, 0.55, 50);

    // The disk: u runs from its lanyard end down to the connector, tilted by the 7-24-25 angle.
    const Frame disk{60, 162, -0.28, 0.96};
    const auto body = RoundedBox(disk, -62, -22, 36, 22, 11);
    // Its shadow, cast down and to the right.
    Glow(canvas, Grow(RoundedBox(Frame{67, 172, -0.28, 0.96}, -62, -22, 70, 22, 11), -4), Rgb(10, 34, 90), 0.35, 10);

    // Connector: a metal shell with two square holes.
    const auto shell = RoundedBox(disk, 34, -16, 71, 16, 1.5);
    Fill(canvas, Grow(shell, 1), Solid(Rgb(70, 76, 92)), samples);
    Fill(canvas, shell,
         AcrossV(disk, {{-16, Rgb(150, 158, 172)},
                        {-9, Rgb(246, 248, 252)},
                        {-2, Rgb(200, 206, 216)},
                        {10, Rgb(140, 148, 164)},
                        {16, Rgb(92, 100, 118)}}),
         samples);
    for (double v : {-10.0, 4.0}) {
        Fill(canvas, RoundedBox(disk, 56, v, 63, v + 6, 0.8), Solid(Rgb(34, 38, 50)), samples);
        Fill(canvas, Box(disk, 62, v + 0.5, 63, v + 6), Solid(Rgb(120, 128, 144)), samples);
    }
    Fill(canvas, Box(disk, 36, -16, 38, 16), Solid(Rgb(110, 118, 134)), samples, 0.6);

    // Body: glossy blue plastic.
    Fill(canvas, Grow(body, 1.2), Solid(Rgb(12, 32, 88)), samples);
    Fill(canvas, body,
         AcrossV(disk, {{-22, Rgb(40, 102, 204)},
                        {-14, Rgb(132, 190, 248)},
                        {-6, Rgb(44, 112, 214)},
                        {10, Rgb(26, 78, 176)},
                        {22, Rgb(14, 42, 118)}}),
         samples);
    Fill(canvas, RoundedBox(disk, -54, -18, 28, -12, 3), Solid(white), samples, 0.28);
    Fill(canvas, Box(disk, 28, -21, 34, 21), Solid(Rgb(16, 50, 130)), samples, 0.8); // collar
    // Label: a pale window with the brand's two-colour bar.
    Fill(canvas, RoundedBox(disk, -36, -11, 16, 11, 4), Solid(Rgb(10, 40, 120)), samples, 0.35);
    Fill(canvas, RoundedBox(disk, -35, -10, 15, 10, 3.5),
         AlongU(disk, {{-35, Rgb(246, 249, 255)}, {15, Rgb(214, 228, 248)}}), samples);
    Fill(canvas, Box(disk, -28, -2, -8, 2), Solid(Rgb(242, 128, 30)), samples);
    Fill(canvas, Box(disk, -6, -2, 9, 2), Solid(Rgb(38, 100, 202)), samples);
    // Lanyard hole and activity light.
    Fill(canvas, Circle(disk, -50, 0, 5.5), Solid(Rgb(12, 32, 88)), samples);
    Fill(canvas, Circle(disk, -50, 0, 4.0), AlongU(disk, {{-54, Rgb(150, 190, 240)}, {-46, Rgb(230, 240, 252)}}),
         samples);
    Glow(canvas, Circle(disk, 22, 14, 1.5), Rgb(120, 255, 150), 0.5, 4);
    Fill(canvas, Circle(disk, 22, 14, 2.0), Solid(Rgb(52, 210, 96)), samples);
    Fill(canvas, Circle(disk, 21.4, 13.4, 0.8), Solid(Rgb(220, 255, 226)), samples);

    return MapToPalette(canvas, MedianCutPalette(canvas, 256));
}

bool WriteFile(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(reinterpret_cast<const char*>(bytes.Data().data()), std::streamsize(bytes.Size()));
    return bool(file);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: artwork_generator OUTPUT_FOLDER\n";
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    const std::vector<std::pair<const char*, Bytes>> files{
        {"setup.ico", IconFile(DrawIcon(), 4, false, 0, 0)},
        {"hand.cur", IconFile(DrawHandCursor(), 1, true, 0, 0)},
        {"logo.bmp", BitmapFile(DrawLogo(), 4)},
        {"side.bmp", BitmapFile(DrawSidePicture(), 8, true)},
    };
    for (const auto& [name, bytes] : files) {
        if (!WriteFile(folder / name, bytes)) {
            std::cerr << "artwork_generator: cannot write " << (folder / name).string() << "\n";
            return 1;
        }
    }
    return 0;
}
