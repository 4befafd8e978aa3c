// The console's table of operations by name. Each file of operations registers its own with a
// static `Registration`.
#pragma once

#include <QJsonValue>

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>

#include "console/arguments.h"

namespace quelvo::console {

using Operation = std::function<QJsonValue(Session&, Arguments&)>;

const Operation* findOperation(const std::string& name);

struct Registration {
    Registration(std::initializer_list<std::pair<const char*, Operation>> operations);
};

}  // namespace quelvo::console
