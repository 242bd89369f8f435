// What the scenario runner's files share: the properties a scenario names, lengths as text, the
// host operations fault injection knows, and "did you mean" for names that are near.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/binding/host.h"
#include "host/scenario/scenario.h"

namespace zvhost {

// Properties that hold lengths in metric units.
bool IsMetricProp(int32_t p);
// Lengths a property holds: positions and indents may be negative, sizes may not.
// X, Y, width and height from four quantities starting at `at`, in points.
Geometry GeometryFrom(const std::vector<Quantity>& v, size_t at);
// Metric units as points with the unit: "10.25pt".
std::string PtText(int64_t metric);
// The operations of the host's session, by the names fault injection takes.
const std::vector<std::string>& HostOperations();
// Up to three of `known` nearest to `wanted` (case does not count): " (did you mean A, B or C?)",
// empty when none is near.
std::string Nearest(const std::string& wanted, const std::vector<std::string>& known);
// "error", "note" or "kind N".
std::string AlertKind(int32_t kind);

}  // namespace zvhost
