// `proctex batch MANIFEST --dask ADDRESS|local:N`: the batch on a Dask
// cluster, run by the Python side of proctex with an interpreter that has
// Dask, found here so that nobody has to know which python3 has which
// packages.
#pragma once

#include <string>
#include <vector>

namespace proctex::cli {

struct DaskBatch {
    std::string manifest;
    std::string address;  // tcp://host:8786 or local:N
    std::string progress = "auto";
    std::string report;  // empty: none
    double timeoutSeconds = 10;
};

// The interpreters tried in turn: $PROCTEX_PYTHON, Debian's /usr/bin/python3,
// then python3 on PATH.
std::vector<std::string> pythonCandidates();

// The folder holding the proctex Python package beside this tool: installed
// (PREFIX/share/proctex/python) or the source tree it was built from; empty
// when neither is there.
std::string pythonPackageFolder();

// One argument as a Windows program's start-up code reads it back from its
// command line: quoted when it holds a space, a tab or a quote (or is empty),
// with the backslashes before a quote, or before the closing one, doubled.
std::string quoteWindowsArgument(const std::string& argument);

// Runs the batch and returns its exit status; 2 with one line on stderr
// when no interpreter has Dask.
int runDaskBatch(const DaskBatch& batch);

}  // namespace proctex::cli
