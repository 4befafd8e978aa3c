// One element by id or by name: the lookup under clicking and field values.
#include "platform/dom/dom.h"
#include "webpage/webpage.h"

namespace quelvo {

dom::Ref WebPage::GetElement(const Text& key, int mode) {
    if (mode == 1) {
        dom::Ref named = dom::getObject(boundDocument, "getElementsByName", {key});
        return dom::callObject(named, "item");
    }
    return dom::getObject(boundDocument, "getElementById", {key});
}

}  // namespace quelvo
