#include "bitmap.h"

#include <fstream>
#include <iterator>

Image Image::Crop(int x, int y, int w, int h) const {
    Image out(w, h);
    for (int row = 0; row < h; ++row)
        for (int col = 0; col < w; ++col) out.at(col, row) = at(x + col, y + row);
    return out;
}

void Image::Paste(const Image& from, int x, int y) {
    for (int row = 0; row < from.height; ++row)
        for (int col = 0; col < from.width; ++col) at(x + col, y + row) = from.at(col, row);
}

namespace {

void Put16(std::vector<uint8_t>& out, uint32_t v) {
    out.push_back(uint8_t(v));
    out.push_back(uint8_t(v >> 8));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
    Put16(out, v & 0xFFFF);
    Put16(out, v >> 16);
}
uint32_t Get16(const std::vector<uint8_t>& in, size_t at) { return in[at] | in[at + 1] << 8; }
uint32_t Get32(const std::vector<uint8_t>& in, size_t at) { return Get16(in, at) | Get16(in, at + 2) << 16; }

void PutInfoHeader(std::vector<uint8_t>& out, int width, int height, int bitCount, uint32_t imageSize) {
    Put32(out, 40);
    Put32(out, uint32_t(width));
    Put32(out, uint32_t(height));
    Put16(out, 1);
    Put16(out, uint32_t(bitCount));
    Put32(out, 0);  // BI_RGB
    Put32(out, imageSize);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, 0);
}

size_t Bmp24Stride(int width) { return (size_t(width) * 3 + 3) & ~size_t(3); }

}  // namespace

std::vector<uint8_t> EncodeBmp(const Image& image) {
    const size_t stride = Bmp24Stride(image.width);
    const uint32_t imageSize = uint32_t(stride * image.height);
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, 14 + 40 + imageSize);
    Put32(out, 0);
    Put32(out, 14 + 40);
    PutInfoHeader(out, image.width, image.height, 24, imageSize);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const Rgb& p = image.at(x, y);
            out.insert(out.end(), {p.b, p.g, p.r});
        }
        out.resize(out.size() + stride - size_t(image.width) * 3, 0);
    }
    return out;
}

std::optional<Image> DecodeBmp(const std::vector<uint8_t>& in) {
    if (in.size() < 54 || in[0] != 'B' || in[1] != 'M') return std::nullopt;
    const int width = int(Get32(in, 18));
    const int height = int(Get32(in, 22));
    const size_t offset = Get32(in, 10);
    if (Get16(in, 28) != 24 || Get32(in, 30) != 0 || width <= 0 || height <= 0 || width > 4096 || height > 4096)
        return std::nullopt;
    const size_t stride = Bmp24Stride(width);
    if (offset + stride * height > in.size()) return std::nullopt;
    Image image(width, height);
    for (int y = 0; y < height; ++y) {
        const uint8_t* row = &in[offset + stride * (height - 1 - y)];
        for (int x = 0; x < width; ++x) image.at(x, y) = {row[3 * x + 2], row[3 * x + 1], row[3 * x]};
    }
    return image;
}

std::vector<uint8_t> EncodeIco(const Image& image) {
    const size_t maskStride = ((size_t(image.width) + 31) / 32) * 4;
    const uint32_t dataSize = uint32_t(40 + image.width * image.height * 4 + maskStride * image.height);
    std::vector<uint8_t> out;
    Put16(out, 0);
    Put16(out, 1);  // icon
    Put16(out, 1);  // one image
    out.push_back(uint8_t(image.width));
    out.push_back(uint8_t(image.height));
    out.push_back(0);  // no palette
    out.push_back(0);
    Put16(out, 1);
    Put16(out, 32);
    Put32(out, dataSize);
    Put32(out, 6 + 16);
    // An icon's header counts the colour image and the mask below it: twice the height.
    PutInfoHeader(out, image.width, image.height * 2, 32, uint32_t(image.width * image.height * 4));
    for (int y = image.height - 1; y >= 0; --y)
        for (int x = 0; x < image.width; ++x) {
            const Rgb& p = image.at(x, y);
            out.insert(out.end(), {p.b, p.g, p.r, 0xFF});
        }
    out.resize(out.size() + maskStride * image.height, 0);  // AND mask: every pixel opaque
    return out;
}

std::optional<std::vector<uint8_t>> ReadFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool WriteFileBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    return bool(out);
}
