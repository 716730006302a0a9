#include "launcher/MainWindow.h"

#include <QCloseEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QSettings>
#include <QStyle>
#include <QTextEdit>
#include <QToolButton>
#include <QVBoxLayout>

namespace
{
const char kLedOn[] = ":/com.Sarnet.Brisel.LEDRingOn.png";
const char kLedOff[] = ":/com.Sarnet.Brisel.LEDRingOff.png";
const char kSettingsGroup[] = "MainWindow";
// One spelling for reading and writing: the settings store is case-sensitive on Linux.
const char kSizeKey[] = "size";
const char kPosKey[] = "pos";
const char kX1DKey[] = "X1DPath";
const char kX2DKey[] = "X2DPath";
const int kGroupMargin = 3;
} // namespace

// The LED images live in the launcher's static library, whose resources are registered
// only when asked for; registering twice is harmless.
static void RegisterLauncherImages()
{
    Q_INIT_RESOURCE(launcher_images);
}

VMainWindow::VMainWindow(const QString& consoleFolder, QWidget* parent)
    : QWidget(parent), consoleFolder_(consoleFolder), x1dPath_(new QLineEdit(this)),
      x1dBrowse_(new QToolButton(this)), x2dPath_(new QLineEdit(this)),
      x2dBrowse_(new QToolButton(this)), stream_(new QPushButton("Stream", this)),
      stop_(new QPushButton("Stop", this)), command_(new QTextEdit(this)),
      output_(new QTextEdit(this)), led_(new QLabel(this)), process_(new QProcess(this))
{
    RegisterLauncherImages();
    setWindowTitle(QString("Sarnet Brisel ") + BRISEL_VERSION);
    setWindowIcon(QIcon(kLedOn));
    process_->setProcessChannelMode(QProcess::MergedChannels);
    NameWidgets();
    BuildLayout();
    ConnectSlots();
    ReadSettings();
    UpdateCommand();
}

VMainWindow::~VMainWindow()
{
    // The child process outlives this part of the window while its parent is torn down;
    // its last state changes must not reach the half-destroyed window.
    process_->disconnect(this);
}

Launcher::ConsoleCommand VMainWindow::CurrentCommand() const
{
    return Launcher::BuildConsoleCommand(consoleFolder_, x1dPath_->text(), x2dPath_->text());
}

void VMainWindow::NameWidgets()
{
    x1dPath_->setObjectName("x1dPath");
    x1dBrowse_->setObjectName("x1dBrowse");
    x2dPath_->setObjectName("x2dPath");
    x2dBrowse_->setObjectName("x2dBrowse");
    stream_->setObjectName("stream");
    stop_->setObjectName("stop");
    command_->setObjectName("command");
    output_->setObjectName("output");
    led_->setObjectName("led");
    process_->setObjectName("console");
}

void VMainWindow::BuildLayout()
{
    auto* grid = new QGridLayout(this);
    AddPathRow(grid, 0, "Device Data File (X1D): ", x1dPath_, x1dBrowse_);
    AddPathRow(grid, 1, "Camera Data File (X2D): ", x2dPath_, x2dBrowse_);
    x1dPath_->setSizePolicy(QSizePolicy::MinimumExpanding, x1dPath_->sizePolicy().verticalPolicy());
    grid->addWidget(BuildCommandGroup(), 2, 0, 1, 5);
    grid->addLayout(BuildControlRow(), 4, 0, 1, 5);
    grid->addWidget(BuildOutputGroup(), 5, 0, 1, 5);
    grid->setColumnStretch(1, 2);
    grid->setRowStretch(5, 2);
}

void VMainWindow::AddPathRow(QGridLayout* grid, int row, const QString& label, QLineEdit* path,
                             QToolButton* browse)
{
    grid->addWidget(new QLabel(label, this), row, 0, Qt::AlignRight);
    grid->addWidget(path, row, 1, 1, 3);
    browse->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    grid->addWidget(browse, row, 4);
}

QGroupBox* VMainWindow::BuildCommandGroup()
{
    auto* group = new QGroupBox("Command", this);
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(kGroupMargin, kGroupMargin, kGroupMargin, kGroupMargin);
    command_->setReadOnly(true);
    command_->setFixedHeight(75);
    layout->addWidget(command_);
    layout->addWidget(
        new QLabel("Tip: Cut & Paste the above command into a script or batch file", group));
    return group;
}

QLayout* VMainWindow::BuildControlRow()
{
    auto* row = new QHBoxLayout;
    row->addWidget(stream_);
    row->addWidget(led_, 4);
    row->addWidget(stop_);
    ShowLed(false);
    stop_->setEnabled(false);
    return row;
}

