// A select element and its live options collection.
#include "webpage/selectbox.h"

#include "common/numbers.h"
#include "platform/dom/dom.h"
#include "webpage/positions.h"

namespace quelvo {

void SelectBox::Destroy() {
    selectElement.reset();
    optionList.reset();
}

std::unique_ptr<SelectBox> SelectBox::Clone() const {
    auto copy = std::make_unique<SelectBox>();
    copy->selectElement = selectElement;
    copy->optionList = optionList;
    return copy;
}

void SelectBox::Attach(const dom::Ref& element) {
    dom::Ref taken = element;  // taken before the old one goes
    selectElement = std::move(taken);
    optionList = dom::getObject(element, "options");
}

int SelectBox::Count() {
    return countOf(optionList);
}

Text SelectBox::GetOptionText(int position) {
    return dom::getText(itemAt(optionList, position), "text");
}

bool SelectBox::SetOptionText(int position, const Text& text) {
    return dom::put(itemAt(optionList, position), "text", text);
}

Text SelectBox::GetOptionValue(int position) {
    return dom::getText(itemAt(optionList, position), "value");
}

bool SelectBox::SetOptionValue(int position, const Text& value) {
    return dom::put(itemAt(optionList, position), "value", value);
}

int SelectBox::GetSelectedIndex() {
    return truncateToInt(dom::getNumber(selectElement, "selectedIndex"));
}

bool SelectBox::SetSelectedIndex(int position) {
    // As a real: position − 1 cannot overflow there.
    return dom::put(selectElement, "selectedIndex", static_cast<double>(position) - 1.0);
}

}  // namespace quelvo
