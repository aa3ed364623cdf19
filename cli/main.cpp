// proctex: generate procedural material sets from the command line.
//   proctex [--preset NAME] [options] OUT.png   one material
//   proctex --list-presets                      the named materials
//   proctex gallery DIR                         contact sheets of presets and types
//   proctex batch MANIFEST.json [--jobs N]      many materials on worker threads
#include <sys/ioctl.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <clocale>
#include <cstdio>
#include <iostream>
#include <string>

#include "batch.h"
#include "gallery.h"
#include "options.h"
#include "presets.h"

namespace {

using namespace proctex::cli;

void listPresets() {
    std::size_t width = 0;
    for (const Preset& p : presets()) width = std::max(width, std::string(p.name).size());
    for (const Preset& p : presets()) {
        std::printf("%-*s  %s\n", static_cast<int>(width), p.name, p.description);
    }
}

// The options that differ from the tool's defaults, as a command line.
void showPreset(const Preset& preset) {
    const Options defaults;
    std::printf("proctex");
    for (const Field& f : fields()) {
        const std::string value = fieldText(f, preset.options);
        if (value != fieldText(f, defaults)) std::printf(" --%s %s", f.name, value.c_str());
    }
    std::printf(" OUT.png\n");
}

int terminalColumns() {
    winsize size{};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 20) return size.ws_col;
    return 80;
}

ProgressStyle progressStyle(const std::string& choice) {
    if (choice == "bar") return ProgressStyle::Bar;
    if (choice == "lines") return ProgressStyle::Lines;
    if (choice == "quiet") return ProgressStyle::Quiet;
    return isatty(STDOUT_FILENO) ? ProgressStyle::Bar : ProgressStyle::Lines;
}

int generateOne(const Options& o) {
    const Outcome outcome = generate(o);
    for (const auto& f : outcome.files) std::printf("%s\n", f.c_str());
    std::fflush(stdout);
    if (!outcome.ok) {
        std::cerr << "proctex: " << outcome.error << "\n";
        // Failures found before the call are usage errors.
        return outcome.called ? 1 : 2;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::setlocale(LC_ALL, "");

    CLI::App app{"proctex: procedural PBR material textures"};
    app.set_version_flag("--version", std::string("proctex ") + PROCTEX_VERSION);
    app.require_subcommand(0, 1);
    // A later option overrides an earlier one, so a printed preset line can be
    // extended: $(proctex --show-preset lava) --seed 5
    app.option_defaults()->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);

    Options parsed;
    std::vector<CLI::Option*> fieldOptions;
    for (const Field& f : fields()) {
        std::visit(
            [&](auto member) {
                fieldOptions.push_back(
                    app.add_option(std::string("--") + f.name, parsed.*member, f.help)
                        ->capture_default_str());
            },
            f.member);
    }
    std::string presetName;
    app.add_option("--preset", presetName, "Start from a named material; other options override it")
        ->check([](const std::string& name) {
            return findPreset(name) != nullptr
                       ? std::string()
                       : "no preset is called '" + name + "' (see --list-presets)";
        });
    bool list = false;
    app.add_flag("--list-presets", list, "List the named materials and exit");
    std::string showName;
    app.add_option("--show-preset", showName, "Print the options of a preset and exit");
    app.add_option("output", parsed.output, "Output path, e.g. out/stone.png");

    GallerySettings gallery;
    std::string galleryProgress = "auto";
    CLI::App* galleryCmd =
        app.add_subcommand("gallery", "Contact sheets of every preset, pattern and overlay");
    galleryCmd->add_option("dir", gallery.dir, "Folder for the materials and sheets")->required();
    galleryCmd->add_option("--size", gallery.tile, "Thumbnail edge in pixels")
        ->capture_default_str()
        ->check(CLI::Range(32, 1024));
    galleryCmd->add_option("--jobs,-j", gallery.jobs, "Worker threads (0: one per core)")
        ->check(CLI::NonNegativeNumber);
    galleryCmd->add_option("--progress", galleryProgress, "auto, bar, lines or quiet")
        ->check(CLI::IsMember({"auto", "bar", "lines", "quiet"}));

    std::string manifest;
    int jobs = 0;
    std::string batchProgress = "auto";
    CLI::App* batchCmd = app.add_subcommand("batch", "Generate every material of a JSON manifest");
    batchCmd->add_option("manifest", manifest, "JSON manifest, e.g. examples/presets.json")
        ->required();
    batchCmd->add_option("--jobs,-j", jobs, "Worker threads (0: one per core)")
        ->check(CLI::NonNegativeNumber);
    batchCmd->add_option("--progress", batchProgress, "auto, bar, lines or quiet")
        ->check(CLI::IsMember({"auto", "bar", "lines", "quiet"}));

    CLI11_PARSE(app, argc, argv);

    bool anyField = false;
    for (const CLI::Option* opt : fieldOptions) anyField = anyField || opt->count() > 0;
    const bool subcommand = galleryCmd->parsed() || batchCmd->parsed();
    if (subcommand && (anyField || !presetName.empty() || !parsed.output.empty())) {
        std::cerr << "proctex: material options go with a single OUT.png, not with "
                  << (galleryCmd->parsed() ? "gallery" : "batch")
                  << " (a manifest sets them per item)\n";
        return 2;
    }

    if (list) {
        listPresets();
        return 0;
    }
    if (!showName.empty()) {
        const Preset* preset = findPreset(showName);
        if (preset == nullptr) {
            std::cerr << "proctex: no preset is called '" << showName << "' (see --list-presets)\n";
            return 2;
        }
        showPreset(*preset);
        return 0;
    }

    if (galleryCmd->parsed()) {
        gallery.progress = progressStyle(galleryProgress);
        gallery.columns = terminalColumns();
        return runGallery(gallery, stdout, stderr);
    }

    if (batchCmd->parsed()) {
        std::vector<BatchItem> items;
        try {
            items = loadManifest(manifest);
        } catch (const ManifestError& e) {
            std::cerr << "proctex batch: " << manifest << ": " << e.what() << "\n";
            return 2;
        }
        ProgressPrinter printer(stdout, progressStyle(batchProgress), terminalColumns());
        const BatchSummary summary = runBatch(items, jobs, &printer);
        return summary.failed > 0 ? 1 : 0;
    }

    if (parsed.output.empty()) {
        std::cerr << "proctex: give an output path, e.g. proctex out/stone.png (see --help)\n";
        return 2;
    }
    Options o = parsed;
    if (const Preset* preset = findPreset(presetName)) {
        // The preset, then whatever the command line says explicitly.
        o = preset->options;
        for (std::size_t i = 0; i < fieldOptions.size(); ++i) {
            if (fieldOptions[i]->count() > 0) copyField(fields()[i], parsed, o);
        }
        o.output = parsed.output;
    }
    return generateOne(o);
}
