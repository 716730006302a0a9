#include "launcher/LauncherApplication.h"

#include <QApplication>
#include <QColor>
#include <QPalette>
#include <QStyleFactory>

namespace Launcher
{
namespace
{
struct RoleColours
{
    QPalette::ColorRole role;
    QColor active;
    QColor inactive;
    QColor disabled;
};

const RoleColours kDarkRoles[] = {
    {QPalette::Window, {80, 80, 80}, {80, 80, 80}, {80, 80, 80}},
    {QPalette::Base, {110, 110, 110}, {110, 110, 110}, {110, 110, 110}},
    {QPalette::Button, {95, 95, 100}, {95, 95, 100}, {100, 100, 100}},
    {QPalette::ButtonText, {255, 255, 255}, {255, 255, 255}, {100, 100, 100}},
    {QPalette::Text, {255, 255, 255}, {255, 255, 255}, {120, 120, 120}},
    {QPalette::WindowText, {255, 255, 255}, {255, 255, 255}, {120, 120, 120}},
    {QPalette::Light, {160, 160, 160}, {160, 160, 160}, {160, 160, 160}},
    {QPalette::Shadow, {20, 20, 80}, {20, 20, 80}, {20, 20, 80}},
};
} // namespace

QPalette DarkPalette()
{
    QPalette palette;
    for (const RoleColours& colours : kDarkRoles)
    {
        palette.setColor(QPalette::Active, colours.role, colours.active);
        palette.setColor(QPalette::Inactive, colours.role, colours.inactive);
        palette.setColor(QPalette::Disabled, colours.role, colours.disabled);
    }
    return palette;
}

void ConfigureApplication(QApplication& application)
{
    QApplication::setOrganizationName("Sarnet");
    QApplication::setOrganizationDomain("sarnet.example");
    QApplication::setApplicationName("FakeLume Launcher");
    QApplication::setStyle(QStyleFactory::create("Fusion"));
    QApplication::setPalette(DarkPalette());
    application.setQuitOnLastWindowClosed(true);
}
} // namespace Launcher
