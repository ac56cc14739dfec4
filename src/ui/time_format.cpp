#include "ui/time_format.h"

namespace skelvane {
namespace {

QString timeSeparator(const QString& format) {
    const auto isHour = [](QChar c) { return c == QLatin1Char('h') || c == QLatin1Char('H'); };
    qsizetype i = 0;
    while (i < format.size() && !isHour(format[i])) {
        ++i;
    }
    while (i < format.size() && isHour(format[i])) {
        ++i;
    }
    const qsizetype minutes = format.indexOf(QLatin1Char('m'), i);
    if (i >= format.size() || minutes <= i) {
        return QStringLiteral(":");
    }
    return format.mid(i, minutes - i);
}

}  // namespace

QString timeFormatWithoutSeconds(const QString& format) {
    const QString separator = timeSeparator(format);
    QString result = format;
    qsizetype at = result.indexOf(separator + QStringLiteral("ss"));
    if (at >= 0) {
        return result.remove(at, separator.size() + 2);
    }
    at = result.indexOf(separator + QStringLiteral("s"));
    if (at >= 0) {
        result.remove(at, separator.size() + 1);
    }
    return result;
}

}  // namespace skelvane
