#pragma once

#include <QString>

namespace skelvane {

// A locale's time format without its seconds, for the schedule's time pickers: the time
// separator followed by "ss" is cut out, or, where that does not occur, the separator
// followed by "s". The separator is what stands between the hours and the minutes (":" when
// the format does not show).
QString timeFormatWithoutSeconds(const QString& format);

}  // namespace skelvane
