#pragma once
// Application-wide set-up of the launcher: identity (which decides where the settings are
// kept), widget style, dark palette and quitting when the last window closes. Thread-bound
// to the GUI thread; called once, before the first window is created.

class QApplication;
class QPalette;

namespace Launcher
{
void ConfigureApplication(QApplication& application);

// The dark palette of the launcher, every role in the Active, Inactive and Disabled groups.
QPalette DarkPalette();
} // namespace Launcher
