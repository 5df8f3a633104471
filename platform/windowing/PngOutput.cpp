// PNG files of images, through libpng.
#include <png.h>

#include <cstdio>
#include <vector>

#include "platform/windowing/Screen.h"

namespace platform {

bool WritePng(const Image& image, const std::string& hostPath) {
    if (image.width <= 0 || image.height <= 0 ||
        image.pixels.size() != static_cast<size_t>(image.width) * static_cast<size_t>(image.height))
        return false;
    std::string temporary = hostPath + ".part";
    FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png != nullptr ? png_create_info_struct(png) : nullptr;
    volatile bool ok = png != nullptr && info != nullptr;
    std::vector<unsigned char> row(static_cast<size_t>(image.width) * 3);
    // libpng reports errors by longjmp; nothing with a destructor lives in
    // this frame past setjmp except `row`, allocated before it.
    if (ok && setjmp(png_jmpbuf(png)) == 0) {
        png_init_io(png, file);
        png_set_IHDR(png, info, static_cast<png_uint_32>(image.width), static_cast<png_uint_32>(image.height), 8,
                     PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(png, info);
        for (int y = 0; y < image.height; ++y) {
            for (int x = 0; x < image.width; ++x) {
                std::uint32_t pixel = image.At(x, y);
                row[3 * x] = static_cast<unsigned char>(pixel >> 16);
                row[3 * x + 1] = static_cast<unsigned char>(pixel >> 8);
                row[3 * x + 2] = static_cast<unsigned char>(pixel);
            }
            png_write_row(png, row.data());
        }
        png_write_end(png, nullptr);
    } else {
        ok = false;
    }
    png_destroy_write_struct(png != nullptr ? &png : nullptr, info != nullptr ? &info : nullptr);
    ok = (std::fclose(file) == 0) && ok;
    // Only a complete file takes the final name.
    if (!ok || std::rename(temporary.c_str(), hostPath.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

}  // namespace platform
