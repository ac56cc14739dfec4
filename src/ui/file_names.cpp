#include "ui/file_names.h"

#include <QFile>
#include <QStringList>

namespace skelvane {

QString fileDialogFilter(std::string_view table) {
    const QStringList parts =
        QString::fromLatin1(table.data(), static_cast<qsizetype>(table.size()))
            .split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& description = parts[i];
        QString pattern = parts[i + 1];
        if (description.isEmpty() || pattern.isEmpty()) {
            continue;
        }
        // The dialog reads the patterns from the parentheses of the description.
        if (description.contains(QLatin1Char('('))) {
            filters << description;
        } else {
            filters << description + QStringLiteral(" (") +
                           pattern.replace(QLatin1Char(';'), QLatin1Char(' ')) + QLatin1Char(')');
        }
    }
    return filters.join(QStringLiteral(";;"));
}

std::filesystem::path toPath(const QString& name) {
    const QByteArray utf8 = name.toUtf8();
    return std::filesystem::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.constData()),
                                               static_cast<std::size_t>(utf8.size())));
}

QString fromPath(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return QString::fromUtf8(reinterpret_cast<const char*>(utf8.data()),
                             static_cast<qsizetype>(utf8.size()));
}

QString fromNativeName(const std::string& name) {
    return QFile::decodeName(QByteArray(name.data(), static_cast<qsizetype>(name.size())));
}

}  // namespace skelvane
