// What one console run holds: the browser control, the WebPage, and the references and objects
// handed out to the script by name.
#pragma once

#include <QJsonArray>
#include <QJsonValue>

#include <map>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/dom/value.h"
#include "webpage/webpage.h"

class QWidget;

namespace quelvo {
class BrowserControl;
}

namespace quelvo::console {

class Arguments;
class Session;

// A wrong request: the answer carries the message as "error" and the console goes on.
struct RequestError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// A companion object handed to the script as {"object": "oN", "class": ...}.
class ConsoleObject {
public:
    virtual ~ConsoleObject() = default;
    virtual std::string className() const = 0;
    // Runs `method`; throws RequestError for an unknown method or bad arguments.
    virtual QJsonValue call(Session& session, const std::string& method, Arguments& args) = 0;
};

class Session {
public:
    Session(QWidget* host, BrowserControl* browser) : m_host(host), m_browser(browser) {}

    WebPage& page() { return m_page; }
    BrowserControl* browser() const { return m_browser; }
    QWidget* host() const { return m_host; }

    // {"ref": "rN"}, or null for an empty reference.
    QJsonValue addRef(const dom::Ref& ref);
    dom::Ref ref(const std::string& name) const;
    QJsonValue addObject(std::unique_ptr<ConsoleObject> object);
    ConsoleObject* object(const std::string& name) const;
    // Forgets a reference or an object; false when the name is unknown.
    bool release(const std::string& name);

    bool quitRequested = false;

private:
    QWidget* m_host;
    BrowserControl* m_browser;
    WebPage m_page;
    std::map<std::string, dom::Ref> m_refs;
    std::map<std::string, std::unique_ptr<ConsoleObject>> m_objects;
    int m_next = 1;
};

}  // namespace quelvo::console
