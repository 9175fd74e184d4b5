// gifdump: prints a GIF as the control's engine sees it, writes one frame's
// palette indices, or composes every frame to PPM/PBM files.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "engine/gif_image.h"
#include "engine/screen_composer.h"

namespace {

namespace fs = std::filesystem;
using plimova::GifImage;

int Usage() {
    std::fputs(
        "usage: gifdump FILE\n"
        "       gifdump --indices K FILE\n"
        "       gifdump --compose DIR FILE\n",
        stderr);
    return 2;
}

bool Load(GifImage& image, const char* file) {
    if (image.LoadFromFile(file)) {
        return true;
    }
    std::fprintf(stderr, "gifdump: %s: %s\n", file, plimova::LoadErrorText(image.LastError()));
    return false;
}

int Describe(const char* file) {
    GifImage image;
    if (!Load(image, file)) {
        return 1;
    }
    std::printf("screen %u %u\n", image.ScreenWidth(), image.ScreenHeight());
    std::printf("frames %d\n", image.FrameCount());
    for (int i = 0; i < image.FrameCount(); ++i) {
        const auto f = *image.GetFrameInfo(i);
        std::printf("frame %d %u %u %u %u %u %u %u\n", i, f.left, f.top, f.width, f.height, f.delay,
                    f.transparent, f.disposal);
    }
    return std::fflush(stdout) == 0 ? 0 : 1;
}

// A frame number: digits only, within the frame list.
bool ParseIndex(std::string_view text, int count, int& index) {
    if (text.empty() || text.size() > 6) {
        return false;
    }
    int value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
        value = value * 10 + (c - '0');
    }
    if (value >= count) {
        return false;
    }
    index = value;
    return true;
}

int Indices(const char* k, const char* file) {
    GifImage image;
    if (!Load(image, file)) {
        return 1;
    }
    int index = 0;
    if (!ParseIndex(k, image.FrameCount(), index)) {
        std::fprintf(stderr, "gifdump: %s: no frame %s (frames: %d)\n", file, k,
                     image.FrameCount());
        return 1;
    }
    const auto bytes = image.FrameIndices(index);
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size() ||
        std::fflush(stdout) != 0) {
        std::fprintf(stderr, "gifdump: cannot write to standard output\n");
        return 1;
    }
    return 0;
}

bool WriteFile(const fs::path& path, const std::string& header, const void* data,
               std::size_t size) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(header.data(), static_cast<std::streamsize>(header.size()));
    out.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
    out.close();
    if (!out) {
        std::fprintf(stderr, "gifdump: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

int Compose(const char* dir, const char* file) {
    GifImage image;
    if (!Load(image, file)) {
        return 1;
    }
    const int w = image.ScreenWidth();
    const int h = image.ScreenHeight();
    plimova::ScreenComposer composer;
    if (!composer.Create(w, h, plimova::Rgb{})) {
        std::fprintf(stderr, "gifdump: %s: out of memory for the screen\n", file);
        return 1;
    }
    const std::string size = std::to_string(w) + " " + std::to_string(h) + "\n";
    std::string rgb(static_cast<std::size_t>(w) * h * 3, '\0');
    for (int k = 0; k < image.FrameCount(); ++k) {
        composer.Compose(image, k, plimova::Rgb{});
        const plimova::Picture& screen = composer.Screen();
        std::size_t o = 0;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                const std::uint32_t p = screen.At(x, y);
                rgb[o++] = static_cast<char>(p >> 16);
                rgb[o++] = static_cast<char>(p >> 8);
                rgb[o++] = static_cast<char>(p);
            }
        }
        const fs::path base(dir);
        const std::string n = std::to_string(k);
        // The bitmask's rows are already PBM rows: byte-padded, leftmost
        // pixel in the top bit, 1 = opaque = black.
        const auto& bits = composer.Bitmask().Bytes();
        if (!WriteFile(base / ("frame-" + n + ".ppm"), "P6\n" + size + "255\n", rgb.data(),
                       rgb.size()) ||
            !WriteFile(base / ("mask-" + n + ".pbm"), "P4\n" + size, bits.data(), bits.size())) {
            return 1;
        }
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && argv[1][0] != '-') {
        return Describe(argv[1]);
    }
    if (argc == 4 && std::strcmp(argv[1], "--indices") == 0) {
        return Indices(argv[2], argv[3]);
    }
    if (argc == 4 && std::strcmp(argv[1], "--compose") == 0) {
        std::error_code ec;
        if (!fs::is_directory(argv[2], ec)) {
            std::fprintf(stderr, "gifdump: %s: not a folder\n", argv[2]);
            return 1;
        }
        return Compose(argv[2], argv[3]);
    }
    return Usage();
}
