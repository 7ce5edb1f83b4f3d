#pragma once
// The solver object of the downhill-simplex minimiser.
#include "solvers/NelderMeadSolver.h"
