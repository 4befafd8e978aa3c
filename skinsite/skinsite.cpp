// The site's server: cpp-httplib on 127.0.0.1 behind our own request-head checks, one dispatcher
// per method, every input checked before it is used, an HTML error page for every failure.
#include "skinsite/skinsite.h"

#include <httplib.h>
#include <sys/socket.h>
#include <QCoreApplication>
#include <QGuiApplication>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>

#include "skinsite/formcheck.h"
#include "skinsite/guardedserver.h"
#include "skinsite/pages.h"
#include "skinsite/picturestore.h"
#include "skinsite/renderer.h"

namespace quelvo::skinsite {

namespace fs = std::filesystem;

namespace {

constexpr const char* htmlType = "text/html; charset=utf-8";
constexpr const char* gifType = "image/gif";

bool isFormType(const std::string& contentType) {
    constexpr std::string_view form = "application/x-www-form-urlencoded";
    if (contentType.size() < form.size())
        return false;
    for (std::size_t i = 0; i < form.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(contentType[i])) != form[i])
            return false;
    }
    return contentType.size() == form.size() || contentType[form.size()] == ';' ||
           contentType[form.size()] == ' ';
}

std::string makeTempFolder(std::string* error) {
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec)
        base = "/tmp";
    std::string pattern = (base / "quelvo-skinsite-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) {
        *error = "cannot make a temporary data folder in " + base.string();
        return {};
    }
    return pattern;
}

}  // namespace

SkinSite::SkinSite(Options options) : m_options(std::move(options)) {}

SkinSite::~SkinSite() {
    stop();
    if (m_ownsDataDir && !m_dataDir.empty()) {
        std::error_code ec;
        fs::remove_all(m_dataDir, ec);
    }
}

bool SkinSite::isRunning() const {
    return m_server && m_thread.joinable() && !m_listenEnded;
}

std::string SkinSite::baseUrl() const {
    return m_port ? "http://127.0.0.1:" + std::to_string(m_port) + "/" : std::string();
}

std::string SkinSite::fontFamily() const {
    return m_renderer ? m_renderer->fontFamily().toStdString() : std::string();
}

