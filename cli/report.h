// Machine-readable batch output: the items of a checked manifest (batch
// --check) and the record of a run (batch --report), so a run elsewhere (the
// Python batch on a Dask cluster) can use the same items and give the same
// record.
#pragma once

#include <string>
#include <vector>

#include "batch_runner.h"

namespace proctex::cli {

// One JSON line per item: its number, name and output, "settings" (the
// sidecar record without its files), "maps" (the bits to compute),
// "save_flags", "files" (every file it writes, in order), "copies" (the
// naming convention's [from, to] pairs) and "sidecar" (the record's path, or
// null).
std::string checkedItemsText(const std::vector<BatchItem>& items);

// The record of a run: {"proctex", "runner", "jobs", "seconds", "failed",
// "materials": [...]}, one material per item with "item", "name", "output",
// "settings", "files" ([{"path", "bytes", "sha256"}] of the files that exist),
// "seconds", "worker", "outcome" ("written" or "failed") and "error".
std::string reportText(const std::vector<BatchItem>& items, const BatchSummary& summary);

// Writes `text` to `path` under a temporary name, then renames it: the file is
// complete or absent. False (and `error` set) when it cannot be written.
bool writeFileAtomically(const std::string& path, const std::string& text, std::string& error);

}  // namespace proctex::cli
