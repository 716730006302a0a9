#pragma once
// Which product the reporter speaks for: its name in the dialog and the logo in the dialog's
// banner. Reentrant.

#include <QString>

namespace QeltReporter
{
enum class Branding
{
    Qelt = 0,
    Sarnet = 1,
};

// Selector 1 is Sarnet; 0 and every other value are Qelt.
Branding BrandingFromSelector(long long selector);

QString BrandingName(Branding branding);
// The logo as a Qt resource path.
QString BrandingLogo(Branding branding);
} // namespace QeltReporter
