#pragma once
// Which product the reporter speaks for: its name in the dialog and the logo in the dialog's
// banner. Reentrant.

#include "errorreporter/ReporterUi.h"

#include <QString>

namespace QeltReporter
{
// The product the command line names (its name: QeltErrorReporting::BrandingName).
using QeltErrorReporting::Branding;

// The logo as a Qt resource path.
QString BrandingLogo(Branding branding);
} // namespace QeltReporter
