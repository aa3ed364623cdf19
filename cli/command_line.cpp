#include "command_line.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "platform.h"
#include "presets.h"
#include "suggest.h"
#include "validate.h"

namespace proctex::cli {

namespace {

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

// When a field changes nothing unless another holds a value: " (only with
// --pbr false)".
std::string usedWithText(const Field& f) {
    if (f.info.usedWithOption < 0) return {};
    const Field& other = fields()[static_cast<std::size_t>(f.info.usedWithOption)];
    const int value = f.info.usedWithValue;
    std::string shown = std::to_string(value);
    if (isFlag(other)) shown = value != 0 ? "true" : "false";
    for (int i = 0; i < other.info.choiceCount; ++i) {
        if (other.info.choices[i].value == value) shown = other.info.choices[i].name;
    }
    return std::string(" (only with --") + other.name + " " + shown + ")";
}

// The help line of a field: the library's, with the named values of a choice.
std::string fieldHelp(const Field& f) {
    if (isChoice(f)) return std::string(f.help) + ": " + acceptedValues(f) + usedWithText(f);
    if (isFlag(f)) return std::string(f.help) + " (true or false)" + usedWithText(f);
    return f.help + usedWithText(f);
}

void addMaterialOptions(CLI::App& app, Request& request) {
    const ProctexSettings defaults = defaultSettings();
    for (std::size_t i = 0; i < fields().size(); ++i) {
        const Field& f = fields()[i];
        // Read as text and converted by us, so that every message is ours.
        // The layers' keys are a table of their own, listed by --help-layers.
        const std::string help =
            fieldHelp(f) + (f.info.kind == PROCTEX_KIND_LAYERS ? "; the keys: --help-layers" : "");
        CLI::Option* option =
            app.add_option(std::string("--") + f.name, request.fieldTexts[i], help)
                ->type_name(valueTypeName(f))
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
    std::string namingHelp = "Name the maps as a tool expects:";
    for (const NamingConvention& c : namingConventions()) {
        conventions.push_back(c.name);
        namingHelp += "\n  " + c.name + ": " + c.help;
    }
    app.add_option("--naming", request.naming, namingHelp)->check(oneOf(conventions));
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
    app.add_flag("--help-layers", request.helpLayers,
                 "List the keys of a layer (--layers) with their values and defaults, and exit");
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

void addRenderCommand(CLI::App& app, Request& request) {
    CLI::App* cmd = app.add_subcommand(
        "render", "Generate one material from a JSON file with the keys of a manifest item");
    cmd->add_option("material", request.renderMaterial,
                    "JSON object: \"preset\", options by their long names, \"output\"")
        ->required()
        ->check(existingFile);
    cmd->add_option("output", request.renderOutput, "Output path; replaces the file's \"output\"");
    cmd->add_option("--progress", request.renderProgress, "auto (on a terminal), bar or quiet")
        ->check(oneOf({"auto", "bar", "quiet"}));
    request.renderCommand = cmd;
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

}  // namespace

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
    addRenderCommand(app, request);
    addValidateCommand(app, request);
    studio::addStudioCommand(app, request.studio);
    // Set last: subcommands made before would copy it into their own help.
    app.footer(startingValuesHelp() +
               "Exit status: 0 success, 1 a call or a batch item failed, 2 a usage or manifest "
               "error, 130 interrupted.");
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
        // An option of the tool given after a subcommand that lacks it.
        if (const auto subs = app.get_subcommands(); near == typed && !subs.empty()) {
            const std::string sub = subs.front()->get_name();
            return "--" + typed + " is not an option of " + sub + "; see proctex " + sub +
                   " --help";
        }
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

bool anyMaterialOption(const Request& request) {
    return !request.presetName.empty() || !request.material.output.empty() ||
           !request.fromRecord.empty() || !request.naming.empty() || !request.compression.empty() ||
           std::any_of(request.extraFlags.begin(), request.extraFlags.end(),
                       [](bool on) { return on; }) ||
           std::any_of(request.fieldOptions.begin(), request.fieldOptions.end(),
                       [](const CLI::Option* opt) { return opt->count() > 0; });
}

}  // namespace proctex::cli
