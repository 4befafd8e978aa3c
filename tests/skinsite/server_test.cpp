// The site as a server: where it listens, its data folder across runs, stopping, and the
// standalone executable.
#include <QProcess>
#include <QProcessEnvironment>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <future>

#include "tests/skinsite/giftools.h"
#include "tests/skinsite/sitefixture.h"

namespace quelvo::test {
namespace {

namespace fs = std::filesystem;

// Whether a TCP connection to address:port is accepted.
bool connects(const char* address, int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(static_cast<uint16_t>(port));
    ::inet_pton(AF_INET, address, &addr.sin_addr);
    bool ok = ::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0;
    ::close(fd);
    return ok;
}

fs::path makeTempDir() {
    std::string pattern = (fs::temp_directory_path() / "quelvo-sitetest-XXXXXX").string();
    EXPECT_NE(::mkdtemp(pattern.data()), nullptr);
    return pattern;
}

using ServerTest = SiteTest;

TEST_F(ServerTest, ListensOnLoopbackOnly) {
    EXPECT_TRUE(connects("127.0.0.1", m_site->port()));
    // Another loopback address reaches every socket bound to all addresses, but not ours.
    EXPECT_FALSE(connects("127.0.0.2", m_site->port()));
}

TEST_F(ServerTest, AGivenPortThatIsTakenFailsToStart) {
    skinsite::Options options;
    options.port = m_site->port();
    skinsite::SkinSite second(options);
    EXPECT_FALSE(second.start());
    EXPECT_NE(second.errorString().find("127.0.0.1"), std::string::npos);
    EXPECT_EQ(second.port(), 0);
    EXPECT_EQ(get("/")->status, 200) << "the first site is disturbed";
}

TEST_F(ServerTest, OwnTemporaryDataFolderGoesWithTheSite) {
    const fs::path dir = dataDir();
    ASSERT_TRUE(fs::is_directory(dir / "bg"));
    EXPECT_EQ(post(profileForm("10001"))->status, 200);
    m_site.reset();
    EXPECT_FALSE(fs::exists(dir));
}

TEST_F(ServerTest, AGivenDataFolderIsKeptAndTakenUpAgain) {
    EXPECT_EQ(post(profileForm("10001"))->status, 200);
    const std::string picture = get("/bg/10001.gif")->body;

    const fs::path dir = makeTempDir();
    const fs::path bg = dir / "bg";
    fs::create_directories(bg);
    // Three pictures of an earlier run, oldest first by time (not by name), a temporary file a
    // crash left and a file that is not ours.
    const auto now = fs::file_time_type::clock::now();
    const char* earlier[] = {"30003", "20002", "10001"};
    for (int k = 0; k < 3; ++k) {
        const fs::path file = bg / (std::string(earlier[k]) + ".gif");
        std::ofstream(file, std::ios::binary) << picture;
        fs::last_write_time(file, now - std::chrono::hours(3 - k));
    }
    std::ofstream(bg / ".part-1-1.gif") << "half";
    std::ofstream(bg / "notes.txt") << "mine";

    skinsite::Options options;
    options.dataDir = dir.string();
    options.maxPictures = 2;
    {
        skinsite::SkinSite site(options);
        ASSERT_TRUE(site.start()) << site.errorString();
        httplib::Client c("127.0.0.1", site.port());
        EXPECT_EQ(c.Get("/bg/30003.gif")->status, 404) << "the oldest is over the bound";
        EXPECT_EQ(c.Get("/bg/20002.gif")->status, 200);
        auto res = c.Get("/bg/10001.gif");
        ASSERT_TRUE(res);
        EXPECT_EQ(res->body, picture);
    }
    EXPECT_FALSE(fs::exists(bg / ".part-1-1.gif"));
    EXPECT_TRUE(fs::exists(bg / "notes.txt"));
    EXPECT_TRUE(fs::exists(bg / "10001.gif")) << "a given folder is not removed";
    fs::remove_all(dir);
}

TEST_F(ServerTest, StopsPromptlyWhileAClientHoldsAnIdleConnection) {
    auto c = client();
    c->set_keep_alive(true);
    ASSERT_EQ(c->Get("/")->status, 200);
    auto stopped = std::async(std::launch::async, [this] { m_site->stop(); });
    EXPECT_EQ(stopped.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    stopped.wait();
    EXPECT_FALSE(m_site->isRunning());
    EXPECT_FALSE(client()->Get("/"));

    // And it can serve again.
    ASSERT_TRUE(m_site->start()) << m_site->errorString();
    EXPECT_EQ(get("/")->status, 200);
}

TEST(SkinSiteExecutable, PrintsItsAddressServesAndEndsOnSigterm) {
    const fs::path dir = makeTempDir();
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // No display and no platform chosen: the program must find its own way to paint.
    env.remove("QT_QPA_PLATFORM");
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    process.setProcessEnvironment(env);
    process.start(QUELVO_SKINSITE_EXE,
                  {"--port", "0", "--data-dir", QString::fromStdString(dir.string())});
    ASSERT_TRUE(process.waitForStarted(10000));
    ASSERT_TRUE(process.waitForReadyRead(20000)) << process.readAllStandardError().toStdString();
    const std::string line = process.readLine().trimmed().toStdString();
    ASSERT_TRUE(line.starts_with("http://127.0.0.1:") && line.ends_with("/")) << line;
    const int port = std::stoi(line.substr(17));

    httplib::Client c("127.0.0.1", port);
    c.set_read_timeout(20);
    EXPECT_EQ(c.Get("/")->status, 200);
    auto made =
        c.Post("/make", formEncode(profileForm("10001", 9)), "application/x-www-form-urlencoded");
    ASSERT_TRUE(made);
    EXPECT_EQ(made->status, 200);
    EXPECT_TRUE(decodeGif(c.Get("/bg/10001.gif")->body).ok);
    EXPECT_TRUE(fs::exists(dir / "bg" / "10001.gif"));

    process.terminate();
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    fs::remove_all(dir);
}

TEST(SkinSiteExecutable, RefusesBadArguments) {
    for (QStringList args : {QStringList{"--port", "70000"}, QStringList{"--port", "x"},
                             QStringList{"--port"}, QStringList{"--what"}}) {
        QProcess process;
        process.start(QUELVO_SKINSITE_EXE, args);
        ASSERT_TRUE(process.waitForFinished(10000));
        EXPECT_EQ(process.exitCode(), 2) << args.join(' ').toStdString();
    }
}

}  // namespace
}  // namespace quelvo::test
