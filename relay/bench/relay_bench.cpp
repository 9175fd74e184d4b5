// Figures for the relay: uploads accepted per second on loopback without
// pacing (1 MB items), delivery time from spool to Maildir, and memory held
// by 1000 open uploads.
#include <benchmark/benchmark.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "composer/outbox_item.h"
#include "core/delivery.h"
#include "core/event_log.h"
#include "core/http_server.h"
#include "core/spool.h"
#include "tests/exchange.h"

namespace {

namespace fs = std::filesystem;
using namespace murmel::relay;

fs::path Scratch(const char* name) {
    const fs::path p = fs::temp_directory_path() / (std::string("relay-bench-") + name);
    fs::remove_all(p);
    fs::create_directories(p);
    return p;
}

std::string Filler(std::size_t bytes) {
    std::string wave(bytes, '\0');
    for (std::size_t i = 0; i < wave.size(); ++i) {
        wave[i] = static_cast<char>(i * 2654435761u >> 24);
    }
    return wave;
}

// A zip holding the wave as its one entry, stored without compression.
std::string StoredZip(const std::string& wave) {
    const std::string name = "in.wav";
    auto le16 = [](std::string& s, unsigned v) { s += char(v & 255), s += char(v >> 8 & 255); };
    auto le32 = [&](std::string& s, std::uint32_t v) { le16(s, v & 0xffff), le16(s, v >> 16); };
    std::uint32_t crc = 0xffffffffu;
    for (unsigned char c : wave) {
        crc ^= c;
        for (int k = 0; k < 8; ++k) {
            crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1)));
        }
    }
    crc ^= 0xffffffffu;
    std::string zip;
    le32(zip, 0x04034b50), le16(zip, 20), le16(zip, 0), le16(zip, 0), le16(zip, 0), le16(zip, 0);
    le32(zip, crc), le32(zip, wave.size()), le32(zip, wave.size()), le16(zip, name.size()),
        le16(zip, 0);
    zip += name + wave;
    const std::size_t central = zip.size();
    le32(zip, 0x02014b50), le16(zip, 20), le16(zip, 20), le16(zip, 0), le16(zip, 0), le16(zip, 0),
        le16(zip, 0);
    le32(zip, crc), le32(zip, wave.size()), le32(zip, wave.size()), le16(zip, name.size());
    le16(zip, 0), le16(zip, 0), le16(zip, 0), le16(zip, 0), le32(zip, 0), le32(zip, 0);
    zip += name;
    const std::size_t centralSize = zip.size() - central;
    le32(zip, 0x06054b50), le16(zip, 0), le16(zip, 0), le16(zip, 1), le16(zip, 1);
    le32(zip, centralSize), le32(zip, central), le16(zip, 0);
    return zip;
}

std::string Item(std::size_t waveBytes) {
    murmel::PostFields f;
    f.to = "a@b.org";
    f.myEmail = "me@x.org";
    f.subject = "bench";
    f.date = "Sun, 06 Dec 2026 15:49 -0500";
    f.language = "00000409";
    f.version = "1.0";
    f.note = "note";
    f.zipName = "in.zip";
    const QByteArray bytes =
        murmel::ComposePostItem(f, QByteArray::fromStdString(StoredZip(Filler(waveBytes))));
    return "POST /post/ HTTP/1.0\r\n" + bytes.toStdString();
}

long RssKiB() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(1 << 10, '\n');
    }
    return 0;
}

void BM_UploadsAcceptedUnpaced(benchmark::State& state) {
    const fs::path dir = Scratch("uploads");
    EventLog log([](const std::string&) {});
    Spool spool(dir / "spool");
    std::string error;
    spool.Prepare(&error);
    HttpServer server(ServerLimits{}, spool, log, {});
    server.Start("127.0.0.1:0", &error);
    const std::string request = Item(1 << 20);
    for (auto _ : state) {
        const std::string answer = murmel::relay::test::Exchange(server.port(), request);
        if (!answer.starts_with("HTTP/1.1 200")) {
            state.SkipWithError("upload refused");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(request.size()));
    server.Stop();
    fs::remove_all(dir);
}
BENCHMARK(BM_UploadsAcceptedUnpaced)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_DeliverySpoolToMaildir(benchmark::State& state) {
    const fs::path dir = Scratch("delivery");
    EventLog log([](const std::string&) {});
    Spool spool(dir / "spool");
    Maildir maildir(dir / "Maildir");
    std::string error;
    spool.Prepare(&error);
    maildir.Prepare(&error);
    MaildirTarget target(maildir);
    DeliveryWorker worker(spool, target, log, {}, "bench");
    const std::string header = "To: a@b.org\r\nFrom: me@x.org\r\nSubject: s\r\n\r\nnote\r\n";
    // A recording libsndfile reads: a PCM wave of one minute at 8 kHz.
    std::string wave = "RIFF";
    const std::uint32_t dataBytes = 8000 * 2 * 60;
    auto le = [&wave](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) {
            wave += char(v >> (8 * i) & 255);
        }
    };
    le(36 + dataBytes, 4), wave += "WAVEfmt ", le(16, 4), le(1, 2), le(1, 2), le(8000, 4),
        le(16000, 4), le(2, 2), le(16, 2), wave += "data", le(dataBytes, 4);
    wave.resize(wave.size() + dataBytes, '\x10');
    for (auto _ : state) {
        state.PauseTiming();
        auto writer = spool.Begin(header, 1796590140, "127.0.0.1", &error);
        writer->Write(StoredZip(wave));
        spool.Commit(*writer, &error);
        state.ResumeTiming();
        worker.RunOnce(1796590200);
    }
    fs::remove_all(dir);
}
BENCHMARK(BM_DeliverySpoolToMaildir)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_MemoryOfOpenUploads(benchmark::State& state) {
    const auto uploads = static_cast<std::size_t>(state.range(0));
    const fs::path dir = Scratch("memory");
    std::atomic<int> accepted = 0;
    EventLog log([&accepted](const std::string& line) {
        if (line.find(" accepted ") != std::string::npos) {
            ++accepted;
        }
    });
    Spool spool(dir / "spool");
    std::string error;
    spool.Prepare(&error);
    ServerLimits limits;
    HttpServer server(limits, spool, log, {});
    server.Start("127.0.0.1:0", &error);
    const std::string request = Item(100 * 1024);
    for (auto _ : state) {
        const long before = RssKiB();
        std::vector<int> fds;
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_port = htons(server.port());
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        for (std::size_t i = 0; i < uploads; ++i) {
            const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
            ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr);
            ::send(fd, request.data(), 8192, MSG_NOSIGNAL);  // the request line and a first chunk
            fds.push_back(fd);
        }
        while (accepted < static_cast<int>(uploads)) {
            benchmark::DoNotOptimize(accepted.load());
        }
        state.counters["rss_delta_MiB"] = static_cast<double>(RssKiB() - before) / 1024.0;
        for (int fd : fds) {
            ::close(fd);
        }
    }
    server.Stop();
    fs::remove_all(dir);
}
BENCHMARK(BM_MemoryOfOpenUploads)->Arg(1000)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
