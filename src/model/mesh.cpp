#include "model/mesh.h"

namespace quervik {}  // namespace quervik
