// bench_skinsite: a bounded load on the bundled skin site over loopback. Checks every answer and
// prints one JSON object: requests, errors, seconds and requests per second for previews, makes
// and finished-picture fetches, alone and mixed.
#include <httplib.h>
#include <QGuiApplication>

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "skinsite/fields.h"
#include "skinsite/skinsite.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace site = quelvo::skinsite;

enum Kind { Preview, Make, Picture, kindCount };
const char* kindNames[] = {"previews", "makes", "pictures"};

struct Tally {
    long requests = 0;
    long errors = 0;
    std::vector<double> latenciesMs;
    void add(const Tally& other) {
        requests += other.requests;
        errors += other.errors;
        latenciesMs.insert(latenciesMs.end(), other.latenciesMs.begin(), other.latenciesMs.end());
    }
};

struct Settings {
    long requests = 2000;
    int connections = 8;
    double makeShare = 0.25;
    double timeLimit = 60;
};

// A small deterministic sequence per connection, so runs are comparable.
class Sequence {
public:
    explicit Sequence(unsigned seed) : m_state(seed * 747796405u + 2891336453u) {}
    unsigned next() {
        m_state = m_state * 1664525u + 1013904223u;
        return m_state >> 8;
    }
    double unit() { return (next() & 0xffff) / 65536.0; }

private:
    unsigned m_state;
};

std::string formBody(const std::string& qq, int number, unsigned salt) {
    static const char* values[] = {"小星星%E2%98%85",
                                   "今天也要开开心心",
                                   "女",
                                   "18",
                                   "5月20日",
                                   "O型",
                                   "兔",
                                   "双子座",
                                   "中国",
                                   "浙江",
                                   "杭州"};
    std::string body = "template=" + std::to_string(number) + "&qq=" + qq;
    for (std::size_t k = 1; k < site::fieldCount; ++k) {
        body += "&" + std::string(site::fieldIds[k]) + "=" + values[k - 1];
        if (k == 1)
            body += std::to_string(salt % 1000);
    }
    return body;
}

bool isGif(const std::string& body) {
    return body.size() > 16 && body.rfind("GIF89a", 0) == 0 && body.back() == ';';
}

struct Shared {
    std::atomic<long> issued{0};
    std::atomic<bool> aborted{false};
    Clock::time_point deadline;
    std::vector<std::string> previews;  // reference bytes, template n at n - 1
};

// One connection's share of a phase. `makeShare` < 0 means previews only, > 1 makes only.
void runConnection(int index, int port, long total, double makeShare, Shared& shared,
                   std::array<Tally, kindCount>& tally) {
    httplib::Client client("127.0.0.1", port);
    client.set_keep_alive(true);
    client.set_tcp_nodelay(true);
    client.set_connection_timeout(5);
    client.set_read_timeout(10);
    Sequence seq(static_cast<unsigned>(index) + 1);
    std::vector<std::string> made;

    while (shared.issued.fetch_add(1) < total) {
        if (Clock::now() > shared.deadline) {
            shared.aborted = true;
            break;
        }
        const double roll = seq.unit();
        Kind kind = Preview;
        if (makeShare > 1 || roll < makeShare) {
            kind = Make;
        } else if (makeShare > 0 && !made.empty() && roll < makeShare + 0.1) {
            kind = Picture;
        }
        const auto start = Clock::now();
        bool ok = false;
        if (kind == Preview) {
            const int number = static_cast<int>(seq.next() % site::templateCount) + 1;
            auto res = client.Get("/img/pifu/bg" + std::to_string(number) + ".gif");
            ok = res && res->status == 200 &&
                 res->get_header_value("Content-Type") == "image/gif" &&
                 res->body == shared.previews[static_cast<std::size_t>(number - 1)];
        } else if (kind == Make) {
            // 40 QQ numbers per connection: repeats replace pictures, and the total stays far
            // under the site's bound, so every fetch afterwards must find its picture.
            const std::string qq = std::to_string(10000000 + index * 1000 + seq.next() % 40);
            const int number = static_cast<int>(seq.next() % site::templateCount) + 1;
            auto res = client.Post("/make", formBody(qq, number, seq.next()),
                                   "application/x-www-form-urlencoded");
            ok = res && res->status == 200 && res->body.find("皮肤制作成功") != std::string::npos;
            if (ok && std::find(made.begin(), made.end(), qq) == made.end())
                made.push_back(qq);
        } else {
            const std::string& qq = made[seq.next() % made.size()];
            auto res = client.Get("/bg/" + qq + ".gif");
            ok = res && res->status == 200 &&
                 res->get_header_value("Content-Type") == "image/gif" && isGif(res->body);
        }
        Tally& t = tally[kind];
        ++t.requests;
        if (!ok)
            ++t.errors;
        t.latenciesMs.push_back(
            std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
}

struct PhaseResult {
    std::array<Tally, kindCount> kinds;
    double seconds = 0;
};

PhaseResult runPhase(const Settings& settings, int port, long total, double makeShare,
                     Shared& shared) {
    shared.issued = 0;
    std::vector<std::array<Tally, kindCount>> perConnection(
        static_cast<std::size_t>(settings.connections));
    const auto start = Clock::now();
    std::vector<std::thread> threads;
    for (int c = 0; c < settings.connections; ++c) {
        threads.emplace_back([&, c] {
            runConnection(c, port, total, makeShare, shared,
                          perConnection[static_cast<std::size_t>(c)]);
        });
    }
    for (auto& thread : threads)
        thread.join();
    PhaseResult result;
    result.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    for (const auto& tallies : perConnection) {
        for (int k = 0; k < kindCount; ++k)
            result.kinds[k].add(tallies[k]);
    }
    return result;
}

double percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    std::size_t i = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(i, values.size() - 1)];
}

