// WebPage operations for binding, lookup, field values, dialogs, windows and clicks.
#include <QJsonArray>
#include <QJsonObject>

#include "console/operations.h"

namespace quelvo::console {
namespace {

QJsonValue handleJson(win::HWND h) {
    return static_cast<qint64>(h);
}

const Registration registration{
    {"Bind",
     [](Session& s, Arguments& a) -> QJsonValue {
         std::optional<win::HWND> window;
         if (!a.omitted(1))
             window = a.handle(1);
         return s.page().Bind(a.optionalRef(0), window);
     }},
    {"DocumentFromWindow",
     [](Session& s, Arguments& a) -> QJsonValue {
         dom::Ref target = a.ref(1);
         bool ok = s.page().DocumentFromWindow(a.handle(0), target);
         return QJsonObject{{"ok", ok}, {"target", s.addRef(target)}};
     }},
    {"FindBrowserWindow",
     [](Session& s, Arguments& a) -> QJsonValue {
         return handleJson(s.page().FindBrowserWindow(a.handle(0)));
     }},
    {"GetPageText",
     [](Session& s, Arguments& a) -> QJsonValue {
         return toJson(s.page().GetPageText(a.text(0)));
     }},
    {"GetWindowClassName",
     [](Session&, Arguments& a) -> QJsonValue { return toJson(GetWindowClassName(a.handle(0))); }},
    {"GetWindowDocument",
     [](Session& s, Arguments& a) -> QJsonValue {
         return s.addRef(GetWindowDocument(a.handle(0)));
     }},
    {"ClickLink",
     [](Session& s, Arguments& a) -> QJsonValue {
         return s.page().ClickLink(a.text(0), a.integer(1), a.optionalBoolean(2));
     }},
    {"ClickButton",
     [](Session& s, Arguments& a) -> QJsonValue {
         return s.page().ClickButton(a.text(0), a.integer(1), a.optionalBoolean(2));
     }},
    {"SetFieldValue",
     [](Session& s, Arguments& a) -> QJsonValue {
         return s.page().SetFieldValue(a.text(0), a.integer(1), a.text(2));
     }},
    {"GetFieldValue",
     [](Session& s, Arguments& a) -> QJsonValue {
         return toJson(s.page().GetFieldValue(a.text(0), a.integer(1)));
     }},
    {"SilenceDialogs",
     [](Session& s, Arguments&) -> QJsonValue {
         s.page().SilenceDialogs();
         return QJsonValue::Null;
     }},
    {"FindAllBrowserWindows",
     [](Session& s, Arguments& a) -> QJsonValue {
         std::vector<win::HWND> handles;
         if (!a.omitted(1)) {
             if (!a.raw(1).isArray())
                 throw RequestError("argument 2 must be an array of handles");
             for (const QJsonValue& h : a.raw(1).toArray()) {
                 handles.push_back(static_cast<win::HWND>(h.toInteger()));
             }
         }
         bool ok = s.page().FindAllBrowserWindows(a.handle(0), handles);
         QJsonArray out;
         for (win::HWND h : handles)
             out.append(handleJson(h));
         return QJsonObject{{"ok", ok}, {"handles", out}};
     }},
    {"OpenInShell",
     [](Session& s, Arguments& a) -> QJsonValue {
         s.page().OpenInShell(a.text(0));
         return QJsonValue::Null;
     }},
    {"GetElement",
     [](Session& s, Arguments& a) -> QJsonValue {
         return s.addRef(s.page().GetElement(a.text(0), a.integer(1)));
     }},
};

}  // namespace
}  // namespace quelvo::console
