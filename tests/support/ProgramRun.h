#pragma once

// The process helpers live in Process.h; this name stays for the tests that include it.
#include "support/Process.h"
