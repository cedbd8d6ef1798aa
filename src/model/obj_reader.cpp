#include "model/obj_reader.h"

namespace quervik {}  // namespace quervik
