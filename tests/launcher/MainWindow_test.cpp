#include "launcher/LauncherApplication.h"
#include "launcher/MainWindow.h"
#include "tests/support/QtTestLoop.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QStyle>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>
#include <cerrno>
#include <csignal>
#include <gtest/gtest.h>
#include <vector>

namespace
{
const char kLedOn[] = ":/com.Sarnet.Brisel.LEDRingOn.png";
const char kLedOff[] = ":/com.Sarnet.Brisel.LEDRingOff.png";

struct Controls
{
    explicit Controls(const VMainWindow& window)
        : x1dPath(window.findChild<QLineEdit*>("x1dPath")),
          x1dBrowse(window.findChild<QToolButton*>("x1dBrowse")),
          x2dPath(window.findChild<QLineEdit*>("x2dPath")),
          x2dBrowse(window.findChild<QToolButton*>("x2dBrowse")),
          stream(window.findChild<QPushButton*>("stream")),
          stop(window.findChild<QPushButton*>("stop")),
          command(window.findChild<QTextEdit*>("command")),
          output(window.findChild<QTextEdit*>("output")), led(window.findChild<QLabel*>("led")),
          console(window.findChild<QProcess*>("console"))
    {
    }

    bool Idle() const
    {
        return x1dPath->isEnabled() && x1dBrowse->isEnabled() && x2dPath->isEnabled() &&
               x2dBrowse->isEnabled() && stream->isEnabled() && !stop->isEnabled();
    }
    bool Busy() const
    {
        return !x1dPath->isEnabled() && !x1dBrowse->isEnabled() && !x2dPath->isEnabled() &&
               !x2dBrowse->isEnabled() && !stream->isEnabled() && stop->isEnabled();
    }
    bool LedShows(const char* image) const
    {
        return led->pixmap(Qt::ReturnByValue).toImage() == QPixmap(image).toImage();
    }

    QLineEdit* x1dPath;
    QToolButton* x1dBrowse;
    QLineEdit* x2dPath;
    QToolButton* x2dBrowse;
    QPushButton* stream;
    QPushButton* stop;
    QTextEdit* command;
    QTextEdit* output;
    QLabel* led;
    QProcess* console;
};

bool ProcessIsGone(qint64 pid)
{
    return ::kill(static_cast<pid_t>(pid), 0) == -1 && errno == ESRCH;
}

class LauncherWindowTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(settingsFolder_.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder_.path());
        Launcher::ConfigureApplication(*qApp);
    }

    static QString ConsoleFolder() { return QFileInfo(BRISELCL_PATH).absolutePath(); }

    // Waits until the emulator has ended, with the window back to idle.
    static bool WaitUntilEnded(const Controls& controls)
    {
        return QtTest::RunLoopUntil(
            [&] { return controls.console->state() == QProcess::NotRunning && controls.Idle(); });
    }

    static bool WaitForOutput(const Controls& controls, const QString& text)
    {
        return QtTest::RunLoopUntil([&] { return controls.output->toPlainText().contains(text); });
    }

    // Streams `x2dPath` and waits until the emulator has reported its start-up.
    static bool StartStreaming(const Controls& controls, const QString& x2dPath)
    {
        controls.x2dPath->setText(x2dPath);
        controls.stream->click();
        return WaitForOutput(controls, "Press Ctrl-C to quit");
    }

    QTemporaryDir settingsFolder_;
};

TEST_F(LauncherWindowTest, ApplicationSetUpGivesIdentityStyleAndDarkPalette)
{
    EXPECT_EQ(QApplication::organizationName(), "Sarnet");
    EXPECT_EQ(QApplication::applicationName(), "FakeLume Launcher");
    EXPECT_FALSE(QApplication::organizationDomain().isEmpty());
    EXPECT_EQ(QApplication::style()->objectName().toLower(), "fusion");
    EXPECT_TRUE(qApp->quitOnLastWindowClosed());

    const QPalette palette = QApplication::palette();
    EXPECT_EQ(palette.color(QPalette::Active, QPalette::Button), QColor(95, 95, 100));
    EXPECT_EQ(palette.color(QPalette::Disabled, QPalette::Button), QColor(100, 100, 100));
    EXPECT_EQ(palette.color(QPalette::Inactive, QPalette::ButtonText), QColor(255, 255, 255));
    EXPECT_EQ(palette.color(QPalette::Disabled, QPalette::ButtonText), QColor(100, 100, 100));
    EXPECT_EQ(palette.color(QPalette::Disabled, QPalette::WindowText), QColor(120, 120, 120));
    EXPECT_EQ(palette.color(QPalette::Inactive, QPalette::Shadow), QColor(20, 20, 80));
}

