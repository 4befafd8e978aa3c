// One JSON request line in, one JSON answer out.
#pragma once

#include <QByteArray>
#include <QJsonObject>

#include "console/session.h"

namespace quelvo::console {

// {"id": …, "op": "Name" | "oN.Method", "args": […]} → {"id": …, "result": …} or {"id": …,
// "error": "…"}. Never throws.
QJsonObject handleRequest(Session& session, const QByteArray& line);

}  // namespace quelvo::console
