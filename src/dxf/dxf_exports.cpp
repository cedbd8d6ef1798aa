#include "dxf/dxf_exports.h"

namespace quervik {}  // namespace quervik
