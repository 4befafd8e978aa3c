#include "platform/browser/pagetransport.h"

#include <QEventLoop>
#include <QTimer>
#include <QVariant>
#include <QWebEngineScript>

namespace quelvo {
namespace {

QString wrap(const std::string& request) {
    // The request travels as a string literal: the script around it stays the same shape.
    QString literal;
    literal.reserve(static_cast<qsizetype>(request.size()) + 8);
    for (QChar c : QString::fromStdString(request)) {
        if (c == u'\\' || c == u'\'')
            literal += u'\\';
        if (c == QChar(0x2028) || c == QChar(0x2029)) {
            literal += c == QChar(0x2028) ? QStringLiteral("\\u2028") : QStringLiteral("\\u2029");
            continue;
        }
        literal += c;
    }
    return QStringLiteral("typeof __quelvoBridge==='object'?__quelvoBridge.run('") + literal +
           QStringLiteral("'):'missing'");
}

}  // namespace

std::optional<std::string> PageTransport::roundTrip(const std::string& request, int timeoutMs) {
    m_timedOut = false;
    const QString call = wrap(request);
    std::optional<QString> reply = runOnce(call, timeoutMs);
    // A document the injection missed (an error page, an early blank one) gets the bridge now.
    if (reply && *reply == QLatin1String("missing")) {
        reply = runOnce(bridgeSource() + call, timeoutMs);
    }
    if (!reply || *reply == QLatin1String("missing") ||
        static_cast<std::size_t>(reply->size()) > dom::kReplyCap)
        return std::nullopt;
    // Changes of popup boxes come first, ended by a U+0001 that no JSON reply holds unescaped.
    const qsizetype cut = reply->indexOf(QChar(1));
    if (cut >= 0) {
        if (m_page)
            m_page->showPopupChanges(reply->left(cut));
        return reply->mid(cut + 1).toStdString();
    }
    return reply->toStdString();
}

std::optional<QString> PageTransport::runOnce(const QString& script, int timeoutMs) {
    if (!m_page || m_page->rendererGone())
        return std::nullopt;

    struct Slot {
        bool done = false;
        QVariant value;
        QPointer<QEventLoop> loop;
    };
    auto slot = std::make_shared<Slot>();
    m_page->runJavaScript(script, QWebEngineScript::ApplicationWorld,
                          [slot](const QVariant& value) {
                              slot->done = true;
                              slot->value = value;
                              if (slot->loop)
                                  slot->loop->quit();
                          });
    if (!slot->done) {
        QEventLoop loop;
        slot->loop = &loop;
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
            // The user answering a page dialog is not the page hanging.
            if (m_page && m_page->dialogOpen()) {
                timer.start(timeoutMs);
                return;
            }
            m_timedOut = true;
            loop.quit();
        });
        QObject::connect(m_page, &AutomationPage::callsAborted, &loop, &QEventLoop::quit);
        QObject::connect(m_page, &QObject::destroyed, &loop, &QEventLoop::quit);
        timer.start(timeoutMs);
        loop.exec(QEventLoop::ExcludeUserInputEvents);
    }
    if (!slot->done || slot->value.typeId() != QMetaType::QString)
        return std::nullopt;
    return slot->value.toString();
}

}  // namespace quelvo
