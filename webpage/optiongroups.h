// RadioGroup and CheckboxGroup: position-based access to the elements that share one name.
#pragma once

#include <memory>

#include "common/text.h"
#include "platform/dom/value.h"

namespace quelvo {

// The one implementation behind both group types. `Self` is the group type itself, so each type
// keeps a table of operations of its own and Clone gives back the same type.
template <typename Self>
class OptionGroup {
public:
    OptionGroup() = default;
    virtual ~OptionGroup() = default;
    OptionGroup(const OptionGroup&) = delete;
    OptionGroup& operator=(const OptionGroup&) = delete;

    virtual void Destroy();
    virtual std::unique_ptr<Self> Clone() const;
    virtual void Attach(const dom::Ref& collection);
    virtual int Count();
    virtual bool IsChecked(int position);
    virtual void Check(int position);
    virtual void Uncheck(int position);
    virtual Text GetValue(int position);

    dom::Ref elements;
};

class RadioGroup final : public OptionGroup<RadioGroup> {};
class CheckboxGroup final : public OptionGroup<CheckboxGroup> {};

extern template class OptionGroup<RadioGroup>;
extern template class OptionGroup<CheckboxGroup>;

}  // namespace quelvo
