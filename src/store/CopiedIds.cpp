#include "store/CopiedIds.h"

namespace plandor {

QList<qint16> CopiedIds;

} // namespace plandor
