// The tool's command line: what it can ask for, the parser that fills it
// in, and the parser's faults in our words.
#pragma once

#include <CLI/CLI.hpp>
#include <string>
#include <vector>

#include "gallery.h"
#include "options.h"
#include "studio/server.h"

namespace proctex::cli {

// Everything the command line can ask for; the parser writes straight into it.
struct Request {
    Options material;                        // the fields and the output path
    std::vector<CLI::Option*> fieldOptions;  // one per entry of fields(), in that order
    std::vector<std::string> fieldTexts = std::vector<std::string>(fields().size());
    std::string presetName;
    std::string fromRecord;   // --from FILE.json
    std::string naming;       // --naming, empty when not given
    std::string compression;  // --compression, empty when not given
    std::vector<bool> extraFlags = std::vector<bool>(extraOutputs().size(), false);
    bool listPresets = false;
    bool helpLayers = false;
    bool singleFile = false;
    bool printStartingValues = false;
    std::string showPresetName;

    CLI::App* galleryCommand = nullptr;
    GallerySettings gallery;
    std::string galleryDir;
    std::string galleryProgress = "auto";

    CLI::App* batchCommand = nullptr;
    std::string manifest;
    int batchJobs = 0;
    std::string batchProgress = "auto";
    std::string batchReport;  // --report FILE.json, empty when not given
    bool batchCheck = false;
    std::string batchDask;  // --dask ADDRESS|local:N, empty when not given
    double batchTimeout = 10;

    std::string renderProgress = "auto";  // --progress of a single material

    studio::StudioSettings studio;

    CLI::App* renderCommand = nullptr;
    std::string renderMaterial;  // MATERIAL.json
    std::string renderOutput;    // OUTPUT.png, empty when not given

    CLI::App* validateCommand = nullptr;
    std::string validateBase;
};

// The options, subcommands, version and help of the tool; `request` must
// outlive `app`, since the options write into it.
void buildParser(CLI::App& app, Request& request);

// What the parser could not place: an unknown option (named, with the
// nearest known one) or more than one output path; empty when nothing is left.
std::string leftoverProblem(const CLI::App& app, const Request& request);

// The parser's faults in our words: the option or argument, and what it takes.
std::string parseErrorText(const CLI::ParseError& e, const CLI::App& app);

// Whether any option of a single material was given.
bool anyMaterialOption(const Request& request);

}  // namespace proctex::cli
