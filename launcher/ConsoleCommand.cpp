#include "launcher/ConsoleCommand.h"

namespace Launcher
{
namespace
{
#ifdef Q_OS_WIN
const char kConsoleProgram[] = "/briselCL.exe";
#else
const char kConsoleProgram[] = "/briselCL";
#endif

QString Quoted(const QString& text)
{
    return '"' + text + '"';
}

void AddFileOption(QVector<FileOption>& files, const QString& option, const QString& path)
{
    if (path.isEmpty())
        return;
    files.append({option, path});
}
} // namespace

QStringList ConsoleCommand::Arguments() const
{
    QStringList arguments;
    for (const FileOption& file : files)
        arguments << file.option << file.path;
    return arguments;
}

QString ConsoleCommand::Text() const
{
    QString text = Quoted(program);
    for (const FileOption& file : files)
        text += ' ' + file.option + ' ' + Quoted(file.path);
    return text;
}

ConsoleCommand BuildConsoleCommand(const QString& programFolder, const QString& x1dPath,
                                   const QString& x2dPath)
{
    ConsoleCommand command;
    command.program = programFolder + kConsoleProgram;
    AddFileOption(command.files, "-x1d", x1dPath);
    AddFileOption(command.files, "-x2d", x2dPath);
    return command;
}
} // namespace Launcher
