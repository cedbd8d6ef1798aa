#include "model/vector_math.h"

namespace quervik {}  // namespace quervik
