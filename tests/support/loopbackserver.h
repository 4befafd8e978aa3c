// A small HTTP server on 127.0.0.1 and a free port for tests: serves a fixture folder and any
// routes a test adds. Stops when it goes out of scope.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace httplib {
class Server;
}

namespace quelvo::test {

struct Response {
    int status = 200;
    std::string contentType = "text/html; charset=utf-8";
    std::string body;
};

class LoopbackServer {
public:
    // `root` is a folder whose files are served as they stand; empty for routes only.
    explicit LoopbackServer(std::string root = {});
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // Serves `body` at `path` (for example "/page.html"), replacing an earlier route there.
    void route(const std::string& path, Response response);
    void route(const std::string& path, std::function<Response()> handler);

    int port() const { return m_port; }
    // "http://127.0.0.1:PORT" + path.
    std::string url(const std::string& path = "/") const;

private:
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    int m_port = 0;
    std::mutex m_mutex;
    std::map<std::string, std::function<Response()>> m_routes;
};

// The folder of HTML fixtures of a test module: tests/<module>/fixtures.
std::string fixturesDir(const std::string& module);

}  // namespace quelvo::test
