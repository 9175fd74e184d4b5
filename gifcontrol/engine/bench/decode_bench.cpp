// Decode throughput of the whole load (parse, LZW, bitmap blocks) beside
// giflib's DGifSlurp on the same bytes in memory, peak heap while loading
// beside the heap the loaded image keeps,
// and the cost of composing one frame of a 640 x 480 animation.
//
// Run with --benchmark_repetitions=9 --benchmark_enable_random_interleaving
// and compare the medians; "Mpix/s" counts decoded frame pixels.

#include <benchmark/benchmark.h>
#include <gif_lib.h>
#include <malloc.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <new>
#include <string>
#include <vector>

#include "engine/gif_image.h"
#include "engine/screen_composer.h"

namespace {

// ---- heap accounting, for the peak while loading ----------------------------

std::atomic<long long> g_current{0};
std::atomic<long long> g_peak{0};

void Account(void* p) {
    if (p != nullptr) {
        const long long now = g_current += static_cast<long long>(malloc_usable_size(p));
        long long peak = g_peak.load();
        while (now > peak && !g_peak.compare_exchange_weak(peak, now)) {
        }
    }
}

}  // namespace

void* operator new(std::size_t n) {
    void* p = std::malloc(n == 0 ? 1 : n);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    Account(p);
    return p;
}
void* operator new[](std::size_t n) {
    return operator new(n);
}
void* operator new(std::size_t n, const std::nothrow_t&) noexcept {
    void* p = std::malloc(n == 0 ? 1 : n);
    Account(p);
    return p;
}
void* operator new[](std::size_t n, const std::nothrow_t& t) noexcept {
    return operator new(n, t);
}
void operator delete(void* p) noexcept {
    if (p != nullptr) {
        g_current -= static_cast<long long>(malloc_usable_size(p));
        std::free(p);
    }
}
void operator delete[](void* p) noexcept {
    operator delete(p);
}
void operator delete(void* p, std::size_t) noexcept {
    operator delete(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    operator delete(p);
}

namespace {

namespace fs = std::filesystem;

struct Sample {
    std::string name;
    std::string args;
    std::vector<std::uint8_t> bytes;
    std::uint64_t pixels = 0;
};

std::vector<Sample>& Corpus() {
    static std::vector<Sample> corpus;
    return corpus;
}

fs::path BenchDir() {
    static const fs::path dir = [] {
        fs::path d = fs::temp_directory_path() / ("gif-bench-" + std::to_string(::getpid()));
        fs::create_directories(d);
        return d;
    }();
    return dir;
}

void MakeCorpus() {
    const std::vector<std::pair<std::string, std::string>> specs = {
        {"photo_rose_640", "rose: -resize 640x480! -colors 256"},
        {"photo_logo_interlaced", "logo: -colors 128 -interlace GIF"},
        {"plasma_1024", "-seed 4 -size 1024x768 plasma: -colors 256"},
        {"gradient_flat_800", "-size 800x600 gradient:navy-gold +dither -colors 64"},
        {"anim_640x480_20",
         "-delay 4 -dispose Background -seed 9 -size 640x480 plasma: -colors 200 "
         "( +clone -roll +40+10 ) ( +clone -roll +40+10 ) ( +clone -roll +40+10 ) "
         "( +clone -roll +40+10 ) ( +clone -roll +40+10 ) ( +clone -roll +40+10 ) "
         "( +clone -roll +40+10 ) ( +clone -roll +40+10 ) ( +clone -roll +40+10 ) "
         "-loop 0"},
        // High entropy: dithered noise in 256 colours, larger coded than decoded.
        {"noise_1024x768", "-seed 3 -size 1024x768 xc: +noise Random -colors 256"},
        // Like a screen recording: a desktop with windows opening and a
        // pointer moving, optimised into small changed rectangles.
        {"screen_recording_1024",
         "-size 1024x768 xc:gray85 -fill navy -draw \"rectangle 0,0 1023,27\" "
         "-fill gray30 -draw \"rectangle 0,740 1023,767\" "
         "( +clone -fill white -draw \"rectangle 60,60 600,460\" -fill steelblue "
         "-draw \"rectangle 60,60 600,84\" ) "
         "( +clone -fill black -draw \"rectangle 80,100 400,104\" -draw \"rectangle 80,120 "
         "360,124\" ) "
         "( +clone -fill black -draw \"rectangle 80,140 520,144\" -fill red -draw \"polygon "
         "300,300 300,318 312,312\" ) "
         "( +clone -fill gray95 -draw \"rectangle 300,200 900,700\" -fill darkgreen "
         "-draw \"rectangle 300,200 900,224\" -seed 5 -region 600x400+300+260 +noise Gaussian "
         "+region ) "
         "( +clone -fill red -draw \"polygon 700,500 700,518 712,512\" ) "
         "-colors 256 -layers Optimize -delay 20 -loop 0"},
        {"anim_small_many",
         "-delay 2 -size 64x64 xc:white ( +clone -fill red -draw \"circle 32,32 32,8\" ) "
         "( +clone -fill blue -draw \"rectangle 4,4 30,30\" ) -duplicate 20 -loop 0"},
    };
    for (const auto& [name, args] : specs) {
        const fs::path out = BenchDir() / (name + ".gif");
        std::string quoted;  // parentheses escaped for the shell
        for (char c : args) {
            if (c == '(' || c == ')') {
                quoted += '\\';
            }
            quoted += c;
        }
        const std::string cmd = "convert " + quoted + " " + out.string() + " 2>/dev/null";
        if (std::system(cmd.c_str()) != 0) {
            std::fprintf(stderr, "could not make %s\n", name.c_str());
            continue;
        }
        std::ifstream in(out, std::ios::binary);
        Sample s{
            name, args, {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}, 0};
        plimova::GifImage image;
        if (!image.LoadFromData(
                {reinterpret_cast<const std::byte*>(s.bytes.data()), s.bytes.size()})) {
            continue;
        }
        for (int i = 0; i < image.FrameCount(); ++i) {
            const auto info = image.GetFrameInfo(i);
            s.pixels += std::uint64_t{info->width} * info->height;
        }
        Corpus().push_back(std::move(s));
    }
}

struct MemoryReader {
    const std::uint8_t* data;
    std::size_t size;
    std::size_t pos;
};

int ReadFromMemory(GifFileType* gif, GifByteType* out, int n) {
    auto* r = static_cast<MemoryReader*>(gif->UserData);
    const std::size_t take = std::min<std::size_t>(static_cast<std::size_t>(n), r->size - r->pos);
    std::memcpy(out, r->data + r->pos, take);
    r->pos += take;
    return static_cast<int>(take);
}

void Ours(benchmark::State& state, const Sample* s) {
    for (auto _ : state) {
        plimova::GifImage image;
        benchmark::DoNotOptimize(image.LoadFromData(
            {reinterpret_cast<const std::byte*>(s->bytes.data()), s->bytes.size()}));
    }
    state.counters["Mpix/s"] = benchmark::Counter(static_cast<double>(s->pixels) / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
    g_peak = g_current.load();
    const long long before = g_current.load();
    long long kept = 0;
    {
        plimova::GifImage image;
        image.LoadFromData({reinterpret_cast<const std::byte*>(s->bytes.data()), s->bytes.size()});
        kept = g_current.load() - before;
    }
    const auto perPixel = [s](long long bytes) {
        return static_cast<double>(bytes) / static_cast<double>(s->pixels);
    };
    state.counters["peak/pixels"] = perPixel(g_peak.load() - before);
    // What the loaded image holds (its file bytes and bitmap blocks); the
    // peak can never be below it, and the difference is the load's scratch.
    state.counters["kept/pixels"] = perPixel(kept);
}

void Giflib(benchmark::State& state, const Sample* s) {
    for (auto _ : state) {
        MemoryReader reader{s->bytes.data(), s->bytes.size(), 0};
        int error = 0;
        GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
        benchmark::DoNotOptimize(DGifSlurp(gif));
        DGifCloseFile(gif, &error);
    }
    state.counters["Mpix/s"] = benchmark::Counter(static_cast<double>(s->pixels) / 1e6,
                                                  benchmark::Counter::kIsIterationInvariantRate);
}

void Compose(benchmark::State& state, const Sample* s) {
    plimova::GifImage image;
    image.LoadFromData({reinterpret_cast<const std::byte*>(s->bytes.data()), s->bytes.size()});
    plimova::ScreenComposer composer;
    composer.Create(image.ScreenWidth(), image.ScreenHeight(), plimova::Rgb{192, 192, 192});
    int k = 0;
    for (auto _ : state) {
        composer.Compose(image, k, plimova::Rgb{192, 192, 192});
        k = (k + 1) % image.FrameCount();
    }
    state.counters["frames/s"] =
        benchmark::Counter(1, benchmark::Counter::kIsIterationInvariantRate);
}

}  // namespace

int main(int argc, char** argv) {
    MakeCorpus();
    for (const Sample& s : Corpus()) {
        benchmark::RegisterBenchmark(("decode/ours/" + s.name).c_str(), Ours, &s);
        benchmark::RegisterBenchmark(("decode/giflib/" + s.name).c_str(), Giflib, &s);
        if (s.name == "anim_640x480_20") {
            benchmark::RegisterBenchmark(("compose/" + s.name).c_str(), Compose, &s);
        }
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    std::error_code ec;
    fs::remove_all(BenchDir(), ec);
    return 0;
}
