// gifdump run as a program: its listing, raw indices, composed files and
// failure exit.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "engine/tests/gif_builder.h"
#include "test_env.h"

namespace {

namespace fs = std::filesystem;
using plimova::test::Bytes;
using plimova::test::GifBuilder;
using plimova::test::ImageSpec;

struct Outcome {
    int status = -1;
    std::string out;
    std::string err;
};

Outcome Gifdump(const std::string& args) {
    const fs::path dir = vantry::test::FreshDir("run");
    const std::string cmd = std::string(GIFDUMP_PATH) + " " + args + " >" + (dir / "out").string() +
                            " 2>" + (dir / "err").string();
    Outcome r;
    const int raw = std::system(cmd.c_str());
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.out = vantry::test::ReadFile(dir / "out");
    r.err = vantry::test::ReadFile(dir / "err");
    return r;
}

fs::path Write(const GifBuilder& b, const std::string& name) {
    const fs::path path = vantry::test::FreshDir("gif") / name;
    vantry::test::WriteFile(path, std::string(b.Data().begin(), b.Data().end()));
    return path;
}

ImageSpec Img(int left, int top, int w, int h, Bytes indices, bool interlaced = false) {
    ImageSpec s;
    s.left = left;
    s.top = top;
    s.width = w;
    s.height = h;
    s.indices = std::move(indices);
    s.interlaced = interlaced;
    return s;
}

GifBuilder Sample() {
    GifBuilder b(4, 3);
    b.Image(Img(0, 0, 4, 3, Bytes(12, 1)))
        .Control(2, 25, 3)
        .Image(Img(1, 1, 2, 2, {3, 2, 2, 3}))
        .Control(3, 0)
        .Image(Img(3, 0, 2, 2, {0, 0, 0, 0}))
        .Trailer();
    return b;
}

TEST(Gifdump, ListsScreenAndFrames) {
    const Outcome r = Gifdump(Write(Sample(), "a.gif").string());
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out,
              "screen 4 3\n"
              "frames 3\n"
              "frame 0 0 0 4 3 10 65535 0\n"
              "frame 1 1 1 2 2 25 3 8\n"
              "frame 2 3 0 2 2 10 65535 12\n");
    EXPECT_EQ(r.err, "");
}

TEST(Gifdump, WritesIndicesTopRowFirst) {
    GifBuilder b(2, 5, 3);
    ImageSpec s = Img(0, 0, 2, 5, {0, 1, 2, 3, 4, 5, 6, 7, 0, 1}, true);
    s.minCodeSize = 3;
    b.Image(s).Trailer();
    const Outcome r = Gifdump("--indices 0 " + Write(b, "i.gif").string());
    EXPECT_EQ(r.status, 0) << r.err;
    // Stream rows 0..4 land on image rows 0, 4, 2, 1, 3.
    EXPECT_EQ(r.out, std::string({0, 1, 6, 7, 4, 5, 0, 1, 2, 3}));

    const fs::path sample = Write(Sample(), "s.gif");
    EXPECT_EQ(Gifdump("--indices 1 " + sample.string()).out, std::string({3, 2, 2, 3}));
    for (const char* bad : {"3", "-1", "x", "", "1x"}) {
        const Outcome e = Gifdump(std::string("--indices '") + bad + "' " + sample.string());
        EXPECT_EQ(e.status, 1) << bad;
        EXPECT_EQ(e.out, "") << bad;
    }
}

TEST(Gifdump, ComposesEveryFrameToPpmAndPbm) {
    const fs::path dir = vantry::test::FreshDir("compose");
    const Outcome r =
        Gifdump("--compose " + dir.string() + " " + Write(Sample(), "c.gif").string());
    ASSERT_EQ(r.status, 0) << r.err;
    // Builder colours: index i is (7i, 13i, 255 - i).
    auto px = [](int i) { return std::string({char(7 * i), char(13 * i), char(255 - i)}); };
    const std::string black(3, '\0');
    std::string f1;
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            const bool inner = y >= 1 && x >= 1 && x <= 2;
            const bool hole = (y == 1 && x == 1) || (y == 2 && x == 2);
            f1 += inner && !hole ? px(2) : px(1);
        }
    }
    EXPECT_EQ(vantry::test::ReadFile(dir / "frame-1.ppm"), "P6\n4 3\n255\n" + f1);
    // Frame 1 had disposal 2: its rectangle goes back to black, frame 2
    // covers only the screen's last column.
    std::string f2;
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 4; ++x) {
            const bool restored = y >= 1 && x >= 1 && x <= 2;
            f2 += x == 3 && y <= 1 ? px(0) : restored ? black : px(1);
        }
    }
    EXPECT_EQ(vantry::test::ReadFile(dir / "frame-2.ppm"), "P6\n4 3\n255\n" + f2);
    EXPECT_EQ(vantry::test::ReadFile(dir / "mask-0.pbm"), std::string("P4\n4 3\n\xF0\xF0\xF0"));
    EXPECT_EQ(vantry::test::ReadFile(dir / "mask-2.pbm"), std::string("P4\n4 3\n\xF0\x90\x90"));
    EXPECT_FALSE(fs::exists(dir / "frame-3.ppm"));
}

TEST(Gifdump, BadFilesPrintOneLineAndExitOne) {
    const fs::path dir = vantry::test::FreshDir("bad");
    vantry::test::WriteFile(dir / "bad.gif", "GIF89A......");
    for (const std::string& args :
         {(dir / "bad.gif").string(), (dir / "missing.gif").string(),
          "--indices 0 " + (dir / "bad.gif").string(),
          "--compose " + dir.string() + " " + (dir / "bad.gif").string()}) {
        const Outcome r = Gifdump(args);
        EXPECT_EQ(r.status, 1) << args;
        EXPECT_EQ(r.out, "") << args;
        ASSERT_FALSE(r.err.empty()) << args;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << args;
    }
    EXPECT_EQ(Gifdump("").status, 2);
    EXPECT_EQ(Gifdump("--bogus x y").status, 2);
}

}  // namespace
