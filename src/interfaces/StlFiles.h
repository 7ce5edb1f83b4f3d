#pragma once
// Mesh files of the mesh data library: STL (ReadStlFile / ReadStlMemory, 10 000 internal units per
// mm by default; WriteStlFile / WriteStlMemory), beam lattices as text (ReadBeamGraphFile /
// ReadBeamGraphMemory), and MStlFileError for files that cannot be read.
#include "meshdata/BeamGraphIO.h"
#include "meshdata/StlIO.h"
