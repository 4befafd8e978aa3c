#include "console/requests.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonParseError>

#include "console/arguments.h"
#include "console/operations.h"

namespace quelvo::console {
namespace {

QJsonObject answer(const QJsonValue& id, const char* key, const QJsonValue& value) {
    QJsonObject out{{"id", id}};
    out.insert(key, value);
    return out;
}

QJsonValue dispatch(Session& session, const std::string& op, Arguments& args) {
    auto dot = op.find('.');
    if (dot != std::string::npos) {
        ConsoleObject* object = session.object(op.substr(0, dot));
        if (!object)
            throw RequestError("unknown object \"" + op.substr(0, dot) + "\"");
        return object->call(session, op.substr(dot + 1), args);
    }
    const Operation* operation = findOperation(op);
    if (!operation)
        throw RequestError("unknown operation \"" + op + "\"");
    return (*operation)(session, args);
}

}  // namespace

QJsonObject handleRequest(Session& session, const QByteArray& line) {
    QJsonParseError parseError{};
    QJsonDocument doc = QJsonDocument::fromJson(line, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return answer(QJsonValue::Null, "error", "malformed JSON: " + parseError.errorString());
    }
    if (!doc.isObject())
        return answer(QJsonValue::Null, "error", "a request is a JSON object");
    const QJsonObject request = doc.object();
    const QJsonValue id =
        request.value("id").isUndefined() ? QJsonValue(QJsonValue::Null) : request.value("id");
    if (!request.value("op").isString())
        return answer(id, "error", "\"op\" must be a text");
    const QJsonValue args = request.value("args");
    if (!args.isUndefined() && !args.isNull() && !args.isArray()) {
        return answer(id, "error", "\"args\" must be an array");
    }
    try {
        Arguments arguments(session, args.toArray());
        return answer(id, "result",
                      dispatch(session, request.value("op").toString().toStdString(), arguments));
    } catch (const std::exception& e) {
        return answer(id, "error", QString::fromUtf8(e.what()));
    }
}

}  // namespace quelvo::console
