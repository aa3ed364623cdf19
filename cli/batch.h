// The batch subcommand as a whole, for code that drives it end to end (the
// batch benchmark): manifests, the runner and its progress.
#pragma once

#include "batch_runner.h"
#include "manifest.h"
#include "progress.h"
