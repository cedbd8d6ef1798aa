#include "analysis/transformation.h"

namespace quervik {}  // namespace quervik
