#include "section/point_merge.h"

namespace quervik {}  // namespace quervik
