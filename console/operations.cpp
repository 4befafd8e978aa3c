#include "console/operations.h"

#include <map>

namespace quelvo::console {
namespace {

std::map<std::string, Operation>& table() {
    static std::map<std::string, Operation> operations;
    return operations;
}

}  // namespace

const Operation* findOperation(const std::string& name) {
    auto it = table().find(name);
    return it == table().end() ? nullptr : &it->second;
}

Registration::Registration(std::initializer_list<std::pair<const char*, Operation>> operations) {
    for (const auto& [name, op] : operations)
        table()[name] = op;
}

}  // namespace quelvo::console
