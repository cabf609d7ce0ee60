#include "tools/quarvel/pass/TrackArguments.h"

namespace quarvel {

bool ParseTrackArguments(const std::vector<std::string>& args, std::vector<TrackRequest>& out,
                         std::string& error) {
    out.clear();
    if (args.empty()) {
        error = "no track given: expected one or more n:PATH arguments";
        return false;
    }
    for (const std::string& arg : args) {
        const size_t colon = arg.find(':');
        const std::string digits = arg.substr(0, colon);
        bool ok = colon != std::string::npos && colon + 1 < arg.size() && !digits.empty() &&
                  digits.size() <= 9 && digits.find_first_not_of("0123456789") == std::string::npos;
        const uint64_t n = ok ? std::stoull(digits) : 0;
        if (!ok || n == 0) {
            error = "bad argument '" + arg +
                    "': expected n:PATH, with n the track's number in the listing (from 1)";
            return false;
        }
        out.push_back({n, arg.substr(colon + 1)});
    }
    return true;
}

}  // namespace quarvel
