#include "platform/dom/channel.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>

#include <atomic>
#include <cmath>

namespace quelvo::dom {
namespace {

std::atomic<std::uint64_t> g_roundTrips{0};
int g_callTimeoutMs = 8000;

QString toQString(const Text& text) {
    return QString::fromStdU16String(text.toUtf16());
}

QJsonValue encodeArg(const Value& value) {
    switch (value.kind()) {
        case Value::Kind::Empty:
            return QJsonObject{{"u", 0}};
        case Value::Kind::Null:
            return QJsonValue(QJsonValue::Null);
        case Value::Kind::Bool:
            return std::get<bool>(value.variant());
        case Value::Kind::Int:
            return std::get<std::int32_t>(value.variant());
        case Value::Kind::Real: {
            double d = std::get<double>(value.variant());
            return std::isfinite(d) ? QJsonValue(d) : QJsonValue(0);
        }
        case Value::Kind::Text:
            return toQString(std::get<Text>(value.variant()));
        case Value::Kind::Ref: {
            const Ref& ref = std::get<Ref>(value.variant());
            // An empty reference, or one of another page, reaches the page as an empty value.
            if (!ref.handle())
                return QJsonObject{{"u", 0}};
            return QJsonObject{{"r", static_cast<qint64>(ref.handle()->id)}};
        }
    }
    return QJsonObject{{"u", 0}};
}

}  // namespace

Channel::Channel(std::unique_ptr<Transport> transport) : m_transport(std::move(transport)) {}
Channel::~Channel() = default;

void Channel::setCallTimeout(int ms) {
    g_callTimeoutMs = ms;
}
int Channel::callTimeout() {
    return g_callTimeoutMs;
}
std::uint64_t Channel::roundTrips() {
    return g_roundTrips.load();
}

Channel::Pending Channel::makeOp(OpKind kind, const Ref& target, std::string_view member,
                                 const Args& args) {
    Pending op;
    op.resultId = m_nextId++;
    std::uint32_t targetId = 0;
    if (target.handle() && target.handle()->channel.get() == this) {
        targetId = target.handle()->id;
        op.keepTarget = target.handle();
    }
    QJsonArray encodedArgs;
    for (const Value& a : args) {
        // A reference of another page means nothing here.
        if (a.kind() == Value::Kind::Ref) {
            const Ref& r = std::get<Ref>(a.variant());
            if (r.handle() && r.handle()->channel.get() != this) {
                encodedArgs.append(QJsonObject{{"u", 0}});
                continue;
            }
        }
        encodedArgs.append(encodeArg(a));
    }
    QJsonArray json{QString(QChar(static_cast<char>(kind))), static_cast<qint64>(targetId),
                    toQString(Text(std::string(member))), encodedArgs,
                    static_cast<qint64>(op.resultId)};
    op.json = QJsonDocument(json).toJson(QJsonDocument::Compact).toStdString();
    return op;
}

Ref Channel::document(int timeoutMs) {
    m_queue.push_back(makeOp(OpKind::Document, Ref(), "", {}));
    Value v = send(timeoutMs);
    return v.kind() == Value::Kind::Ref ? v.toRef() : Ref();
}

namespace {
bool knownEmpty(const Ref& target) {
    return target.handle() && target.handle()->state == Handle::State::Empty;
}
}  // namespace

Value Channel::run(OpKind kind, const Ref& target, std::string_view member, const Args& args) {
    if (knownEmpty(target)) {
        m_lastOutcome = Outcome::NoAnswer;
        return Value();
    }
    m_queue.push_back(makeOp(kind, target, member, args));
    return send(g_callTimeoutMs);
}

Ref Channel::queue(OpKind kind, const Ref& target, std::string_view member, const Args& args) {
    if (knownEmpty(target)) {
        return Ref(std::make_shared<Handle>(nullptr, 0, Handle::State::Empty));
    }
    Pending op = makeOp(kind, target, member, args);
    auto handle = std::make_shared<Handle>(shared_from_this(), op.resultId, Handle::State::Pending);
    op.promised = handle;
    m_queue.push_back(std::move(op));
    return Ref(std::move(handle));
}

void Channel::flush() {
    if (!m_queue.empty())
        send(g_callTimeoutMs);
}

void Channel::release(std::uint32_t id) {
    m_released.push_back(id);
}

void Channel::resolve(Handle& handle) {
    if (handle.state != Handle::State::Pending)
        return;
    flush();
    // Still pending means it was never sent (a nested send took the queue): count it as gone.
    if (handle.state == Handle::State::Pending)
        handle.state = Handle::State::Empty;
}

Value Channel::send(int timeoutMs) {
    std::vector<Pending> ops;
    ops.swap(m_queue);
    std::vector<std::uint32_t> released;
    released.swap(m_released);
    const std::uint64_t seq = m_nextSeq++;

    std::string request = "{\"s\":" + std::to_string(seq) + ",\"o\":[";
    for (std::size_t i = 0; i < ops.size(); ++i) {
        if (i)
            request += ',';
        request += ops[i].json;
    }
    request += "],\"r\":[";
    for (std::size_t i = 0; i < released.size(); ++i) {
        if (i)
            request += ',';
        request += std::to_string(released[i]);
    }
    request += "]}";

    ++g_roundTrips;
    std::optional<std::string> reply = m_transport->roundTrip(request, timeoutMs);

    QJsonArray results;
    bool ok = false;
    if (reply) {
        QJsonParseError error{};
        QJsonDocument doc = QJsonDocument::fromJson(QByteArray::fromStdString(*reply), &error);
        if (error.error == QJsonParseError::NoError && doc.isObject()) {
            QJsonObject obj = doc.object();
            results = obj.value("v").toArray();
            ok = obj.value("s").toInteger(-1) == static_cast<qint64>(seq) &&
                 results.size() == static_cast<qsizetype>(ops.size());
        }
    }
    m_lastOutcome = ok                                  ? Outcome::Answered
                    : !reply && m_transport->timedOut() ? Outcome::TimedOut
                                                        : Outcome::NoAnswer;

    Value last;
    for (std::size_t i = 0; i < ops.size(); ++i) {
        Pending& op = ops[i];
        auto promised = op.promised.lock();
        QJsonArray r = ok ? results.at(static_cast<qsizetype>(i)).toArray() : QJsonArray();
        const QString tag = r.isEmpty() ? QString("x") : r.at(0).toString();
        const bool isObject = tag == "o";
        if (promised)
            promised->state = isObject ? Handle::State::Live : Handle::State::Empty;
        if (!ok && !promised)
            m_released.push_back(op.resultId);  // the page may still hold it
        if (i + 1 != ops.size())
            continue;

        if (isObject) {
            last = promised ? Ref(promised)
                            : Ref(std::make_shared<Handle>(shared_from_this(), op.resultId,
                                                           Handle::State::Live));
        } else if (tag == "n") {
            last = Null{};
        } else if (tag == "b") {
            last = r.at(1).toBool();
        } else if (tag == "d") {
            last = r.at(1).toDouble();
        } else if (tag == "s") {
            last = Text::fromUtf16(r.at(1).toString().toStdU16String());
        }
    }
    return last;
}

}  // namespace quelvo::dom
