#pragma once

#include "packaging/CliReference.h"

namespace mebo::packaging {

// The manual page mebo(1) in roff: NAME, SYNOPSIS, DESCRIPTION and OPTIONS from the main and
// the desktop help, one COMMANDS subsection per command from its own help, then `tail` (roff
// written by hand: files, environment, exit status).
QString manPage(const CliReference& ref, const QString& version, const QString& summary, const QString& tail);

// `text` as roff body text: backslashes, dashes (ASCII hyphen-minus, so options can be searched
// and pasted) and control characters at a line's start escaped.
QString roffEscape(const QString& text);

} // namespace mebo::packaging
