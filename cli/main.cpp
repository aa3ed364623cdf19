// proctex: generate procedural material sets from the command line.
//   proctex [--preset NAME] [options] OUT.png   one material
//   proctex --starting-values                   the starting values as JSON
//   proctex --list-presets                      the named materials
//   proctex gallery DIR                         contact sheets of presets and types
//   proctex batch MANIFEST.json [--jobs N]      many materials on worker threads
//        [--report FILE.json] [--check]
//   proctex studio [--port N] [--open]          choose a material by eye in a browser
//   proctex validate BASE.png                   check a written set as PBR validators do
#include <CLI/CLI.hpp>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "dask_batch.h"
#include "gallery.h"
#include "manifest.h"
#include "options.h"
#include "platform.h"
#include "presets.h"
#include "progress.h"
#include "render_progress.h"
#include "report.h"
#include "sidecar.h"
#include "studio/server.h"
#include "suggest.h"
#include "validate.h"

namespace {

using namespace proctex::cli;

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

    CLI::App* validateCommand = nullptr;
    std::string validateBase;
};

// Checks with our own words (the parser's would otherwise speak): each
// returns an empty string when the value fits, else what is accepted.
std::function<std::string(const std::string&)> oneOf(std::vector<std::string> names) {
    return [names](const std::string& value) {
        if (std::find(names.begin(), names.end(), value) != names.end()) return std::string();
        std::string list;
        for (const std::string& n : names) list += (list.empty() ? "" : ", ") + n;
        const std::string near = closestName(value, names);
        return "must be one of " + list + " (got '" + value + "'" +
               (near.empty() ? std::string() : "; did you mean " + near + "?") + ")";
    };
}

std::function<std::string(const std::string&)> wholeNumberIn(long long lo, long long hi) {
    return [lo, hi](const std::string& value) {
        long long v = 0;
        const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), v);
        if (ec == std::errc() && end == value.data() + value.size() && v >= lo && v <= hi) {
            return std::string();
        }
        return "must be a whole number from " + std::to_string(lo) + " to " + std::to_string(hi) +
               " (got '" + value + "')";
    };
}

std::string existingFile(const std::string& path) {
    std::error_code ec;
    // Not only regular files: a record may come through a pipe.
    const std::filesystem::path file = pathFromUtf8(path);
    if (std::filesystem::exists(file, ec) && !std::filesystem::is_directory(file, ec)) return {};
    return "no file " + path;
}

// The help line of a field: the library's, with the named values of a choice.
std::string fieldHelp(const Field& f) {
    if (isChoice(f)) return std::string(f.help) + ": " + acceptedValues(f);
    if (isFlag(f)) return std::string(f.help) + " (true or false)";
    return f.help;
}

void addMaterialOptions(CLI::App& app, Request& request) {
    const ProctexSettings defaults = defaultSettings();
    for (std::size_t i = 0; i < fields().size(); ++i) {
        const Field& f = fields()[i];
        // Read as text and converted by us, so that every message is ours.
        CLI::Option* option =
            app.add_option(std::string("--") + f.name, request.fieldTexts[i], fieldHelp(f))
                ->type_name(isFlag(f)     ? "BOOL"
                            : isChoice(f) ? "NAME"
                            : isColors(f) ? "#RRGGBB@POS,..."
                            : isNumber(f) ? "NUMBER"
                                          : "INT")
                ->default_str(isFlag(f) ? (fieldText(f, defaults) == "1" ? "true" : "false")
                                        : fieldDisplayText(f, defaults));
        request.fieldOptions.push_back(option);
    }
    app.add_option("--preset", request.presetName,
                   "Start from a named material; other options override it")
        ->check([](const std::string& name) {
            return findPreset(name) != nullptr ? std::string() : unknownPresetMessage(name);
        });
    app.add_option("--from", request.fromRecord,
                   "Start from a sidecar record (or any manifest item) written with --sidecar")
        ->check(existingFile);
    for (std::size_t i = 0; i < extraOutputs().size(); ++i) {
        const ExtraOutput& extra = extraOutputs()[i];
        app.add_flag_callback(
            std::string("--") + extra.name, [&request, i] { request.extraFlags[i] = true; },
            extra.help);
    }
    // The OpenGL normal's earlier name, still taken.
    if (const ExtraOutput* normalGl = findExtraOutput("opengl-normal")) {
        const std::size_t i = static_cast<std::size_t>(normalGl - extraOutputs().data());
        app.add_flag_callback("--opengl-normal", [&request, i] { request.extraFlags[i] = true; })
            ->group("");
    }
    std::vector<std::string> conventions;
    for (const NamingConvention& c : namingConventions()) conventions.emplace_back(c.name);
    app.add_option("--naming", request.naming,
                   "Name the maps as a tool expects: proctex (ours), ambientcg, unreal, "
                   "unity (with _MetallicSmoothness), hdrp (with _MaskMap) or godot")
        ->check(oneOf(conventions));
    app.add_option("--compression", request.compression,
                   "default: the PNG bytes of stb_image_write; small: about a third fewer "
                   "bytes, same pixels, slower")
        ->check(oneOf({"default", "small"}));
    app.add_option("--progress", request.renderProgress,
                   "A bar for a render that takes more than a second: auto (on a terminal), "
                   "bar or quiet")
        ->check(oneOf({"auto", "bar", "quiet"}));
    app.add_flag("--single-file", request.singleFile,
                 "Accept an output without .png, every map overwriting that one file");
    app.add_flag("--list-presets", request.listPresets, "List the named materials and exit");
    app.add_flag("--starting-values", request.printStartingValues,
                 "Print the starting values of the patterns and overlays as JSON and exit");
    app.add_option("--show-preset", request.showPresetName,
                   "Print the options of a preset and exit");
    app.add_option("output", request.material.output, "Output path, e.g. out/stone.png");
}

