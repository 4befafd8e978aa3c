// RadioGroup, CheckboxGroup and SelectBox as console objects: "oN.Method" requests.
#include <QJsonValue>

#include <functional>
#include <map>
#include <string>

#include "console/arguments.h"
#include "console/companions.h"
#include "webpage/optiongroups.h"
#include "webpage/selectbox.h"

namespace quelvo::console {
namespace {

// One wrapped object with its table of methods; the object goes when the console forgets it.
template <typename Companion>
class CompanionObject : public ConsoleObject {
public:
    using Method = std::function<QJsonValue(CompanionObject&, Session&, Arguments&)>;

    CompanionObject(std::unique_ptr<Companion> companion, const char* name,
                    const std::map<std::string, Method>& methods)
        : m_companion(std::move(companion)), m_name(name), m_methods(methods) {}

    std::string className() const override { return m_name; }

    QJsonValue call(Session& session, const std::string& method, Arguments& args) override {
        auto it = m_methods.find(method);
        if (it == m_methods.end()) {
            throw RequestError(m_name + " has no operation \"" + method + "\"");
        }
        return it->second(*this, session, args);
    }

    Companion& companion() { return *m_companion; }

private:
    std::unique_ptr<Companion> m_companion;
    std::string m_name;
    const std::map<std::string, Method>& m_methods;
};

template <typename Group>
const std::map<std::string, typename CompanionObject<Group>::Method>& groupMethods() {
    using Object = CompanionObject<Group>;
    static const std::map<std::string, typename Object::Method> methods{
        {"Clone",
         [](Object& o, Session& s, Arguments&) -> QJsonValue {
             return s.addObject(wrapCompanion(o.companion().Clone()));
         }},
        {"Attach",
         [](Object& o, Session&, Arguments& a) -> QJsonValue {
             o.companion().Attach(a.ref(0));
             return QJsonValue::Null;
         }},
        {"Count",
         [](Object& o, Session&, Arguments&) -> QJsonValue { return o.companion().Count(); }},
        {"IsChecked",
         [](Object& o, Session&, Arguments& a) -> QJsonValue {
             return o.companion().IsChecked(a.integer(0));
         }},
        {"Check",
         [](Object& o, Session&, Arguments& a) -> QJsonValue {
             o.companion().Check(a.integer(0));
             return QJsonValue::Null;
         }},
        {"Uncheck",
         [](Object& o, Session&, Arguments& a) -> QJsonValue {
             o.companion().Uncheck(a.integer(0));
             return QJsonValue::Null;
         }},
        {"GetValue",
         [](Object& o, Session&, Arguments& a) -> QJsonValue {
             return toJson(o.companion().GetValue(a.integer(0)));
         }},
    };
    return methods;
}

using SelectObject = CompanionObject<SelectBox>;

const std::map<std::string, SelectObject::Method>& selectMethods() {
    static const std::map<std::string, SelectObject::Method> methods{
        {"Clone",
         [](SelectObject& o, Session& s, Arguments&) -> QJsonValue {
             return s.addObject(wrapCompanion(o.companion().Clone()));
         }},
        {"Attach",
         [](SelectObject& o, Session&, Arguments& a) -> QJsonValue {
             o.companion().Attach(a.ref(0));
             return QJsonValue::Null;
         }},
        {"Count",
         [](SelectObject& o, Session&, Arguments&) -> QJsonValue { return o.companion().Count(); }},
        {"GetOptionText",
         [](SelectObject& o, Session&, Arguments& a) -> QJsonValue {
             return toJson(o.companion().GetOptionText(a.integer(0)));
         }},
        {"SetOptionText",
         [](SelectObject& o, Session&, Arguments& a) -> QJsonValue {
             return o.companion().SetOptionText(a.integer(0), a.text(1));
         }},
        {"GetOptionValue",
         [](SelectObject& o, Session&, Arguments& a) -> QJsonValue {
             return toJson(o.companion().GetOptionValue(a.integer(0)));
         }},
        {"SetOptionValue",
         [](SelectObject& o, Session&, Arguments& a) -> QJsonValue {
             return o.companion().SetOptionValue(a.integer(0), a.text(1));
         }},
        {"GetSelectedIndex",
         [](SelectObject& o, Session&, Arguments&) -> QJsonValue {
             return o.companion().GetSelectedIndex();
         }},
        {"SetSelectedIndex",
         [](SelectObject& o, Session&, Arguments& a) -> QJsonValue {
             return o.companion().SetSelectedIndex(a.integer(0));
         }},
    };
    return methods;
}

}  // namespace

std::unique_ptr<ConsoleObject> wrapCompanion(std::unique_ptr<RadioGroup> group) {
    return std::make_unique<CompanionObject<RadioGroup>>(std::move(group), "RadioGroup",
                                                         groupMethods<RadioGroup>());
}

std::unique_ptr<ConsoleObject> wrapCompanion(std::unique_ptr<CheckboxGroup> group) {
    return std::make_unique<CompanionObject<CheckboxGroup>>(std::move(group), "CheckboxGroup",
                                                            groupMethods<CheckboxGroup>());
}

std::unique_ptr<ConsoleObject> wrapCompanion(std::unique_ptr<SelectBox> box) {
    return std::make_unique<SelectObject>(std::move(box), "SelectBox", selectMethods());
}

}  // namespace quelvo::console
