#include "kinemo-host/trace_csv.h"

namespace khost {

TraceCsv::TraceCsv(std::ostream& out, const std::vector<std::string>& instanceNames) : out_(out), names_(instanceNames) {
    auto columns = stateColumns();
    for (size_t i = 0; i < columns.size(); ++i) out_ << (i == 0 ? "" : ",") << columns[i];
    out_ << '\n';
}

// Scene names are plain identifiers and numbers never hold commas, so no quoting is needed.
void TraceCsv::onStep(const InstanceState&, const InstanceState& after) {
    auto values = stateValues(after, names_.at(after.instance));
    for (size_t i = 0; i < values.size(); ++i) out_ << (i == 0 ? "" : ",") << values[i];
    out_ << '\n';
}

}  // namespace khost
