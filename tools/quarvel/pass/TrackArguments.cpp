#include "tools/quarvel/pass/TrackArguments.h"

namespace quarvel {

bool ParseTrackArguments(const std::vector<std::string>& args, TrackContent bare,
                         std::vector<TrackRequest>& out, std::string& error) {
    out.clear();
    if (args.empty()) {
        error = "no track given: expected one or more n:PATH arguments";
        return false;
    }
    for (size_t k = 0; k < args.size(); ++k) {
        TrackContent content = bare;
        if (args[k] == "--timestamps") {
            if (++k == args.size()) {
                error = "--timestamps needs an n:PATH after it";
                return false;
            }
            content = TrackContent::kTimestamps;
        }
        std::optional<NumberedPath> request = ParseNumberedPath(args[k]);
        if (!request) {
            error = "bad argument '" + args[k] +
                    "': expected n:PATH, with n the track's number in the listing (from 1)";
            return false;
        }
        out.push_back({request->number, std::move(request->path), content});
    }
    return true;
}

}  // namespace quarvel
