// The console's wrappers of the option-group and select-box objects.
#pragma once

#include <memory>

#include "console/session.h"

namespace quelvo {
class RadioGroup;
class CheckboxGroup;
class SelectBox;
}  // namespace quelvo

namespace quelvo::console {

std::unique_ptr<ConsoleObject> wrapCompanion(std::unique_ptr<RadioGroup> group);
std::unique_ptr<ConsoleObject> wrapCompanion(std::unique_ptr<CheckboxGroup> group);
std::unique_ptr<ConsoleObject> wrapCompanion(std::unique_ptr<SelectBox> box);

}  // namespace quelvo::console
