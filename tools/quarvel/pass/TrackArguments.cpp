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
        std::optional<NumberedPath> request = ParseNumberedPath(arg);
        if (!request) {
            error = "bad argument '" + arg +
                    "': expected n:PATH, with n the track's number in the listing (from 1)";
            return false;
        }
        out.push_back(std::move(*request));
    }
    return true;
}

}  // namespace quarvel
