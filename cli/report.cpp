#include "report.h"

#include <proctex.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "file_write.h"
#include "sha256.h"
#include "sidecar.h"

namespace proctex::cli {

namespace {

using nlohmann::ordered_json;

ordered_json settingsRecord(const Options& o) {
    ordered_json record = ordered_json::parse(sidecarText(o, {}));
    record.erase("files");
    return record;
}

ordered_json fileRecord(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    ordered_json record;
    record["path"] = path;
    record["bytes"] = bytes.size();
    record["sha256"] = sha256Hex(bytes.data(), bytes.size());
    return record;
}

}  // namespace

std::string checkedItemsText(const std::vector<BatchItem>& items) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const Options& o = items[i].options;
        ordered_json line;
        line["item"] = i + 1;
        line["name"] = items[i].name;
        line["output"] = o.output;
        line["settings"] = settingsRecord(o);
        line["maps"] = mapsToMake(o);
        line["save_flags"] = o.saveFlags;
        line["files"] = outputFiles(o);
        ordered_json copies = ordered_json::array();
        for (const auto& [from, to] : conventionCopies(o)) copies.push_back({from, to});
        line["copies"] = copies;
        line["sidecar"] = o.sidecar ? ordered_json(sidecarPath(o.output)) : ordered_json();
        text += line.dump() + "\n";
    }
    return text;
}

std::string reportText(const std::vector<BatchItem>& items, const BatchSummary& summary) {
    ordered_json report;
    report["proctex"] = proctex_version();
    report["runner"] = "threads";
    report["jobs"] = summary.jobs;
    report["seconds"] = summary.seconds;
    report["failed"] = summary.failed;
    ordered_json materials = ordered_json::array();
    for (std::size_t i = 0; i < items.size() && i < summary.results.size(); ++i) {
        const ItemResult& r = summary.results[i];
        ordered_json m;
        m["item"] = i + 1;
        m["name"] = items[i].name;
        m["output"] = items[i].options.output;
        m["settings"] = settingsRecord(items[i].options);
        ordered_json files = ordered_json::array();
        for (const auto& f : r.files) files.push_back(fileRecord(f));
        m["files"] = files;
        m["seconds"] = r.seconds;
        m["worker"] = "thread " + std::to_string(r.worker);
        m["outcome"] = r.ok ? "written" : "failed";
        m["error"] = r.ok ? ordered_json() : ordered_json(r.error);
        materials.push_back(m);
    }
    report["materials"] = materials;
    return report.dump(2) + "\n";
}

bool writeFileAtomically(const std::string& path, const std::string& text, std::string& error) {
    const std::string reason = replaceFileWith(path, text);
    if (reason.empty()) return true;
    error = "cannot write " + path + ": " + reason;
    return false;
}

}  // namespace proctex::cli
