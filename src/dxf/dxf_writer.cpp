#include "dxf/dxf_writer.h"

namespace quervik {}  // namespace quervik
