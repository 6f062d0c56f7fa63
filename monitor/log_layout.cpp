#include "monitor/log_layout.h"

const std::vector<std::string>& LogColumnNames() {
    static const std::vector<std::string> names = [] {
        std::vector<std::string> out{"time"};
        for (const par_info& par : kWordPars) {
            out.emplace_back(par.name);
        }
        out.emplace_back(kDinoTotalName);
        out.emplace_back(kDinoAeroName);
        for (const par_info& par : kBytePars) {
            out.emplace_back(par.name);
        }
        out.emplace_back(kBrakeSwName);
        out.emplace_back(kHandBrakeSwName);
        return out;
    }();
    return names;
}

std::string LogHeaderText() {
    std::string header;
    for (const std::string& name : LogColumnNames()) {
        header += name;
        header += kLogFieldEnd;
    }
    return header;
}
