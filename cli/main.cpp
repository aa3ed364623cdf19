// proctex: generate procedural material sets from the command line.
//   proctex [--preset NAME] [options] OUT.png   one material
//   proctex --starting-values                   the starting values as JSON
//   proctex --list-presets                      the named materials
//   proctex gallery DIR                         contact sheets of presets and types
//   proctex batch MANIFEST.json [--jobs N]      many materials on worker threads
//        [--report FILE.json] [--check]
//   proctex render MATERIAL.json [OUT.png]      one material from a JSON file
//   proctex studio [--port N] [--open]          choose a material by eye in a browser
//   proctex validate BASE.png                   check a written set as PBR validators do
#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "command_line.h"
#include "dask_batch.h"
#include "gallery.h"
#include "layer_keys.h"
#include "manifest.h"
#include "options.h"
#include "platform.h"
#include "presets.h"
#include "progress.h"
#include "render_progress.h"
#include "report.h"
#include "sidecar.h"
#include "studio/server.h"
#include "validate.h"

namespace {

using namespace proctex::cli;

ProgressStyle progressStyle(const std::string& choice) {
    if (choice == "bar") return ProgressStyle::Bar;
    if (choice == "lines") return ProgressStyle::Lines;
    if (choice == "quiet") return ProgressStyle::Quiet;
    return stdoutIsTerminal() ? ProgressStyle::Bar : ProgressStyle::Lines;
}

int listPresets() {
    std::size_t width = 0;
    for (const Preset& p : presets()) width = std::max(width, std::string(p.name).size());
    for (const Preset& p : presets()) {
        std::printf("%-*s  %s\n", static_cast<int>(width), p.name, p.description);
    }
    return 0;
}

// The options that differ from the tool's defaults, as a command line.
// A pattern's or overlay's parameters are printed with it, so that the line
// does not fall back on the starting values.
int showPreset(const std::string& name) {
    const Preset* preset = findPreset(name);
    if (preset == nullptr) {
        std::cerr << "proctex: " << unknownPresetMessage(name) << "\n";
        return 2;
    }
    const ProctexSettings defaults = defaultSettings();
    std::vector<std::string> printed;
    for (const Field& f : fields()) {
        if (fieldText(f, preset->options) != fieldText(f, defaults)) printed.emplace_back(f.name);
    }
    // A chosen type's starting options go with it.
    for (const Field& f : fields()) {
        if (std::find(printed.begin(), printed.end(), f.name) == printed.end()) continue;
        for (const std::string& option : startOptions(f, preset->options)) {
            if (std::find(printed.begin(), printed.end(), option) == printed.end()) {
                printed.push_back(option);
            }
        }
    }
    std::printf("proctex");
    for (const Field& f : fields()) {
        if (std::find(printed.begin(), printed.end(), f.name) != printed.end()) {
            // '#' would start a shell comment, ';' a new command.
            const char* quote = isText(f) ? "\"" : "";
            std::printf(" --%s %s%s%s", f.name, quote, fieldDisplayText(f, preset->options).c_str(),
                        quote);
        }
    }
    std::printf(" OUT.png\n");
    return 0;
}

int runGalleryCommand(Request& request) {
    request.gallery.dir = pathFromUtf8(request.galleryDir);
    request.gallery.progress = progressStyle(request.galleryProgress);
    request.gallery.columns = terminalColumns();
    return runGallery(request.gallery, stdout, stderr);
}

int runBatchCommand(const Request& request) {
    std::vector<BatchItem> items;
    try {
        items = loadManifest(pathFromUtf8(request.manifest));
    } catch (const ManifestError& e) {
        for (const std::string& fault : e.faults()) {
            std::cerr << "proctex batch: " << request.manifest << ": " << fault << "\n";
        }
        return 2;
    }
    // Before anything is written: no item may replace the manifest or the
    // report, nor the report the manifest.
    std::vector<KeptFile> kept = {{request.manifest, "the manifest"}};
    if (!request.batchReport.empty()) {
        if (sameFileKey(request.batchReport, kNamesIgnoreCase) ==
            sameFileKey(request.manifest, kNamesIgnoreCase)) {
            std::cerr << "proctex batch: --report " << request.batchReport
                      << " would replace the manifest\n";
            return 2;
        }
        kept.push_back({request.batchReport, "the report (--report)"});
    }
    if (const auto faults = overwriteFaults(items, kept, kNamesIgnoreCase); !faults.empty()) {
        for (const std::string& fault : faults) {
            std::cerr << "proctex batch: " << request.manifest << ": " << fault << "\n";
        }
        return 2;
    }
    if (request.batchCheck) {
        std::fputs(checkedItemsText(items).c_str(), stdout);
        return 0;
    }
    if (!request.batchDask.empty()) {
        return runDaskBatch({request.manifest, request.batchDask, request.batchProgress,
                             request.batchReport, request.batchTimeout});
    }
    ProgressPrinter printer(stdout, progressStyle(request.batchProgress), terminalColumns());
    const BatchSummary summary = runBatch(items, request.batchJobs, &printer);
    if (!request.batchReport.empty()) {
        std::string error;
        if (!writeFileAtomically(request.batchReport, reportText(items, summary), error)) {
            std::cerr << "proctex batch: " << error << "\n";
            return 1;
        }
    }
    return summary.failed > 0 ? 1 : 0;
}

bool givenOnCommandLine(const Request& request, std::string_view name) {
    for (std::size_t i = 0; i < request.fieldOptions.size(); ++i) {
        if (name == fields()[i].name) return request.fieldOptions[i]->count() > 0;
    }
    return false;
}

// The preset or record, then whatever the command line says explicitly, then
// the starting values of a pattern or overlay chosen without its parameters.
Options applyExplicitOptions(Options o, const Request& request) {
    for (std::size_t i = 0; i < request.fieldOptions.size(); ++i) {
        if (request.fieldOptions[i]->count() > 0) copyField(fields()[i], request.material, o);
    }
    applyStartingValues([&](std::string_view name) { return givenOnCommandLine(request, name); },
                        o);
    for (std::size_t i = 0; i < extraOutputs().size(); ++i) {
        if (request.extraFlags[i]) setExtraOutput(extraOutputs()[i], true, o);
    }
    if (!request.naming.empty()) o.naming = request.naming;
    if (!request.compression.empty()) setSmallFiles(request.compression == "small", o);
    o.output = request.material.output;
    o.singleFile = request.singleFile;
    return o;
}

// Settings refused before any work are usage errors, reported with the
// option the library's reason names. With a record (--from), says whether
// each file came out as the record says.
int generateOne(const Options& o, const std::string& progressChoice,
                const RecordFacts* record = nullptr) {
    if (const auto refusal = settingsRefusal(o)) {
        std::cerr << "proctex: "
                  << (refusal->field != nullptr ? std::string("--") + refusal->field->name + ": "
                                                : "")
                  << refusal->reason << "\n";
        return 2;
    }
    // Before the folder is made: a name no file can take writes nothing.
    if (const std::string problem = setNameProblem(o); !problem.empty()) {
        std::cerr << "proctex: " << problem << "\n";
        return 2;
    }
    if (const std::string error = createOutputFolder(o.output); !error.empty()) {
        std::cerr << "proctex: " << error << "\n";
        return 1;
    }
    const bool bar = progressChoice == "bar" || (progressChoice == "auto" && stderrIsTerminal());
    RenderProgress progress(stderr, bar, terminalColumns());
    const Outcome outcome = generate(o, &progress);
    progress.done();
    if (outcome.cancelled) {
        std::cerr << "proctex: interrupted; no file was written\n";
        return 130;
    }
    for (const auto& f : outcome.files) std::printf("%s\n", f.c_str());
    std::fflush(stdout);
    if (!outcome.ok) {
        std::cerr << "proctex: " << outcome.error << "\n";
        return outcome.refused ? 2 : 1;
    }
    if (record != nullptr) {
        for (const std::string& line :
             recordComparison(record->version, record->files, o.output, outcome.files)) {
            std::cerr << "proctex: " << line << "\n";
        }
    }
    return 0;
}

// A material file names its output, or the command line does. Its record
// facts, when it is a sidecar record, say whether the files came out the same.
int runRenderCommand(const Request& request) {
    const std::filesystem::path path = pathFromUtf8(request.renderMaterial);
    try {
        const BatchItem item = loadMaterialItem(path, request.renderOutput);
        const RecordFacts facts = loadRecordFacts(path);
        return generateOne(item.options, request.renderProgress, &facts);
    } catch (const ManifestError& e) {
        for (const std::string& fault : e.faults()) {
            std::cerr << "proctex render: " << request.renderMaterial << ": " << fault << "\n";
        }
        return 2;
    }
}

int runSingleMaterial(const Request& request) {
    if (request.material.output.empty()) {
        std::cerr << "proctex: give an output path, e.g. proctex out/stone.png (see --help)\n";
        return 2;
    }
    if (const std::string problem = outputPathProblem(request.material.output, request.singleFile);
        !problem.empty()) {
        std::cerr << "proctex: " << problem << "\n";
        return 2;
    }
    if (!request.fromRecord.empty()) {
        if (!request.presetName.empty()) {
            std::cerr << "proctex: --from and --preset both choose the starting point; give one\n";
            return 2;
        }
        try {
            const RecordFacts facts = loadRecordFacts(pathFromUtf8(request.fromRecord));
            return generateOne(
                applyExplicitOptions(loadMaterial(pathFromUtf8(request.fromRecord)), request),
                request.renderProgress, &facts);
        } catch (const ManifestError& e) {
            for (const std::string& fault : e.faults()) {
                std::cerr << "proctex: " << request.fromRecord << ": " << fault << "\n";
            }
            return 2;
        }
    }
    if (const Preset* preset = findPreset(request.presetName)) {
        return generateOne(applyExplicitOptions(preset->options, request), request.renderProgress);
    }
    return generateOne(applyExplicitOptions(request.material, request), request.renderProgress);
}

// The material options as given, read by the library's rules for each.
std::string readFieldTexts(Request& request) {
    for (std::size_t i = 0; i < fields().size(); ++i) {
        if (request.fieldOptions[i]->count() == 0) continue;
        const Field& f = fields()[i];
        const std::string why = setFieldFromText(f, request.fieldTexts[i], request.material);
        if (!why.empty()) return "--" + std::string(f.name) + ": " + why;
    }
    return {};
}

int run(Request& request) {
    if (const std::string problem = readFieldTexts(request); !problem.empty()) {
        std::cerr << "proctex: " << problem << "\n";
        return 2;
    }
    const bool gallery = request.galleryCommand->parsed();
    if (request.validateCommand->parsed()) {
        if (anyMaterialOption(request)) {
            std::cerr << "proctex: validate reads a written set; give it no material options\n";
            return 2;
        }
        return printVerdicts(validateSet(request.validateBase), stdout);
    }
    const bool render = request.renderCommand->parsed();
    if ((gallery || request.batchCommand->parsed() || render) && anyMaterialOption(request)) {
        std::cerr << "proctex: material options go with a single OUT.png, not with "
                  << (gallery  ? "gallery"
                      : render ? "render"
                               : "batch")
                  << (render ? " (the material file sets them)"
                             : " (a manifest sets them per item)")
                  << "\n";
        return 2;
    }
    if (request.studio.command->parsed()) return studio::runStudio(request.studio);
    if (request.listPresets) return listPresets();
    if (request.helpLayers) {
        std::printf("%s", layerKeysHelp().c_str());
        return 0;
    }
    if (request.printStartingValues) {
        std::printf("%s\n", startingValuesJson().c_str());
        return 0;
    }
    if (!request.showPresetName.empty()) return showPreset(request.showPresetName);
    if (gallery) return runGalleryCommand(request);
    if (request.batchCommand->parsed()) return runBatchCommand(request);
    if (request.renderCommand->parsed()) return runRenderCommand(request);
    return runSingleMaterial(request);
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args = utf8Arguments(argc, argv);
    std::vector<char*> argPointers;
    for (std::string& arg : args) argPointers.push_back(arg.data());
    Request request;
    CLI::App app{"proctex: procedural PBR material textures"};
    buildParser(app, request);
    try {
        app.parse(static_cast<int>(argPointers.size()), argPointers.data());
    } catch (const CLI::Success& e) {
        app.exit(e);  // --help or --version
        return 0;
    } catch (const CLI::ParseError& e) {
        std::cerr << "proctex: " << parseErrorText(e, app) << "\n";
        return 2;
    }
    if (const std::string problem = leftoverProblem(app, request); !problem.empty()) {
        std::cerr << "proctex: " << problem << "\n";
        return 2;
    }
    try {
        return run(request);
    } catch (const std::exception& e) {
        // Out of memory, a file system fault: a failed call, never a crash code.
        std::cerr << "proctex: " << e.what() << "\n";
        return 1;
    }
}
