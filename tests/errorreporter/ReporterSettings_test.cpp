#include "errorreporter/ReporterSettings.h"
#include "tests/support/TempDirectory.h"

#include <QDir>
#include <QFile>
#include <cstdlib>
#include <gtest/gtest.h>
#include <optional>

using namespace QeltReporter;

namespace
{
// Sets or clears an environment variable for one test and puts the old value back.
class ScopedVariable
{
public:
    ScopedVariable(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        Set(value);
    }
    ~ScopedVariable() { Set(old_ ? old_->c_str() : nullptr); }

private:
    void Set(const char* value)
    {
        if (value)
            ::setenv(name_, value, 1);
        else
            ::unsetenv(name_);
    }

    const char* name_;
    std::optional<std::string> old_;
};

std::string FileText(const std::string& path)
{
    QFile file(QString::fromStdString(path));
    file.open(QIODevice::ReadOnly);
    return file.readAll().toStdString();
}
} // namespace

TEST(ReporterSettingsTest, LivesUnderTheConfigurationFolderWhichIsCreated)
{
    BriselTest::TempDirectory folder;
    const ScopedVariable configHome("XDG_CONFIG_HOME", folder.Path("config").c_str());
    const ReporterSettings settings;
    EXPECT_EQ(settings.Path(), folder.Path("config") + "/Sarnet/QeltErrorReporting.ini");
    EXPECT_TRUE(QDir(QString::fromStdString(folder.Path("config/Sarnet"))).exists());
}

TEST(ReporterSettingsTest, FallsBackToHomeAndOtherwiseKeepsNothing)
{
    const ScopedVariable home("HOME", "/home/someone");
    {
        const ScopedVariable unset("XDG_CONFIG_HOME", nullptr);
        EXPECT_EQ(DefaultSettingsPath(), "/home/someone/.config/Sarnet/QeltErrorReporting.ini");
    }
    {
        // A relative configuration folder is not usable.
        const ScopedVariable relative("XDG_CONFIG_HOME", "relative/config");
        EXPECT_EQ(DefaultSettingsPath(), "/home/someone/.config/Sarnet/QeltErrorReporting.ini");
    }
    const ScopedVariable noConfig("XDG_CONFIG_HOME", nullptr);
    const ScopedVariable noHome("HOME", nullptr);
    const ReporterSettings settings;
    EXPECT_EQ(settings.Path(), "");
    EXPECT_FALSE(settings.StoreEmail("user@example.org"));
    EXPECT_EQ(settings.ReadEmail(), "");
}

TEST(ReporterSettingsTest, StoresTheEmailInItsSectionAndReadsAtMost254Characters)
{
    BriselTest::TempDirectory folder;
    const ReporterSettings settings(folder.Path("QeltErrorReporting.ini"));
    EXPECT_EQ(settings.ReadEmail(), "");

    ASSERT_TRUE(settings.StoreEmail("user@example.org"));
    EXPECT_EQ(FileText(settings.Path()), "[QeltErrorReporting]\nEmail=user@example.org\n");
    EXPECT_EQ(ReporterSettings(settings.Path()).ReadEmail(), "user@example.org");

    ASSERT_TRUE(settings.StoreEmail(std::string(300, 'x')));
    EXPECT_EQ(ReporterSettings(settings.Path()).ReadEmail(), std::string(254, 'x'));
}
