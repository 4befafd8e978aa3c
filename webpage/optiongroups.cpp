// Radio and checkbox groups: every read and write goes to the live page at the moment of the call.
#include "webpage/optiongroups.h"

#include <cmath>

#include "common/numbers.h"
#include "platform/dom/dom.h"
#include "webpage/positions.h"

namespace quelvo {

template <typename Self>
void OptionGroup<Self>::Destroy() {
    elements.reset();
}

template <typename Self>
std::unique_ptr<Self> OptionGroup<Self>::Clone() const {
    auto copy = std::make_unique<Self>();
    copy->elements = elements;
    return copy;
}

template <typename Self>
void OptionGroup<Self>::Attach(const dom::Ref& collection) {
    dom::Ref taken = collection;  // taken before the old one goes
    elements = std::move(taken);
}

template <typename Self>
int OptionGroup<Self>::Count() {
    return countOf(elements);
}

template <typename Self>
bool OptionGroup<Self>::IsChecked(int position) {
    const double checked = dom::get(itemAt(elements, position), "checked").toNumber();
    return std::fabs(checked + 1.0) <= 1e-7;
}

template <typename Self>
void OptionGroup<Self>::Check(int position) {
    dom::Ref element = itemAt(elements, position);
    dom::putLater(element, "checked", std::int32_t{1});
    dom::flush(element);
}

template <typename Self>
void OptionGroup<Self>::Uncheck(int position) {
    dom::Ref element = itemAt(elements, position);
    dom::putLater(element, "checked", std::int32_t{0});
    dom::flush(element);
}

template <typename Self>
Text OptionGroup<Self>::GetValue(int position) {
    return dom::getText(itemAt(elements, position), "value");
}

template class OptionGroup<RadioGroup>;
template class OptionGroup<CheckboxGroup>;

}  // namespace quelvo
