// WebPage operations for selections, lookups, element content, frames, editing, forms, popups
// and the page inspector.
#include <QJsonValue>

#include "console/companions.h"
#include "console/operations.h"
#include "webpage/optiongroups.h"
#include "webpage/selectbox.h"

namespace quelvo::console {
namespace {

QJsonValue none() {
    return QJsonValue::Null;
}

// The four element readers and the four element writers differ only in the member.
using Reader = Text (WebPage::*)(const dom::Ref&);
using Writer = bool (WebPage::*)(const dom::Ref&, const Text&);

Operation reader(Reader read) {
    return [read](Session& s, Arguments& a) -> QJsonValue {
        return toJson((s.page().*read)(a.ref(0)));
    };
}

Operation writer(Writer write) {
    return [write](Session& s, Arguments& a) -> QJsonValue {
        return (s.page().*write)(a.ref(0), a.text(1));
    };
}

const Registration registration{
    {"GetSelectedText",
     [](Session& s, Arguments& a) -> QJsonValue {
         return toJson(s.page().GetSelectedText(a.optionalInteger(0)));
     }},
    {"ReplaceSelection",
     [](Session& s, Arguments& a) -> QJsonValue {
         s.page().ReplaceSelection(a.text(0));
         return none();
     }},
    {"GetRadioGroup",
     [](Session& s, Arguments& a) -> QJsonValue {
         return s.addObject(wrapCompanion(s.page().GetRadioGroup(a.text(0))));
     }},
    {"GetCheckboxGroup",
     [](Session& s, Arguments& a) -> QJsonValue {
         return s.addObject(wrapCompanion(s.page().GetCheckboxGroup(a.text(0))));
     }},
    {"GetSelectBox",
     [](Session& s, Arguments& a) -> QJsonValue {
         return s.addObject(wrapCompanion(s.page().GetSelectBox(a.text(0), a.integer(1))));
     }},
    {"ElementAtPoint",
     [](Session& s, Arguments& a) -> QJsonValue {
         return s.addRef(s.page().ElementAtPoint(a.integer(0), a.integer(1)));
     }},
    {"GetElementsByTag",
     [](Session& s, Arguments& a) -> QJsonValue {
         return s.addRef(s.page().GetElementsByTag(a.text(0)));
     }},

    {"GetInnerHtml", reader(&WebPage::GetInnerHtml)},
    {"GetInnerText", reader(&WebPage::GetInnerText)},
    {"GetOuterHtml", reader(&WebPage::GetOuterHtml)},
    {"GetOuterText", reader(&WebPage::GetOuterText)},
    {"FrameCount", [](Session& s, Arguments&) -> QJsonValue { return s.page().FrameCount(); }},
    {"GetFrame",
     [](Session& s, Arguments& a) -> QJsonValue {
         return s.addRef(s.page().GetFrame(a.text(0), a.integer(1)));
     }},
    {"GetFrameElement",
     [](Session& s, Arguments& a) -> QJsonValue {
         return s.addRef(s.page().GetFrameElement(a.text(0), a.integer(1)));
     }},
    {"Navigate",
     [](Session& s, Arguments& a) -> QJsonValue {
         s.page().Navigate(a.text(0));
         return none();
     }},
    {"WriteDocument",
     [](Session& s, Arguments& a) -> QJsonValue {
         s.page().WriteDocument(a.text(0));
         return none();
     }},
    {"RunScript",
     [](Session& s, Arguments& a) -> QJsonValue {
         s.page().RunScript(a.text(0), a.optionalText(1));
         return none();
     }},
    {"FireElementEvent",
     [](Session& s, Arguments& a) -> QJsonValue {
         return s.page().FireElementEvent(a.ref(0), a.text(1));
     }},

    {"SetInnerHtml", writer(&WebPage::SetInnerHtml)},
    {"SetInnerText", writer(&WebPage::SetInnerText)},
    {"SetOuterHtml", writer(&WebPage::SetOuterHtml)},
    {"SetOuterText", writer(&WebPage::SetOuterText)},
    {"FocusElement",
     [](Session& s, Arguments& a) -> QJsonValue {
         s.page().FocusElement(a.ref(0));
         return none();
     }},
    {"SetElementVisible",
     [](Session& s, Arguments& a) -> QJsonValue {
         return s.page().SetElementVisible(a.ref(0), a.boolean(1));
     }},
    {"GetDocumentProperty",
     [](Session& s, Arguments& a) -> QJsonValue {
         return toJson(s.page().GetDocumentProperty(a.text(0), a.text(1)));
     }},
    {"GetForm",
     [](Session& s, Arguments& a) -> QJsonValue {
         return s.addRef(s.page().GetForm(a.text(0), a.integer(1)));
     }},
    {"SubmitForm",
     [](Session& s, Arguments& a) -> QJsonValue {
         return s.page().SubmitForm(a.text(0), a.integer(1));
     }},

    {"ShowPopup",
     [](Session& s, Arguments& a) -> QJsonValue {
         return s.addRef(s.page().ShowPopup(a.integer(0), a.integer(1), a.integer(2), a.integer(3),
                                            a.text(4), a.optionalInteger(5), a.optionalInteger(6),
                                            a.optionalInteger(7), a.optionalRef(8)));
     }},
    {"HidePopup",
     [](Session& s, Arguments& a) -> QJsonValue {
         s.page().HidePopup(a.ref(0));
         return none();
     }},
    {"ColorToHtml",
     [](Session& s, Arguments& a) -> QJsonValue {
         return toJson(s.page().ColorToHtml(a.integer(0)));
     }},
    {"InspectPage",
     [](Session& s, Arguments& a) -> QJsonValue {
         s.page().InspectPage(a.handle(0));
         return none();
     }},
};

}  // namespace
}  // namespace quelvo::console
