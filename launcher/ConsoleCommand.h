#pragma once
// The command line of the console emulator that the launcher starts: the program beside the
// launcher and its trial-file options. The text form is what the user may paste into a
// script; the program and argument list are what the process is started with, so a path
// holding blanks or double quotes reaches the emulator intact. Reentrant.

#include <QString>
#include <QStringList>
#include <QVector>

namespace Launcher
{
struct FileOption
{
    QString option; // "-x1d" or "-x2d"
    QString path;
};

struct ConsoleCommand
{
    QString program;
    QVector<FileOption> files;

    QStringList Arguments() const;
    // The program and each path in double quotes, each option bare before its path.
    QString Text() const;
};

// The emulator in `programFolder`, with "-x1d" and/or "-x2d" for each path that is not empty.
ConsoleCommand BuildConsoleCommand(const QString& programFolder, const QString& x1dPath,
                                   const QString& x2dPath);
} // namespace Launcher