void addGalleryCommand(CLI::App& app, Request& request) {
    CLI::App* cmd =
        app.add_subcommand("gallery", "Contact sheets of every preset, pattern and overlay");
    cmd->add_option("dir", request.galleryDir, "Folder for the materials and sheets")->required();
    cmd->add_option("--size", request.gallery.tile, "Thumbnail edge in pixels")
        ->capture_default_str()
        ->check(wholeNumberIn(32, 1024));
    cmd->add_option("--jobs,-j", request.gallery.jobs, "Worker threads (0: one per core)")
        ->check(wholeNumberIn(0, 1024));
    cmd->add_option("--progress", request.galleryProgress, "auto, bar, lines or quiet")
        ->check(oneOf({"auto", "bar", "lines", "quiet"}));
    cmd->add_option("--maps-preset", request.gallery.mapsPreset,
                    "Preset shown with all of its maps on maps.png")
        ->capture_default_str()
        ->check([](const std::string& name) {
            return findPreset(name) != nullptr ? std::string() : unknownPresetMessage(name);
        });
    request.galleryCommand = cmd;
}

void addBatchCommand(CLI::App& app, Request& request) {
    CLI::App* cmd = app.add_subcommand("batch", "Generate every material of a JSON manifest");
    cmd->add_option("manifest", request.manifest, "JSON manifest, e.g. examples/presets.json")
        ->required();
    cmd->add_option("--jobs,-j", request.batchJobs, "Worker threads (0: one per core)")
        ->check(wholeNumberIn(0, 1024));
    cmd->add_option("--progress", request.batchProgress, "auto, bar, lines or quiet")
        ->check(oneOf({"auto", "bar", "lines", "quiet"}));
    cmd->add_option("--report", request.batchReport,
                    "Also write a JSON record of every material: settings, files, sizes, "
                    "SHA-256, seconds, worker, outcome");
    cmd->add_flag("--check", request.batchCheck,
                  "Only check the manifest: print each item as a JSON line (settings, files) "
                  "and write nothing");
    cmd->add_option("--dask", request.batchDask,
                    "Run on a Dask cluster: a scheduler's address (tcp://host:8786) or local:N "
                    "for N worker processes here; needs a Python with Dask");
    cmd->add_option("--timeout", request.batchTimeout,
                    "Seconds to wait for the Dask scheduler (with --dask)")
        ->check([](const std::string& value) {
            char* end = nullptr;
            const double v = std::strtod(value.c_str(), &end);
            return end == value.c_str() + value.size() && v > 0 && v <= 3600
                       ? std::string()
                       : "must be a number of seconds above 0, at most 3600 (got '" + value + "')";
        });
    request.batchCommand = cmd;
}

void addValidateCommand(CLI::App& app, Request& request) {
    CLI::App* cmd = app.add_subcommand(
        "validate",
        "Check a written set as PBR validators do: albedo ranges, metallic at 0 or "
        "1, unit normals facing out, occlusion, sizes; exit 0 when it passes");
    cmd->add_option("base", request.validateBase,
                    "The set's output path, e.g. out/stone.png (reads out/stone_diff.png, ...)")
        ->required();
    request.validateCommand = cmd;
}

// `request` must outlive `app`: the options write into it.
void buildParser(CLI::App& app, Request& request) {
    app.set_version_flag("--version", std::string("proctex ") + proctex_version());
    app.require_subcommand(0, 1);
    // Unknown arguments are collected and reported here, naming the option.
    app.allow_extras();
    // A later option overrides an earlier one, so a printed preset line can be
    // extended: $(proctex --show-preset lava) --seed 5
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
    addMaterialOptions(app, request);
    addGalleryCommand(app, request);
    addBatchCommand(app, request);
    addValidateCommand(app, request);
    studio::addStudioCommand(app, request.studio);
    // Set last: subcommands made before would copy it into their own help.
    app.footer(startingValuesHelp() +
               "Exit status: 0 success, 1 a call or a batch item failed, 2 a usage or manifest "
               "error, 130 interrupted.");
}

