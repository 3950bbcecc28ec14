#pragma once

#include "ListenOptions.h"

namespace tallwick::listen {

// Runs one inspection as the options say — the tool as a child, or standard
// input — and prints the summary. Returns the exit status (see ExitStatus.h).
int listen(const ListenOptions& options);

}  // namespace tallwick::listen
