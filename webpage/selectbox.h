// SelectBox: one select element and its options, addressed by position.
#pragma once

#include <memory>

#include "common/text.h"
#include "platform/dom/value.h"

namespace quelvo {

class SelectBox {
public:
    SelectBox() = default;
    virtual ~SelectBox() = default;
    SelectBox(const SelectBox&) = delete;
    SelectBox& operator=(const SelectBox&) = delete;

    virtual void Destroy();
    virtual std::unique_ptr<SelectBox> Clone() const;
    virtual void Attach(const dom::Ref& element);
    virtual int Count();
    virtual Text GetOptionText(int position);
    virtual bool SetOptionText(int position, const Text& text);
    virtual Text GetOptionValue(int position);
    virtual bool SetOptionValue(int position, const Text& value);
    // Counts from 0, unlike the positions; −1 when no option is selected.
    virtual int GetSelectedIndex();
    virtual bool SetSelectedIndex(int position);

    dom::Ref selectElement;
    dom::Ref optionList;  // the live options collection, taken once at Attach
};

}  // namespace quelvo
