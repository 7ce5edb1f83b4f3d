#include "graphsearch/PoreSizeInfo.h"

namespace Zodara
{
namespace geometricsearches
{
std::ostream& operator<<(std::ostream& os, PoreSizeInfo const& pore)
{
    return os << "Pore: (" << pore.center.x << " , " << pore.center.y << " , " << pore.center.z << ") radius "
              << pore.radius;
}
} // namespace geometricsearches
} // namespace Zodara
