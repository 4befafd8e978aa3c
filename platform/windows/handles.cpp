#include "platform/windows/handles.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QUrl>
#include <QWidget>

#include <algorithm>
#include <map>
#include <vector>

#include "platform/dom/channel.h"

namespace quelvo::win {
namespace {

struct Entry {
    QPointer<QWidget> widget;
    std::string className;
    MessageHandler handler;
};

struct Registry {
    std::map<HWND, Entry> entries;
    QHash<QWidget*, HWND> byWidget;
    HWND next = 0x10010;  // looks like a handle, never 0
    std::map<std::string, UINT> messages;
    UINT nextMessage = 0xC000;
    std::map<LRESULT, std::weak_ptr<dom::Channel>> tokens;
    LRESULT nextToken = 0x5000;
};

Registry& registry() {
    static Registry r;
    return r;
}

Entry* entryOf(HWND window) {
    auto& r = registry();
    auto it = r.entries.find(window);
    if (it == r.entries.end() || !it->second.widget)
        return nullptr;
    return &it->second;
}

std::string windowText(QWidget* w) {
    QString text;
    if (auto* b = qobject_cast<QAbstractButton*>(w)) {
        text = b->text();
    } else if (auto* l = qobject_cast<QLabel*>(w)) {
        text = l->text();
    } else if (auto* e = qobject_cast<QLineEdit*>(w)) {
        text = e->text();
    } else {
        text = w->windowTitle();
    }
    return Text::fromUtf16(text.toStdU16String()).bytes();
}

std::vector<HWND> childrenOf(HWND parent) {
    std::vector<HWND> out;
    if (parent == 0) {
        // Windows already known keep their order; new ones follow in the toolkit's order.
        std::vector<HWND> tops;
        for (QWidget* w : QApplication::topLevelWidgets())
            tops.push_back(handleOf(w));
        std::sort(tops.begin(), tops.end());
        return tops;
    }
    Entry* e = entryOf(parent);
    if (!e)
        return out;
    for (QObject* child : e->widget->children()) {
        if (child->isWidgetType())
            out.push_back(handleOf(static_cast<QWidget*>(child)));
    }
    return out;
}

}  // namespace

HWND handleOf(QWidget* widget) {
    if (!widget)
        return 0;
    auto& r = registry();
    auto found = r.byWidget.find(widget);
    if (found != r.byWidget.end())
        return found.value();
    HWND h = r.next;
    r.next += 4;
    r.entries[h] = Entry{widget, widget->metaObject()->className(), {}};
    r.byWidget.insert(widget, h);
    QObject::connect(widget, &QObject::destroyed, [h, widget] {
        auto& reg = registry();
        reg.entries.erase(h);
        reg.byWidget.remove(widget);
    });
    return h;
}

QWidget* widgetOf(HWND window) {
    Entry* e = entryOf(window);
    return e ? e->widget.data() : nullptr;
}

void setWindowClass(QWidget* widget, const std::string& className) {
    registry().entries[handleOf(widget)].className = className;
}

void setMessageHandler(QWidget* widget, MessageHandler handler) {
    registry().entries[handleOf(widget)].handler = std::move(handler);
}

LRESULT issueDocumentToken(const std::shared_ptr<dom::Channel>& channel) {
    auto& r = registry();
    // Tokens nobody redeemed are dropped once there are many.
    if (r.tokens.size() > 64)
        r.tokens.erase(r.tokens.begin());
    LRESULT token = r.nextToken++;
    r.tokens[token] = channel;
    return token;
}

int GetClassNameA(HWND window, char* buffer, int size) {
    Entry* e = entryOf(window);
    if (!e || !buffer || size <= 0)
        return 0;
    int n = std::min<int>(static_cast<int>(e->className.size()), size - 1);
    std::memcpy(buffer, e->className.data(), static_cast<std::size_t>(n));
    buffer[n] = '\0';
    return n;
}

HWND FindWindowExA(HWND parent, HWND after, const char* className, const char* title) {
    if (parent != 0 && !entryOf(parent))
        return 0;
    std::vector<HWND> children = childrenOf(parent);
    auto it = children.begin();
    if (after != 0) {
        it = std::find(children.begin(), children.end(), after);
        if (it == children.end())
            return 0;
        ++it;
    }
    for (; it != children.end(); ++it) {
        Entry* e = entryOf(*it);
        if (!e)
            continue;
        if (className && e->className != className)
            continue;
        if (title && windowText(e->widget) != title)
            continue;
        return *it;
    }
    return 0;
}

UINT RegisterWindowMessageA(const char* name) {
    if (!name || !*name)
        return 0;
    std::string key = asciiLower(Text(name)).bytes();
    auto& r = registry();
    auto [it, inserted] = r.messages.try_emplace(key, r.nextMessage);
    if (inserted)
        ++r.nextMessage;
    return it->second;
}

LRESULT SendMessageTimeoutA(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT flags,
                            UINT timeoutMs, WPARAM* result) {
    (void)flags;  // every window lives on this thread, which is running this call: never hung
    Entry* e = entryOf(window);
    if (!e)
        return 0;
    QElapsedTimer clock;
    clock.start();
    std::optional<LRESULT> answer;
    if (e->handler) {
        MessageHandler handler = e->handler;  // the window may go away while it answers
        answer = handler(message, wParam, lParam);
    }
    if (clock.elapsed() > static_cast<qint64>(timeoutMs))
        return 0;
    if (result)
        *result = static_cast<WPARAM>(answer.value_or(0));
    return 1;
}

HRESULT ObjectFromLresult(LRESULT result, const GUID& iid, WPARAM wParam, dom::Ref* object) {
    (void)wParam;
    if (!object)
        return E_INVALIDARG;
    if (!(iid == IID_IHTMLDocument))
        return E_NOINTERFACE;
    auto& r = registry();
    auto it = r.tokens.find(result);
    if (it == r.tokens.end())
        return E_INVALIDARG;
    std::shared_ptr<dom::Channel> channel = it->second.lock();
    r.tokens.erase(it);
    if (!channel)
        return E_FAIL;
    dom::Ref document = channel->document(kDocumentTimeoutMs);
    if (document.empty())
        return E_FAIL;
    *object = std::move(document);
    return S_OK;
}

std::intptr_t ShellExecuteA(HWND owner, const char* verb, const char* file, const char* parameters,
                            const char* directory, int showCommand) {
    (void)owner, (void)parameters, (void)directory, (void)showCommand;
    if (!file || !*file)
        return 2;  // ERROR_FILE_NOT_FOUND
    if (verb && *verb && asciiLower(Text(verb)).bytes() != "open")
        return 31;  // no association
    const QString target = QString::fromStdString(Text(file).toUtf8());
    // An existing file or folder, relative to the current folder or absolute, comes first.
    const QFileInfo info(QDir::current(), target);
    if (info.exists()) {
        const QString path = info.absoluteFilePath();
        if (info.isFile() && info.isExecutable())
            return QProcess::startDetached(path, {}, info.absolutePath()) ? 42 : 2;
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path)) ? 42 : 31;
    }
    // Anything else only as an address with its own scheme: no name is guessed into a host.
    const QUrl url(target, QUrl::StrictMode);
    if (!url.isValid() || url.scheme().isEmpty() || url.isRelative())
        return 2;
    return QDesktopServices::openUrl(url) ? 42 : 31;
}

}  // namespace quelvo::win
