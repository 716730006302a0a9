// The launcher: a window that starts briselCL with the chosen trial files and shows its
// console output.

#include "launcher/LauncherApplication.h"
#include "launcher/MainWindow.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    Launcher::ConfigureApplication(application);
    VMainWindow window(QApplication::applicationDirPath());
    window.show();
    return application.exec();
}
