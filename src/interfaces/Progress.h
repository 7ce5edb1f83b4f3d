#pragma once
// Progress reporting with cancellation.
#include "ProgressReporter.h"
