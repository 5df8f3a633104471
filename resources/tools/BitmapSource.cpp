// Build tool: turns one skin PNG into a C++ source file that embeds it as a
// Windows bitmap resource.
//
//   bitmap_source <resource id> <input.png> <output.cpp>
//
// The resource is what a resource compiler would store for a .bmp: a
// BITMAPINFOHEADER (40 bytes, 24 bits per pixel, BI_RGB) followed by the
// pixel rows bottom-up, blue-green-red, each row padded to 4 bytes. The
// output registers it under RT_BITMAP with the given id at static
// initialisation (resources/EmbeddedBitmap.h). The file is written under a
// temporary name and renamed, so a failed run leaves no half-written source.
#include <png.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

namespace {

// Larger pictures than this are a mistake in the skin, not a bitmap to embed.
constexpr unsigned kMaxSide = 4096;

void Put32(std::string& bytes, std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes.push_back(static_cast<char>((value >> shift) & 0xFF));
}
void Put16(std::string& bytes, std::uint16_t value) {
    bytes.push_back(static_cast<char>(value & 0xFF));
    bytes.push_back(static_cast<char>(value >> 8));
}

bool ReadPng(const char* path, unsigned* width, unsigned* height, std::vector<unsigned char>* bgr) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) {
        std::fprintf(stderr, "bitmap_source: %s: %s\n", path, image.message);
        return false;
    }
    if (image.width == 0 || image.height == 0 || image.width > kMaxSide || image.height > kMaxSide) {
        std::fprintf(stderr, "bitmap_source: %s: unsupported size %ux%u\n", path, image.width, image.height);
        png_image_free(&image);
        return false;
    }
    // Any alpha is composed over white; the skin's pictures are opaque.
    image.format = PNG_FORMAT_BGR;
    bgr->assign(PNG_IMAGE_SIZE(image), 0);
    png_color white{255, 255, 255};
    if (!png_image_finish_read(&image, &white, bgr->data(), 0, nullptr)) {
        std::fprintf(stderr, "bitmap_source: %s: %s\n", path, image.message);
        png_image_free(&image);
        return false;
    }
    *width = image.width;
    *height = image.height;
    return true;
}

std::string Dib(unsigned width, unsigned height, const std::vector<unsigned char>& bgr) {
    size_t stride = (static_cast<size_t>(width) * 3 + 3) / 4 * 4;
    std::string bytes;
    Put32(bytes, 40);
    Put32(bytes, width);
    Put32(bytes, height);  // positive: rows bottom-up
    Put16(bytes, 1);
    Put16(bytes, 24);
    Put32(bytes, 0);  // BI_RGB
    Put32(bytes, static_cast<std::uint32_t>(stride * height));
    Put32(bytes, 3780);  // 96 DPI in pixels per metre
    Put32(bytes, 3780);
    Put32(bytes, 0);
    Put32(bytes, 0);
    for (unsigned y = height; y-- > 0;) {
        const unsigned char* row = bgr.data() + static_cast<size_t>(y) * width * 3;
        bytes.append(reinterpret_cast<const char*>(row), static_cast<size_t>(width) * 3);
        bytes.append(stride - static_cast<size_t>(width) * 3, '\0');
    }
    return bytes;
}

// The bytes as adjacent string literals of three-digit octal escapes (never
// ambiguous with a following character).
std::string Literal(const std::string& bytes) {
    std::string text;
    text.reserve(bytes.size() * 4 + bytes.size() / 32 * 4);
    char escape[5];
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i % 32 == 0) text += i == 0 ? "    \"" : "\"\n    \"";
        std::snprintf(escape, sizeof escape, "\\%03o", static_cast<unsigned char>(bytes[i]));
        text += escape;
    }
    text += "\"";
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: bitmap_source <resource id> <input.png> <output.cpp>\n");
        return 2;
    }
    char* end = nullptr;
    long id = std::strtol(argv[1], &end, 10);
    if (end == argv[1] || *end != '\0' || id <= 0 || id > 0xFFFF) {
        std::fprintf(stderr, "bitmap_source: bad resource id %s\n", argv[1]);
        return 2;
    }
    unsigned width = 0, height = 0;
    std::vector<unsigned char> bgr;
    if (!ReadPng(argv[2], &width, &height, &bgr)) return 1;
    std::string dib = Dib(width, height, bgr);

    std::string source;
    std::string name = argv[2];
    name = name.substr(name.find_last_of('/') + 1);
    source += "// Made by the build from resources/skin/" + name + "; do not edit.\n";
    source += "#include \"resources/EmbeddedBitmap.h\"\n\nnamespace {\n\n";
    source += "const char kBytes[] =\n" + Literal(dib) + ";\n\n";
    source += "const resources::EmbeddedBitmap kBitmap(" + std::to_string(id) + ", kBytes, sizeof kBytes - 1);\n\n";
    source += "}  // namespace\n";

    std::string temporary = std::string(argv[3]) + ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out << source;
        out.close();
        if (!out) {
            std::fprintf(stderr, "bitmap_source: cannot write %s\n", temporary.c_str());
            std::remove(temporary.c_str());
            return 1;
        }
    }
    if (std::rename(temporary.c_str(), argv[3]) != 0) {
        std::fprintf(stderr, "bitmap_source: cannot rename to %s\n", argv[3]);
        std::remove(temporary.c_str());
        return 1;
    }
    return 0;
}
