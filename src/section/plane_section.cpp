#include "section/plane_section.h"

namespace quervik {}  // namespace quervik
