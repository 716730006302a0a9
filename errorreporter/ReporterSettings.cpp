#include "errorreporter/ReporterSettings.h"

#include "errorreporter/ReadBack.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <cstdlib>

namespace QeltReporter
{
namespace
{
const QString EmailKey = QStringLiteral("QeltErrorReporting/Email");

std::string ConfigurationFolder()
{
    const char* configHome = std::getenv("XDG_CONFIG_HOME");
    if (configHome && configHome[0] == '/')
        return configHome;
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/')
        return std::string(home) + "/.config";
    return {};
}
} // namespace

std::string DefaultSettingsPath()
{
    const std::string folder = ConfigurationFolder();
    if (folder.empty())
        return {};
    return folder + "/Sarnet/QeltErrorReporting.ini";
}

ReporterSettings::ReporterSettings() : ReporterSettings(DefaultSettingsPath())
{
    if (!path_.empty())
        QDir().mkpath(QFileInfo(QString::fromStdString(path_)).absolutePath());
}

ReporterSettings::ReporterSettings(std::string path) : path_(std::move(path)) {}

std::string ReporterSettings::ReadEmail() const
{
    if (path_.empty())
        return {};
    const QSettings settings(QString::fromStdString(path_), QSettings::IniFormat);
    return ReadBack(settings.value(EmailKey).toString(), EmailReadLimit).toStdString();
}

bool ReporterSettings::StoreEmail(const std::string& email) const
{
    if (path_.empty())
        return false;
    QSettings settings(QString::fromStdString(path_), QSettings::IniFormat);
    settings.setValue(EmailKey, QString::fromStdString(email));
    settings.sync();
    return settings.status() == QSettings::NoError;
}
} // namespace QeltReporter
