#pragma once

// A recording's segments are the video project's records.
#include "video/VideoRegions.h"