QGroupBox* VMainWindow::BuildOutputGroup()
{
    auto* group = new QGroupBox("Output", this);
    auto* layout = new QVBoxLayout(group);
    layout->setContentsMargins(kGroupMargin, kGroupMargin, kGroupMargin, kGroupMargin);
    output_->setReadOnly(true);
    layout->addWidget(output_);
    return group;
}

void VMainWindow::ConnectSlots()
{
    connect(x1dPath_, &QLineEdit::textChanged, this, &VMainWindow::UpdateCommand);
    connect(x2dPath_, &QLineEdit::textChanged, this, &VMainWindow::UpdateCommand);
    connect(x1dBrowse_, &QToolButton::clicked, this, &VMainWindow::BrowseForX1DPath);
    connect(x2dBrowse_, &QToolButton::clicked, this, &VMainWindow::BrowseForX2DPath);
    connect(stream_, &QPushButton::clicked, this, &VMainWindow::LaunchCommand);
    connect(stop_, &QPushButton::clicked, this, &VMainWindow::KillCommand);
    connect(process_, &QProcess::stateChanged, this, &VMainWindow::OnStateChanged);
    connect(process_, &QProcess::readyRead, this, &VMainWindow::ReadCommandOutput);
}

void VMainWindow::ReadSettings()
{
    QSettings settings;
    settings.beginGroup(kSettingsGroup);
    resize(settings.value(kSizeKey, QSize(400, 400)).toSize());
    move(settings.value(kPosKey, QPoint(200, 200)).toPoint());
    x1dPath_->setText(settings.value(kX1DKey).toString());
    x2dPath_->setText(settings.value(kX2DKey).toString());
}

void VMainWindow::WriteSettings() const
{
    QSettings settings;
    settings.beginGroup(kSettingsGroup);
    settings.setValue(kSizeKey, size());
    settings.setValue(kPosKey, pos());
    settings.setValue(kX1DKey, x1dPath_->text());
    settings.setValue(kX2DKey, x2dPath_->text());
}

void VMainWindow::UpdateCommand()
{
    const QString text = CurrentCommand().Text();
    command_->setPlainText(text);
    stream_->setEnabled(!text.isEmpty());
}

void VMainWindow::BrowseForX1DPath()
{
    BrowseForPath(x1dPath_, "Locate X1D", "*.x1d");
}

void VMainWindow::BrowseForX2DPath()
{
    BrowseForPath(x2dPath_, "Locate X2D", "*.x2d");
}

void VMainWindow::BrowseForPath(QLineEdit* path, const QString& title, const QString& filter)
{
    const QString chosen = QFileDialog::getOpenFileName(this, title, path->text(), filter);
    if (chosen.isEmpty())
        return;
    path->setText(chosen);
}

void VMainWindow::LaunchCommand()
{
    output_->clear();
    const Launcher::ConsoleCommand command = CurrentCommand();
    process_->start(command.program, command.Arguments(), QIODevice::ReadOnly);
}

void VMainWindow::KillCommand()
{
    process_->kill();
}

void VMainWindow::OnStateChanged(QProcess::ProcessState state)
{
    const bool running = state != QProcess::NotRunning;
    SetIdleControlsEnabled(!running);
    stop_->setEnabled(running);
    ShowLed(running);
    if (state == QProcess::Starting)
        stop_->setFocus();
    if (state != QProcess::NotRunning)
        return;
    stream_->setFocus();
    ReadRemainingOutput();
}

void VMainWindow::SetIdleControlsEnabled(bool enabled)
{
    for (QWidget* control : {static_cast<QWidget*>(x1dPath_), static_cast<QWidget*>(x1dBrowse_),
                             static_cast<QWidget*>(x2dPath_), static_cast<QWidget*>(x2dBrowse_),
                             static_cast<QWidget*>(stream_)})
        control->setEnabled(enabled);
}

void VMainWindow::ShowLed(bool lit)
{
    led_->setPixmap(QPixmap(lit ? kLedOn : kLedOff));
}

void VMainWindow::ReadCommandOutput()
{
    while (process_->canReadLine())
    {
        const QByteArray line = process_->readLine();
        if (line.isEmpty())
            return;
        AppendOutputLine(line);
    }
}

void VMainWindow::ReadRemainingOutput()
{
    ReadCommandOutput();
    const QByteArray rest = process_->readAll();
    if (!rest.isEmpty())
        AppendOutputLine(rest);
}

void VMainWindow::AppendOutputLine(QByteArray line)
{
    while (line.endsWith('\n') || line.endsWith('\r'))
        line.chop(1);
    output_->append(QString::fromLocal8Bit(line));
}

void VMainWindow::closeEvent(QCloseEvent* event)
{
    WriteSettings();
    process_->kill();
    event->accept();
}
