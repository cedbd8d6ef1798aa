#include "analysis/crease_edges.h"

namespace quervik {}  // namespace quervik
