// The bundled skin-making site: an HTTP server on 127.0.0.1 with the index page, template previews
// and pages, the make endpoint and the finished pictures. It runs on its own threads.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "skinsite/fields.h"

namespace quelvo::skinsite {

class GuardedServer;
class PictureStore;
class Renderer;
class Pages;

struct Options {
    // Where finished pictures are kept (<dataDir>/bg). Empty: a fresh temporary folder that is
    // removed again when the site is destroyed.
    std::string dataDir;
    // 0: any free port.
    int port = 0;
    // Finished pictures kept on disk; the oldest goes first.
    std::size_t maxPictures = 500;
    // Largest make request body; a larger one is answered with 413.
    std::size_t maxBodyBytes = 16 * 1024;
    // The make result page shows the old site's success dialog.
    bool alertOnMake = true;
    // Server threads: connections served at once. Slow clients hold one each for at most
    // requestTime, so there are enough for a few of them beside the program's own requests.
    int threads = 32;
    // From the moment a request may begin until its head and body are read; a slower client gets
    // 408 and loses its connection.
    std::chrono::milliseconds requestTime{10000};
    // Makes at once; one more gets the busy page (503).
    int maxMakes = 4;
};

class SkinSite {
public:
    explicit SkinSite(Options options = {});
    ~SkinSite();
    SkinSite(const SkinSite&) = delete;
    SkinSite& operator=(const SkinSite&) = delete;

    // Binds 127.0.0.1 and starts serving; fast, pictures are painted on first request. Needs a
    // QGuiApplication (texts are painted). False with errorString() set when it cannot start.
    bool start();
    // Stops serving and waits for the server threads; every wait on a client ends at once, so it
    // returns promptly whatever clients do. Safe to call more than once.
    void stop();

    bool isRunning() const;
    int port() const { return m_port; }
    // "http://127.0.0.1:PORT/", empty before start().
    std::string baseUrl() const;
    // The data folder in use (made by start() when Options::dataDir is empty).
    std::string dataDir() const { return m_dataDir; }
    std::string errorString() const { return m_error; }
    // The font family the pictures are drawn with, empty before start().
    std::string fontFamily() const;

private:
    void route();

    Options m_options;
    std::string m_dataDir;
    bool m_ownsDataDir = false;
    std::string m_error;
    int m_port = 0;
    std::unique_ptr<GuardedServer> m_server;
    std::unique_ptr<PictureStore> m_store;
    std::unique_ptr<Renderer> m_renderer;
    std::unique_ptr<Pages> m_pages;
    std::thread m_thread;
    std::atomic<bool> m_listenEnded{false};
};

}  // namespace quelvo::skinsite
