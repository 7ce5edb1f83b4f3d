#pragma once
// The solver object of the downhill-simplex minimiser.
#include "NelderMeadSolver.h"