// Every long option of the tool and its subcommands, without "--".
std::vector<std::string> longOptionNames(const CLI::App& app) {
    std::vector<std::string> names;
    for (const CLI::Option* option : app.get_options()) {
        for (const std::string& name : option->get_lnames()) names.push_back(name);
    }
    for (const CLI::App* sub : app.get_subcommands({})) {
        for (const std::string& name : longOptionNames(*sub)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    names.erase(std::unique(names.begin(), names.end()), names.end());
    return names;
}

// Words people try for an option that has another name here.
std::string synonym(std::string_view typed) {
    static constexpr std::pair<std::string_view, std::string_view> kSynonyms[] = {
        {"colour", "material"}, {"color", "material"},  {"palette", "material"},
        {"size", "width"},      {"tiling", "tileable"}, {"threads", "jobs"},
    };
    for (const auto& [word, name] : kSynonyms) {
        if (typed == word) return std::string(name);
    }
    return {};
}

bool looksLikeNumber(const std::string& arg) {
    char* end = nullptr;
    std::strtod(arg.c_str(), &end);
    return !arg.empty() && end == arg.c_str() + arg.size();
}

// What CLI11 could not place: an unknown option (named, with the nearest
// known one), or more than one output path (the last one is the output).
std::string leftoverProblem(const CLI::App& app, const Request& request) {
    std::vector<std::string> left = app.remaining(true);
    std::erase(left, "--");  // the end of the options, before paths that start with '-'
    for (const std::string& arg : left) {
        if (arg.size() < 2 || arg[0] != '-' || looksLikeNumber(arg)) continue;
        const std::size_t dashes = std::min(arg.find_first_not_of('-'), arg.size());
        const std::string bare = arg.substr(dashes);
        const std::string typed = bare.substr(0, bare.find('='));
        std::string near = synonym(typed);
        if (near.empty()) near = closestName(typed, longOptionNames(app));
        std::string message = "unknown option " + arg.substr(0, arg.find('='));
        if (!near.empty()) message += " (did you mean --" + near + "?)";
        return message + "; see --help";
    }
    if (left.empty()) return {};
    if (request.material.output.empty()) return "unexpected argument '" + left.front() + "'";
    // CLI11 gives the first loose word to the output; the others are left.
    return "unexpected argument '" + request.material.output + "' before the output " +
           left.back() + " (an option takes one value; see --help)";
}

ProgressStyle progressStyle(const std::string& choice) {
    if (choice == "bar") return ProgressStyle::Bar;
    if (choice == "lines") return ProgressStyle::Lines;
    if (choice == "quiet") return ProgressStyle::Quiet;
    return stdoutIsTerminal() ? ProgressStyle::Bar : ProgressStyle::Lines;
}

bool anyMaterialOption(const Request& request) {
    return !request.presetName.empty() || !request.material.output.empty() ||
           !request.fromRecord.empty() || !request.naming.empty() || !request.compression.empty() ||
           std::any_of(request.extraFlags.begin(), request.extraFlags.end(),
                       [](bool on) { return on; }) ||
           std::any_of(request.fieldOptions.begin(), request.fieldOptions.end(),
                       [](const CLI::Option* opt) { return opt->count() > 0; });
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
            const char* quote = isColors(f) ? "\"" : "";  // '#' would start a shell comment
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
    if ((gallery || request.batchCommand->parsed()) && anyMaterialOption(request)) {
        std::cerr << "proctex: material options go with a single OUT.png, not with "
                  << (gallery ? "gallery" : "batch") << " (a manifest sets them per item)\n";
        return 2;
    }
    if (request.studio.command->parsed()) return studio::runStudio(request.studio);
    if (request.listPresets) return listPresets();
    if (request.printStartingValues) {
        std::printf("%s\n", startingValuesJson().c_str());
        return 0;
    }
    if (!request.showPresetName.empty()) return showPreset(request.showPresetName);
    if (gallery) return runGalleryCommand(request);
    if (request.batchCommand->parsed()) return runBatchCommand(request);
    return runSingleMaterial(request);
}

// The parser's faults in our words: the option or argument, and what it takes.
std::string parseErrorText(const CLI::ParseError& e, const CLI::App& app) {
    const std::string what = e.what();
    const std::string name = what.substr(0, what.find(':'));
    if (dynamic_cast<const CLI::ValidationError*>(&e) != nullptr) return what;  // our checks' text
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e) != nullptr) {
        return name + " needs a value; see --help";
    }
    if (dynamic_cast<const CLI::RequiredError*>(&e) != nullptr) {
        for (const CLI::App* sub : app.get_subcommands()) {
            for (const CLI::Option* option : sub->get_options()) {
                if (option->get_required() && option->count() == 0) {
                    return sub->get_name() + " needs its " + option->get_name() +
                           " argument; see proctex " + sub->get_name() + " --help";
                }
            }
        }
        return "a required argument is missing; see --help";
    }
    return "cannot read the command line (" + name + "); see --help";
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
