#include "support/loopbackserver.h"

#include <httplib.h>

namespace quelvo::test {

LoopbackServer::LoopbackServer(std::string root) : m_server(std::make_unique<httplib::Server>()) {
    // Closing after each answer lets the server stop at once instead of waiting out keep-alives.
    m_server->set_keep_alive_max_count(1);
    if (!root.empty())
        m_server->set_mount_point("/", root);
    m_server->Get(".*", [this](const httplib::Request& req, httplib::Response& res) {
        std::function<Response()> handler;
        {
            std::lock_guard lock(m_mutex);
            auto it = m_routes.find(req.path);
            if (it != m_routes.end())
                handler = it->second;
        }
        if (!handler) {
            res.status = 404;
            res.set_content("<html><body>not found</body></html>", "text/html");
            return;
        }
        Response r = handler();
        res.status = r.status;
        res.set_content(r.body, r.contentType.c_str());
    });
    m_port = m_server->bind_to_any_port("127.0.0.1");
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    while (!m_server->is_running())
        std::this_thread::yield();
}

LoopbackServer::~LoopbackServer() {
    m_server->stop();
    if (m_thread.joinable())
        m_thread.join();
}

void LoopbackServer::route(const std::string& path, Response response) {
    route(path, [response] { return response; });
}

void LoopbackServer::route(const std::string& path, std::function<Response()> handler) {
    std::lock_guard lock(m_mutex);
    m_routes[path] = std::move(handler);
}

std::string LoopbackServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(m_port) + path;
}

std::string fixturesDir(const std::string& module) {
    return std::string(QUELVO_TESTS_DIR) + "/" + module + "/fixtures";
}

}  // namespace quelvo::test
