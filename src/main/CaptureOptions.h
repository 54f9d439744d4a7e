#pragma once

#include "main/CliSupport.h"

#include <QList>

namespace mebo::cli {

// The options of 'mebo capture', read alike by the full command and the quick path.
const QList<OptionSpec>& captureOptions();

} // namespace mebo::cli
