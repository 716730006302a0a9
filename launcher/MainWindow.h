#pragma once
// The launcher's window: two trial-file fields, the console emulator's command line built
// from them, Stream and Stop for the emulator as a child process, a lit or dark LED ring
// while it runs, and its merged console output as it is printed. The window's geometry and
// both paths persist in the settings group "MainWindow". Thread-bound to the GUI thread; the
// child process's signals arrive through its event loop.

#include "launcher/ConsoleCommand.h"

#include <QProcess>
#include <QString>
#include <QWidget>

class QCloseEvent;
class QGridLayout;
class QGroupBox;
class QLabel;
class QLayout;
class QLineEdit;
class QPushButton;
class QTextEdit;
class QToolButton;

class VMainWindow : public QWidget
{
    Q_OBJECT

public:
    // `consoleFolder` is the folder that holds briselCL: the launcher's own folder.
    explicit VMainWindow(const QString& consoleFolder, QWidget* parent = nullptr);
    ~VMainWindow() override;

    // The command for the current paths, as the command display shows it.
    Launcher::ConsoleCommand CurrentCommand() const;

public slots:
    void UpdateCommand();
    void BrowseForX1DPath();
    void BrowseForX2DPath();
    void LaunchCommand();
    void KillCommand();
    void OnStateChanged(QProcess::ProcessState state);
    void ReadCommandOutput();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    // Object names let scripts and tests find the controls.
    void NameWidgets();
    void BuildLayout();
    void AddPathRow(QGridLayout* grid, int row, const QString& label, QLineEdit* path,
                    QToolButton* browse);
    QGroupBox* BuildCommandGroup();
    QLayout* BuildControlRow();
    QGroupBox* BuildOutputGroup();
    void ConnectSlots();
    void ReadSettings();
    void WriteSettings() const;
    void BrowseForPath(QLineEdit* path, const QString& title, const QString& filter);
    void SetIdleControlsEnabled(bool enabled);
    void ShowLed(bool lit);
    void AppendOutputLine(QByteArray line);
    // Shows output that the emulator left without a final line end, once it has ended.
    void ReadRemainingOutput();

    const QString consoleFolder_;
    QLineEdit* x1dPath_;
    QToolButton* x1dBrowse_;
    QLineEdit* x2dPath_;
    QToolButton* x2dBrowse_;
    QPushButton* stream_;
    QPushButton* stop_;
    QTextEdit* command_;
    QTextEdit* output_;
    QLabel* led_;
    QProcess* process_;
};
