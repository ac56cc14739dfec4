#include "upgrade/upgrade_run.h"

#include "base/format.h"

namespace skelvane {

std::string DurationText(Millis duration) {
    const long long seconds = (duration.count() + 999) / 1000;
    if (seconds < 60) {
        return Format("%lld s", seconds);
    }
    if (seconds < 3600) {
        return Format("%lld min %02lld s", seconds / 60, seconds % 60);
    }
    return Format("%lld h %02lld min", seconds / 3600, seconds / 60 % 60);
}

}  // namespace skelvane