bool SkinSite::start() {
    if (m_server)
        return true;
    m_error.clear();
    if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) {
        m_error = "the skin site paints texts and needs a QGuiApplication";
        return false;
    }
    if (m_options.port < 0 || m_options.port > 65535) {
        m_error = "port out of range: " + std::to_string(m_options.port);
        return false;
    }

    if (m_dataDir.empty()) {
        if (m_options.dataDir.empty()) {
            m_dataDir = makeTempFolder(&m_error);
            if (m_dataDir.empty())
                return false;
            m_ownsDataDir = true;
        } else {
            m_dataDir = m_options.dataDir;
        }
    }
    m_store = std::make_unique<PictureStore>(m_dataDir, m_options.maxPictures);
    if (!m_store->open(&m_error))
        return false;
    m_pages = std::make_unique<Pages>();
    if (!m_pages->load()) {
        m_error = "the site's page files are missing from the resources";
        return false;
    }
    if (!m_renderer)
        m_renderer = std::make_unique<Renderer>(findChineseFontFamily());

    ServerLimits limits;
    limits.requestTime = m_options.requestTime;
    limits.maxMakes = std::max(1, m_options.maxMakes);
    m_server = std::make_unique<GuardedServer>(
        limits, [pages = m_pages.get()](int status, std::string_view why) {
            return pages->error(status, why);
        });
    const int threads = std::max(1, m_options.threads);
    m_server->new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    m_server->set_keep_alive_max_count(100);
    m_server->set_tcp_nodelay(true);
    // httplib's default also sets SO_REUSEPORT, which lets a second server share a taken port.
    m_server->set_socket_options([](int sock) {
        int yes = 1;
        ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    m_server->set_payload_max_length(m_options.maxBodyBytes);
    route();

    if (m_options.port == 0) {
        m_port = m_server->bind_to_any_port("127.0.0.1");
    } else {
        m_port = m_server->bind_to_port("127.0.0.1", m_options.port) ? m_options.port : 0;
    }
    if (m_port <= 0) {
        m_error = "cannot listen on 127.0.0.1:" + std::to_string(m_options.port);
        m_port = 0;
        m_server.reset();
        return false;
    }
    m_server->setPort(m_port);
    m_listenEnded = false;
    // The socket already listens; connections made before the thread runs wait in the backlog.
    m_thread = std::thread([this] {
        m_server->listen_after_bind();
        m_listenEnded = true;
    });
    return true;
}

void SkinSite::stop() {
    if (!m_server)
        return;
    // httplib ignores stop() until its accept loop has begun.
    while (!m_server->is_running() && !m_listenEnded) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    m_server->halt();
    if (m_thread.joinable())
        m_thread.join();
    m_server.reset();
    m_port = 0;
}

void SkinSite::route() {
    auto page = [](httplib::Response& res, int status, const std::string& body) {
        res.status = status;
        res.set_content(body, htmlType);
        res.set_header("Cache-Control", "no-cache");
    };
    auto fail = [this, page](httplib::Response& res, int status, std::string_view why = {}) {
        page(res, status, m_pages->error(status, why));
    };

    m_server->Get(".*", [this, page, fail](const httplib::Request& req, httplib::Response& res) {
        const std::string& path = req.path;
        if (path == "/" || path == "/index.html")
            return page(res, 200, m_pages->index());
        if (auto n = numberInPath(path, "/", ".html")) {
            return page(res, 200, m_pages->templatePage(*n));
        }
        if (auto n = numberInPath(path, "/img/pifu/bg", ".gif")) {
            auto gif = m_renderer->preview(*n);
            if (gif->empty())
                return fail(res, 500, "预览图生成失败");
            res.status = 200;
            res.set_content(*gif, gifType);
            res.set_header("Cache-Control", "max-age=3600");
            return;
        }
        if (path.starts_with("/bg/") && path.ends_with(".gif")) {
            const std::string qq = path.substr(4, path.size() - 8);
            auto gif = isValidQq(qq) ? m_store->get(qq) : std::nullopt;
            if (!gif)
                return fail(res, 404, "这个 QQ 号码还没有做好的皮肤");
            res.status = 200;
            res.set_content(*gif, gifType);
            res.set_header("Cache-Control", "no-store");
            return;
        }
        if (path == "/make") {
            res.set_header("Allow", "POST");
            return fail(res, 405);
        }
        fail(res, 404);
    });

    auto make = [this, page, fail](const httplib::Request& req, httplib::Response& res,
                                   const std::string& body) {
        if (req.path != "/make")
            return fail(res, 404);
        // A failed make ends the number's earlier picture: it must not be shown as the new one.
        FormCheck check = checkMakeForm(body);
        if (!check.request) {
            if (!check.qq.empty())
                m_store->remove(check.qq);
            return fail(res, check.status, check.problem);
        }
        const std::string gif = m_renderer->finished(*check.request);
        if (gif.empty()) {
            m_store->remove(check.qq);
            return fail(res, 500, "图片生成失败");
        }
        if (!m_store->put(check.qq, gif))
            return fail(res, 500, "图片保存失败");
        page(res, 200, m_pages->made(check.request->qq(), m_options.alertOnMake));
        res.set_header("Cache-Control", "no-store");
    };
    m_server->Post(".*", [this, make, fail](const httplib::Request& req, httplib::Response& res,
                                            const httplib::ContentReader& reader) {
        // Not read at all (httplib would parse a multipart body itself); the error answer ends
        // the connection.
        if (req.path == "/make" && !isFormType(req.get_header_value("Content-Type")))
            return fail(res, 415, "请用表单提交");
        std::string body;
        bool tooLarge = false;
        const bool read = reader([&](const char* data, std::size_t length) {
            if (body.size() + length > m_options.maxBodyBytes) {
                tooLarge = true;
                return false;
            }
            body.append(data, length);
            return true;
        });
        if (!read || tooLarge)
            return fail(res, tooLarge || res.status == 413 ? 413 : 400);
        make(req, res, body);
    });
    // A POST without a body does not reach the content reader handler.
    m_server->Post(".*", [make, fail](const httplib::Request& req, httplib::Response& res) {
        if (req.path == "/make" && !isFormType(req.get_header_value("Content-Type"))) {
            return fail(res, 415, "请用表单提交");
        }
        make(req, res, req.body);
    });

    // Other methods, foreign hosts and origins and encoded bodies are refused on their head,
    // before httplib reads anything (GuardedServer).

    // Every answer is whole: httplib's byte ranges can give a partial body under status 200.
    // The request object is httplib's own non-const local, so clearing its ranges is sound.
    m_server->set_default_headers(
        {{"Accept-Ranges", "none"}, {"X-Content-Type-Options", "nosniff"}});
    m_server->set_pre_routing_handler([](const httplib::Request& req, httplib::Response&) {
        const_cast<httplib::Request&>(req).ranges.clear();
        return httplib::Server::HandlerResponse::Unhandled;
    });

    // Failures httplib answers itself (bad request lines, oversized bodies, ranges) get our page
    // too. An error answer ends the connection: the rest of a body may still be on its way.
    m_server->set_error_handler([this](const httplib::Request& req, httplib::Response& res) {
        if (res.body.empty())
            res.set_content(m_pages->error(res.status), htmlType);
        auto& request = const_cast<httplib::Request&>(req);
        request.ranges.clear();
        request.headers.erase("Connection");
        request.headers.emplace("Connection", "close");
        GuardedServer::closeAfterAnswer();
    });
    m_server->set_exception_handler(
        [this](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
            res.status = 500;
            res.set_content(m_pages->error(500), htmlType);
        });
}

}  // namespace quelvo::skinsite
