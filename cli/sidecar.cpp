#include "sidecar.h"

#include <proctex.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "file_write.h"
#include "sha256.h"

namespace proctex::cli {

namespace {

using nlohmann::ordered_json;

// The value as the command line writes it, as a JSON number that reads back
// to the same float or int; a text option, and a non-finite value (which
// JSON cannot hold as a number), as its text.
ordered_json fieldValue(const Field& field, const Options& o) {
    const std::string text = fieldText(field, o);
    if (isText(field)) return text;
    ordered_json value = ordered_json::parse(text, nullptr, false);
    return value.is_number() ? value : ordered_json(text);
}

ordered_json fileRecord(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    ordered_json record;
    record["name"] = std::filesystem::path(path).filename().string();
    record["bytes"] = bytes.size();
    record["sha256"] = sha256Hex(bytes.data(), bytes.size());
    return record;
}

}  // namespace

std::string sidecarText(const Options& o, const std::vector<std::string>& files) {
    ordered_json record;
    record["proctex"] = proctex_version();
    for (const Field& f : fields()) {
        if (!isText(f) || !fieldText(f, o).empty()) record[f.name] = fieldValue(f, o);
    }
    for (const ExtraOutput& e : extraOutputs()) record[e.name] = extraOutputIsSet(e, o);
    record["naming"] = o.naming;
    record["compression"] = smallFiles(o) ? "small" : "default";
    ordered_json list = ordered_json::array();
    for (const std::string& file : files) list.push_back(fileRecord(file));
    record["files"] = list;
    return record.dump(2) + "\n";
}

std::string writeSidecar(const std::string& path, const Options& o,
                         const std::vector<std::string>& files) {
    for (const Field& f : fields()) {
        if (!isText(f) && !fieldValue(f, o).is_number()) {
            return std::string("a record cannot hold ") + f.name + " = " + fieldText(f, o) +
                   " (JSON numbers are finite)";
        }
    }
    return replaceFileWith(path, sidecarText(o, files));
}

std::vector<std::string> recordComparison(
    const std::string& recordVersion,
    const std::vector<std::pair<std::string, std::string>>& recorded, const std::string& output,
    const std::vector<std::string>& files) {
    std::vector<std::string> lines;
    // A manifest item read with --from names neither: nothing to compare.
    if (!recordVersion.empty() && recordVersion != proctex_version()) {
        lines.push_back("the record was written by proctex " + recordVersion + ", this is " +
                        proctex_version() + ": its files may differ");
    }
    if (recorded.empty()) return lines;
    // A record names its files after its own output: compare what follows
    // each output's base name ("_diff.png", ".gltf", ...).
    std::string recordBase;
    for (const auto& [name, sha] : recorded) {
        const std::size_t k = name.rfind("_diff.png");
        if (k != std::string::npos && k + 9 == name.size()) recordBase = name.substr(0, k);
    }
    const std::string base = std::filesystem::path(output).filename().string();
    const std::string ourBase = base.substr(0, base.rfind(".png"));
    for (const std::string& file : files) {
        const std::string name = std::filesystem::path(file).filename().string();
        if (name.rfind(ourBase, 0) != 0 || name == ourBase + ".json") continue;
        const std::string tail = name.substr(ourBase.size());
        const std::string* sha = nullptr;
        for (const auto& [theirs, hash] : recorded) {
            if (!recordBase.empty() && theirs == recordBase + tail) sha = &hash;
        }
        std::ifstream in(file, std::ios::binary);
        const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                         std::istreambuf_iterator<char>());
        if (sha == nullptr) {
            lines.push_back(file + ": not in the record");
        } else if (*sha == sha256Hex(bytes.data(), bytes.size())) {
            lines.push_back(file + ": the same as the record's");
        } else {
            lines.push_back(file + ": differs from the record's " + recordBase + tail);
        }
    }
    return lines;
}

}  // namespace proctex::cli
