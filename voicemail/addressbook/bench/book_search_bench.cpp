// The drive search over a generated tree (100,000 files in 10,000 folders),
// beside `find -iname` for the same names over the same tree.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include "addressbook/book_search.h"

extern char** environ;

namespace {

constexpr int kTopFolders = 100;
constexpr int kSubFolders = 100;
constexpr int kFilesPerFolder = 10;

// One tree for all benchmarks; every 97th file is a book in mixed case.
const QTemporaryDir& Tree() {
    static QTemporaryDir* dir = [] {
        auto* made = new QTemporaryDir;
        for (int top = 0; top < kTopFolders; ++top) {
            for (int sub = 0; sub < kSubFolders; ++sub) {
                const QString folder =
                    made->filePath(QStringLiteral("Top%1/Sub%2").arg(top).arg(sub));
                QDir().mkpath(folder);
                for (int file = 0; file < kFilesPerFolder; ++file) {
                    const int n = (top * kSubFolders + sub) * kFilesPerFolder + file;
                    const QString name = n % 97 == 0   ? QStringLiteral("Book%1.WAB").arg(n)
                                         : n % 89 == 0 ? QStringLiteral("AbOoK.nab")
                                                       : QStringLiteral("file%1.dat").arg(n);
                    QFile(folder + QLatin1Char('/') + name).open(QIODevice::WriteOnly);
                }
            }
        }
        return made;
    }();
    return *dir;
}

void DriveSearch(benchmark::State& state) {
    const QString root = Tree().path();
    for (auto _ : state) {
        benchmark::DoNotOptimize(murmel::BookSearch().FindAddressBooks(root));
    }
}

void FindIname(benchmark::State& state) {
    const QByteArray root = QFile::encodeName(Tree().path());
    std::vector<const char*> argv{"find",   root.constData(), "(",  "-iname", "addrbk.lst",    "-o",
                                  "-iname", "*.wab",          "-o", "-iname", "*.pst",         "-o",
                                  "-iname", "abook.nab",      "-o", "-iname", "nndbase.txt",   "-o",
                                  "-iname", "*.vcf",          "-o", "-iname", "abook*.sqlite", "-o",
                                  "-iname", "history.sqlite", ")",  "-print", nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawnp(&pid, "find", &actions, nullptr, const_cast<char**>(argv.data()),
                         environ) != 0) {
            state.SkipWithError("find did not start");
            break;
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    posix_spawn_file_actions_destroy(&actions);
}

BENCHMARK(DriveSearch)->Unit(benchmark::kMillisecond);
BENCHMARK(FindIname)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
