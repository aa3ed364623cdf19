// The batch subcommand as a whole: manifests, the runner and its progress.
#pragma once

#include "batch_runner.h"
#include "manifest.h"
#include "progress.h"
