#include "analysis/volume.h"

namespace quervik {}  // namespace quervik
