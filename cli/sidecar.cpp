#include "sidecar.h"

#include <proctex.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <nlohmann/json.hpp>

#include "platform.h"
#include "sha256.h"

namespace proctex::cli {

namespace {

using nlohmann::ordered_json;

// The value as the command line writes it, as a JSON number that reads back
// to the same float or int.
ordered_json fieldValue(const Field& field, const Options& o) {
    return ordered_json::parse(fieldText(field, o));
}

ordered_json fileRecord(const std::string& path) {
    std::ifstream in(pathFromUtf8(path), std::ios::binary);
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                     std::istreambuf_iterator<char>());
    ordered_json record;
    record["name"] = utf8FromPath(pathFromUtf8(path).filename());
    record["bytes"] = bytes.size();
    record["sha256"] = sha256Hex(bytes.data(), bytes.size());
    return record;
}

}  // namespace

std::string sidecarText(const Options& o, const std::vector<std::string>& files) {
    ordered_json record;
    record["proctex"] = proctex_version();
    for (const Field& f : fields()) record[f.name] = fieldValue(f, o);
    for (const ExtraOutput& e : extraOutputs()) record[e.name] = extraOutputIsSet(e, o);
    record["naming"] = o.naming;
    record["compression"] = smallFiles(o) ? "small" : "default";
    ordered_json list = ordered_json::array();
    for (const std::string& file : files) list.push_back(fileRecord(file));
    record["files"] = list;
    return record.dump(2) + "\n";
}

bool writeSidecar(const std::string& path, const Options& o,
                  const std::vector<std::string>& files) {
    const std::string text = sidecarText(o, files);
    std::FILE* out = openFile(path, "wb");
    if (out == nullptr) return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), out) == text.size();
    return std::fclose(out) == 0 && written;
}

}  // namespace proctex::cli
