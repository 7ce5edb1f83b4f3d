// The masks this library reads and writes are compiled once here.
#include "interfaces/MDataMask.h"

template class MDataMask<MStlTriangle, float>;
template class MDataMask<MStlTriangle, bool>;
