#include "model/face_normals.h"

namespace quervik {}  // namespace quervik