std::string tallyJson(const Tally& t, double seconds) {
    char buf[256];
    std::snprintf(buf, sizeof buf,
                  "{\"requests\":%ld,\"errors\":%ld,\"requests_per_second\":%.1f,"
                  "\"p50_ms\":%.2f,\"p95_ms\":%.2f}",
                  t.requests, t.errors, seconds > 0 ? t.requests / seconds : 0.0,
                  percentile(t.latenciesMs, 0.5), percentile(t.latenciesMs, 0.95));
    return buf;
}

std::string phaseJson(const PhaseResult& r) {
    Tally all;
    for (const Tally& t : r.kinds)
        all.add(t);
    char head[160];
    std::snprintf(head, sizeof head,
                  "{\"requests\":%ld,\"errors\":%ld,\"seconds\":%.3f,"
                  "\"requests_per_second\":%.1f",
                  all.requests, all.errors, r.seconds,
                  r.seconds > 0 ? all.requests / r.seconds : 0.0);
    std::string out = head;
    for (int k = 0; k < kindCount; ++k) {
        if (r.kinds[k].requests)
            out += ",\"" + std::string(kindNames[k]) + "\":" + tallyJson(r.kinds[k], r.seconds);
    }
    return out + "}";
}

bool parseArgs(int argc, char** argv, Settings& s) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        const double value = std::atof(argv[i + 1]);
        if (arg == "--requests" && value >= 1 && value <= 100000) {
            s.requests = static_cast<long>(value);
        } else if (arg == "--connections" && value >= 1 && value <= 64) {
            s.connections = static_cast<int>(value);
        } else if (arg == "--make-share" && value >= 0 && value <= 0.9) {
            s.makeShare = value;
        } else if (arg == "--time-limit" && value > 0 && value <= 600) {
            s.timeLimit = value;
        } else {
            return false;
        }
    }
    return argc % 2 == 1;
}

}  // namespace

int main(int argc, char** argv) {
    Settings settings;
    if (!parseArgs(argc, argv, settings)) {
        std::fprintf(stderr,
                     "usage: bench_skinsite [--requests N] [--connections N] [--make-share F] "
                     "[--time-limit SECONDS]\n");
        return 2;
    }
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);

    site::Options options;
    options.alertOnMake = false;
    options.threads = settings.connections;
    // Every connection may make at once: the figures are for the work, not for the busy page.
    options.maxMakes = settings.connections;
    site::SkinSite skinSite(options);
    const auto startBegin = Clock::now();
    if (!skinSite.start()) {
        std::fprintf(stderr, "bench_skinsite: %s\n", skinSite.errorString().c_str());
        return 1;
    }
    const double startMs =
        std::chrono::duration<double, std::milli>(Clock::now() - startBegin).count();
    const int port = skinSite.port();

    Shared shared;
    shared.deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                         std::chrono::duration<double>(settings.timeLimit));

    // Cold previews, one connection: what painting and encoding each one costs on first use.
    Tally cold;
    const auto coldStart = Clock::now();
    {
        httplib::Client client("127.0.0.1", port);
        client.set_keep_alive(true);
        client.set_read_timeout(10);
        for (int n = 1; n <= site::templateCount; ++n) {
            const auto t = Clock::now();
            auto res = client.Get("/img/pifu/bg" + std::to_string(n) + ".gif");
            ++cold.requests;
            const bool ok = res && res->status == 200 && isGif(res->body);
            if (!ok)
                ++cold.errors;
            shared.previews.push_back(ok ? res->body : std::string());
            cold.latenciesMs.push_back(
                std::chrono::duration<double, std::milli>(Clock::now() - t).count());
        }
    }
    const double coldSeconds = std::chrono::duration<double>(Clock::now() - coldStart).count();

    const PhaseResult previews = runPhase(settings, port, settings.requests / 4, -1, shared);
    const PhaseResult makes = runPhase(settings, port, settings.requests / 8, 2, shared);
    const PhaseResult mixed =
        runPhase(settings, port, settings.requests, settings.makeShare, shared);

    httplib::Client probe("127.0.0.1", port);
    auto alive = probe.Get("/");
    const bool stillServing = alive && alive->status == 200;
    const auto stopBegin = Clock::now();
    skinSite.stop();
    const double stopMs =
        std::chrono::duration<double, std::milli>(Clock::now() - stopBegin).count();

    long requests = cold.requests, errors = cold.errors;
    for (const PhaseResult* phase : {&previews, &makes, &mixed}) {
        for (const Tally& t : phase->kinds) {
            requests += t.requests;
            errors += t.errors;
        }
    }
    std::printf(
        "{\"benchmark\":\"skinsite_load\",\"connections\":%d,\"max_makes\":%d,"
        "\"make_share\":%.2f,"
        "\"time_limit_seconds\":%.0f,\"aborted\":%s,\"start_ms\":%.1f,\"stop_ms\":%.1f,"
        "\"requests\":%ld,"
        "\"errors\":%ld,\"serving_after\":%s,\"cold_previews\":%s,\"previews_only\":%s,"
        "\"makes_only\":%s,\"mixed\":%s}\n",
        settings.connections, options.maxMakes, settings.makeShare, settings.timeLimit,
        shared.aborted ? "true" : "false", startMs, stopMs, requests, errors,
        stillServing ? "true" : "false", tallyJson(cold, coldSeconds).c_str(),
        phaseJson(previews).c_str(), phaseJson(makes).c_str(), phaseJson(mixed).c_str());
    return errors == 0 && !shared.aborted && stillServing ? 0 : 1;
}