TEST_F(LauncherWindowTest, FreshWindowIsIdleWithDefaultGeometryTitleIconAndDarkLed)
{
    VMainWindow window("/opt/rig");
    const Controls controls(window);

    EXPECT_EQ(window.windowTitle(), "Sarnet Brisel 1.3.3");
    EXPECT_FALSE(window.windowIcon().isNull());
    EXPECT_FALSE(QPixmap(kLedOn).isNull());
    EXPECT_FALSE(QPixmap(kLedOff).isNull());
    EXPECT_NE(QPixmap(kLedOn).toImage(), QPixmap(kLedOff).toImage());
    EXPECT_TRUE(controls.LedShows(kLedOff));
    EXPECT_TRUE(controls.Idle());
    EXPECT_TRUE(controls.command->isReadOnly());
    EXPECT_TRUE(controls.output->isReadOnly());
    EXPECT_FALSE(controls.x1dBrowse->icon().isNull());
    EXPECT_EQ(window.size(), QSize(400, 400));
    EXPECT_EQ(window.pos(), QPoint(200, 200));
    EXPECT_TRUE(controls.x1dPath->text().isEmpty());
    EXPECT_TRUE(controls.x2dPath->text().isEmpty());
}

TEST_F(LauncherWindowTest, CommandQuotesTheProgramAndEachGivenPath)
{
    VMainWindow window("/opt/my rig");
    const Controls controls(window);
    EXPECT_EQ(controls.command->toPlainText(), "\"/opt/my rig/briselCL\"");
    EXPECT_TRUE(controls.stream->isEnabled());

    controls.x1dPath->setText("/data/box trial.x1d");
    EXPECT_EQ(controls.command->toPlainText(),
              "\"/opt/my rig/briselCL\" -x1d \"/data/box trial.x1d\"");

    controls.x2dPath->setText("/data/say \"cheese\".x2d");
    EXPECT_EQ(controls.command->toPlainText(), "\"/opt/my rig/briselCL\" -x1d "
                                               "\"/data/box trial.x1d\" -x2d "
                                               "\"/data/say \"cheese\".x2d\"");

    controls.x1dPath->clear();
    EXPECT_EQ(controls.command->toPlainText(),
              "\"/opt/my rig/briselCL\" -x2d \"/data/say \"cheese\".x2d\"");

    const Launcher::ConsoleCommand command = window.CurrentCommand();
    EXPECT_EQ(command.program, "/opt/my rig/briselCL");
    EXPECT_EQ(command.Arguments(), QStringList({"-x2d", "/data/say \"cheese\".x2d"}));
}

TEST_F(LauncherWindowTest, TypingUpdatesTheCommandOnEveryKeystroke)
{
    VMainWindow window("/rig");
    const Controls controls(window);
    window.show();
    QTest::keyClicks(controls.x2dPath, "a b");
    EXPECT_EQ(controls.command->toPlainText(), "\"/rig/briselCL\" -x2d \"a b\"");
    QTest::keyClick(controls.x2dPath, Qt::Key_Backspace);
    EXPECT_EQ(controls.command->toPlainText(), "\"/rig/briselCL\" -x2d \"a \"");
    QTest::keyClicks(controls.x1dPath, "x");
    EXPECT_EQ(controls.command->toPlainText(), "\"/rig/briselCL\" -x1d \"x\" -x2d \"a \"");
}

TEST_F(LauncherWindowTest, EachProcessStateSetsControlsLedAndFocus)
{
    VMainWindow window("/rig");
    const Controls controls(window);
    window.show();

    window.OnStateChanged(QProcess::Starting);
    EXPECT_TRUE(controls.Busy());
    EXPECT_TRUE(controls.LedShows(kLedOn));
    EXPECT_EQ(window.focusWidget(), controls.stop);

    controls.output->setFocus();
    window.OnStateChanged(QProcess::Running);
    EXPECT_TRUE(controls.Busy());
    EXPECT_TRUE(controls.LedShows(kLedOn));
    EXPECT_EQ(window.focusWidget(), controls.output);

    window.OnStateChanged(QProcess::NotRunning);
    EXPECT_TRUE(controls.Idle());
    EXPECT_TRUE(controls.LedShows(kLedOff));
    EXPECT_EQ(window.focusWidget(), controls.stream);
}

TEST_F(LauncherWindowTest, ClosingSavesGeometryAndPathsForTheNextWindow)
{
    {
        VMainWindow window("/rig");
        const Controls controls(window);
        window.resize(523, 377);
        window.move(61, 47);
        controls.x1dPath->setText("/data/box \"1\".x1d");
        controls.x2dPath->setText("/data/cams 1.x2d");
        window.close();
    }
    VMainWindow next("/rig");
    const Controls controls(next);
    EXPECT_EQ(next.size(), QSize(523, 377));
    EXPECT_EQ(next.pos(), QPoint(61, 47));
    EXPECT_EQ(controls.x1dPath->text(), "/data/box \"1\".x1d");
    EXPECT_EQ(controls.x2dPath->text(), "/data/cams 1.x2d");
    EXPECT_EQ(controls.command->toPlainText(),
              "\"/rig/briselCL\" -x1d \"/data/box \"1\".x1d\" -x2d \"/data/cams 1.x2d\"");
}

