#pragma once
// STL files of the mesh data library: ReadStlFile / ReadStlMemory (10 000 internal units per mm by
// default), WriteStlFile / WriteStlMemory, and MStlFileError for files that cannot be read.
#include "StlIO.h"
