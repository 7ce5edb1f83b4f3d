#pragma once
// Progress reporting with cancellation.
#include "progress/ProgressReporter.h"