TEST_F(LauncherWindowTest, ConsoleThatCannotStartLeavesTheWindowIdleAndSilent)
{
    VMainWindow window("/no such folder");
    const Controls controls(window);
    std::vector<QProcess::ProcessError> errors;
    QObject::connect(controls.console, &QProcess::errorOccurred,
                     [&](QProcess::ProcessError error) { errors.push_back(error); });

    controls.stream->click();

    ASSERT_TRUE(QtTest::RunLoopUntil([&] { return !errors.empty(); }));
    EXPECT_EQ(errors, std::vector<QProcess::ProcessError>({QProcess::FailedToStart}));
    EXPECT_TRUE(WaitUntilEnded(controls));
    EXPECT_TRUE(controls.LedShows(kLedOff));
    EXPECT_TRUE(controls.output->toPlainText().isEmpty());
}

TEST_F(LauncherWindowTest, ConsoleWithoutTrialFileShowsItsUsageAndTheLedGoesDark)
{
    VMainWindow window(ConsoleFolder());
    const Controls controls(window);
    std::vector<QProcess::ProcessState> states;
    QObject::connect(controls.console, &QProcess::stateChanged,
                     [&](QProcess::ProcessState state) { states.push_back(state); });
    controls.output->setPlainText("left from before");

    controls.stream->click();

    ASSERT_TRUE(WaitUntilEnded(controls));
    EXPECT_EQ(states, std::vector<QProcess::ProcessState>(
                          {QProcess::Starting, QProcess::Running, QProcess::NotRunning}));
    // The usage line has no line end of its own: it is shown once the program has ended.
    EXPECT_TRUE(controls.output->toPlainText().endsWith(
        "Usage : brisel [-localip <local_ip_address>] [-halip <hal_ip_address>] "
        "[-x1d <trial.x1d>] [-x2d <trial.x2d>]"));
    EXPECT_FALSE(controls.output->toPlainText().contains("left from before"));
    EXPECT_TRUE(controls.LedShows(kLedOff));
    EXPECT_EQ(window.focusWidget(), controls.stream);
}

TEST_F(LauncherWindowTest, StreamingShowsStartUpLinesWhileRunningAndStopKillsTheConsole)
{
    VMainWindow window(ConsoleFolder());
    const Controls controls(window);
    window.show();

    // The emulator runs until it is stopped, so lines seen now were read as it printed them.
    ASSERT_TRUE(StartStreaming(controls, SAMPLE_X2D_PATH));
    EXPECT_EQ(controls.console->state(), QProcess::Running);
    EXPECT_TRUE(controls.output->toPlainText().contains("X2D     : " SAMPLE_X2D_PATH "\n"));
    EXPECT_TRUE(controls.Busy());
    EXPECT_TRUE(controls.LedShows(kLedOn));
    const qint64 pid = controls.console->processId();

    controls.stop->click();

    ASSERT_TRUE(WaitUntilEnded(controls));
    EXPECT_EQ(controls.console->exitStatus(), QProcess::CrashExit);
    EXPECT_TRUE(ProcessIsGone(pid));
    EXPECT_TRUE(controls.LedShows(kLedOff));
}

TEST_F(LauncherWindowTest, PathsWithBlanksAndQuotesReachTheConsoleIntact)
{
    QTemporaryDir data;
    ASSERT_TRUE(data.isValid());
    const QString folder = data.filePath("trial \"A\" files");
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString trial = folder + "/my sample.x2d";
    ASSERT_TRUE(QFile::copy(SAMPLE_X2D_PATH, trial));
    VMainWindow window(ConsoleFolder());
    const Controls controls(window);

    ASSERT_TRUE(StartStreaming(controls, trial));
    EXPECT_TRUE(controls.output->toPlainText().contains("X2D     : " + trial + "\n"));
    EXPECT_FALSE(controls.output->toPlainText().contains("cannot be used"));
    controls.stop->click();
    EXPECT_TRUE(WaitUntilEnded(controls));
}

TEST_F(LauncherWindowTest, ClosingWhileStreamingKillsTheConsoleAndSavesThePaths)
{
    qint64 pid = 0;
    {
        VMainWindow window(ConsoleFolder());
        const Controls controls(window);
        window.show();
        ASSERT_TRUE(StartStreaming(controls, SAMPLE_X2D_PATH));
        pid = controls.console->processId();

        window.close();

        EXPECT_TRUE(WaitUntilEnded(controls));
    }
    EXPECT_TRUE(ProcessIsGone(pid));
    VMainWindow next(ConsoleFolder());
    EXPECT_EQ(Controls(next).x2dPath->text(), SAMPLE_X2D_PATH);
}
} // namespace
