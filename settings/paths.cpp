#include "settings/paths.h"

#include <QDir>
#include <QFileInfo>

#include <filesystem>
#include <system_error>

namespace settings {

namespace {

QString xdgFolder(const char* variable, const QString& fallbackBelowHome) {
    const QString value = qEnvironmentVariable(variable);
    if (!value.isEmpty() && QDir::isAbsolutePath(value))
        return QDir::cleanPath(value);
    return QDir::cleanPath(QDir::homePath() + QLatin1Char('/') + fallbackBelowHome);
}

QString withoutTrailingSlash(QString path) {
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

const QString& initialDirectory() {
    static const QString dir = withoutTrailingSlash(QDir::currentPath());
    return dir;
}

// Capture the start directory before anything can change the current one.
[[maybe_unused]] const bool kStartRecorded = (initialDirectory(), true);

}  // namespace

QString programDirectory() {
    const QString dir =
        xdgFolder("XDG_DATA_HOME", QStringLiteral(".local/share")) + QStringLiteral("/tomekeep");
    QDir().mkpath(dir);
    return dir;
}

bool makeFolder(const QString& directory, QString* error) {
    std::error_code ec;
    const std::filesystem::path path(directory.toStdString());
    std::filesystem::create_directories(path, ec);
    if (!ec && std::filesystem::is_directory(path, ec))
        return true;
    if (error)
        *error = ec ? QString::fromStdString(ec.message())
                    : QStringLiteral("A file of that name is in the way.");
    return false;
}

QString settingsFile() {
    const QString dir = xdgFolder("XDG_CONFIG_HOME", QStringLiteral(".config"));
    return dir + QStringLiteral("/TMKBOOK.INI");
}

QString startDirectory() {
    const QString& dir = initialDirectory();
    return dir == QStringLiteral("/") ? QString() : dir;
}

QString findFileNoCase(const QString& directory, const QString& name) {
    const QDir dir(directory);
    const QString exact = dir.filePath(name);
    if (QFileInfo::exists(exact))
        return exact;
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return dir.filePath(entry);
    }
    return {};
}

}  // namespace settings
