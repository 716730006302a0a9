#include "errorreporter/Branding.h"

#include <QtGlobal>

// The logos are compiled into this static library; a program that links it must register them
// itself, and the registration has to be made outside any namespace.
static void RegisterLogoResources()
{
    Q_INIT_RESOURCE(ReporterUi);
}

namespace QeltReporter
{
QString BrandingLogo(Branding branding)
{
    static const bool registered = (RegisterLogoResources(), true);
    Q_UNUSED(registered);
    return branding == Branding::Sarnet ? QStringLiteral(":/errorreporter/SarnetLogo.png")
                                        : QStringLiteral(":/errorreporter/QeltLogo.png");
}
} // namespace QeltReporter
