// A plain RGB image with 24-bit BMP and 32-bit ICO writers and a BMP reader. Portable.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct Rgb {
    uint8_t r = 0, g = 0, b = 0;
    bool operator==(const Rgb&) const = default;
};

constexpr Rgb RgbOf(uint32_t hex) { return {uint8_t(hex >> 16), uint8_t(hex >> 8), uint8_t(hex)}; }

struct Image {
    int width = 0, height = 0;
    std::vector<Rgb> pixels;  // row by row from the top

    Image() = default;
    Image(int w, int h, Rgb fill = {}) : width(w), height(h), pixels(size_t(w) * h, fill) {}
    Rgb& at(int x, int y) { return pixels[size_t(y) * width + x]; }
    const Rgb& at(int x, int y) const { return pixels[size_t(y) * width + x]; }
    // The rectangle (x, y, w, h) as an image of its own.
    Image Crop(int x, int y, int w, int h) const;
    // Copies the whole of `from` with its top-left corner at (x, y).
    void Paste(const Image& from, int x, int y);
    bool operator==(const Image&) const = default;
};

std::vector<uint8_t> EncodeBmp(const Image& image);
std::optional<Image> DecodeBmp(const std::vector<uint8_t>& bytes);
// A single 32×32 (or any size) 32-bit icon, fully opaque.
std::vector<uint8_t> EncodeIco(const Image& image);

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path);
bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes);
