#include "console/session.h"

#include <QJsonObject>

namespace quelvo::console {

QJsonValue Session::addRef(const dom::Ref& ref) {
    if (ref.empty())
        return QJsonValue(QJsonValue::Null);
    std::string name = "r" + std::to_string(m_next++);
    m_refs[name] = ref;
    return QJsonObject{{"ref", QString::fromStdString(name)}};
}

dom::Ref Session::ref(const std::string& name) const {
    auto it = m_refs.find(name);
    if (it == m_refs.end())
        throw RequestError("unknown reference \"" + name + "\"");
    return it->second;
}

QJsonValue Session::addObject(std::unique_ptr<ConsoleObject> object) {
    std::string name = "o" + std::to_string(m_next++);
    QJsonObject json{{"object", QString::fromStdString(name)},
                     {"class", QString::fromStdString(object->className())}};
    m_objects[name] = std::move(object);
    return json;
}

ConsoleObject* Session::object(const std::string& name) const {
    auto it = m_objects.find(name);
    return it == m_objects.end() ? nullptr : it->second.get();
}

bool Session::release(const std::string& name) {
    return m_refs.erase(name) > 0 || m_objects.erase(name) > 0;
}

}  // namespace quelvo::console
