// Photographs the launcher window for the documentation: the real window, idle with the given
// trial files, then streaming them through the real briselCL beside this program. Run it on a
// display (for example a virtual X server); both images are the window's own rendering.
//
//   launcher_screenshot <idle.png> <streaming.png> <trial.x1d> <trial.x2d>

#include "launcher/LauncherApplication.h"
#include "launcher/MainWindow.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>
#include <cstdio>

namespace
{
const char kStartedLine[] = "Press Ctrl-C to quit";
const int kGiveUpMilliseconds = 10000;

bool Save(QWidget& window, const QString& path)
{
    if (window.grab().save(path, "PNG"))
        return true;
    std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    return false;
}

void Fail(const char* what)
{
    std::fprintf(stderr, "launcher_screenshot: %s\n", what);
    QCoreApplication::exit(1);
}
} // namespace

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 5)
    {
        std::fprintf(stderr, "usage: launcher_screenshot <idle.png> <streaming.png> "
                             "<trial.x1d> <trial.x2d>\n");
        return 2;
    }
    Launcher::ConfigureApplication(application);
    VMainWindow window(QApplication::applicationDirPath());
    window.resize(760, 560);
    window.findChild<QLineEdit*>("x1dPath")->setText(arguments[3]);
    window.findChild<QLineEdit*>("x2dPath")->setText(arguments[4]);
    auto* output = window.findChild<QTextEdit*>("output");
    window.show();

    QTimer::singleShot(0, &window,
                       [&]
                       {
                           if (!Save(window, arguments[1]))
                               return Fail("idle window not saved");
                           window.findChild<QPushButton*>("stream")->click();
                       });
    bool started = false;
    QObject::connect(output, &QTextEdit::textChanged, &window,
                     [&]
                     {
                         if (started || !output->toPlainText().contains(kStartedLine))
                             return;
                         started = true;
                         // Photographed once the new lines are laid out; closing kills briselCL.
                         QTimer::singleShot(0, &window,
                                            [&]
                                            {
                                                if (!Save(window, arguments[2]))
                                                    return Fail("streaming window not saved");
                                                window.close();
                                            });
                     });
    QTimer::singleShot(kGiveUpMilliseconds, &application,
                       [] { Fail("briselCL did not start streaming"); });
    return application.exec();
}
