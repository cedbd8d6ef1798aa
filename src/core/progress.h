// Long work (a load, an export of many levels, the crease search) tells its
// caller how far it got, and stops when the caller asks it to.
//
// The work calls the function now and then with the steps done so far and
// the steps in all, on the thread that called the work (never from a worker
// thread). To stop the work, the function throws `Cancelled`; the work then
// ends as for any other error: it leaves nothing behind, and a file it was
// writing keeps its previous content. An empty function is never called.
#pragma once

#include <cstddef>
#include <functional>

#include "core/errors.h"

namespace quervik {

using ProgressFn = std::function<void(std::size_t done, std::size_t total)>;

// Thrown by a progress function to stop the work: "Abgebrochen".
class Cancelled : public Error {
 public:
  Cancelled() : Error("Abgebrochen") {}
};

}  // namespace quervik
