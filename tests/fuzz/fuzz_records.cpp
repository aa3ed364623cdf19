// libFuzzer harness for the JSON the tool reads: batch manifests, sidecar
// records (--from) and the studio's settings. Any input gives items or a
// ManifestError, never another exception or a crash; an item read back from
// the record the tool writes for it has the same settings; the machine-
// readable item list is always valid JSON.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "manifest.h"
#include "options.h"
#include "report.h"
#include "sidecar.h"

namespace {

using namespace proctex::cli;

[[noreturn]] void fail(const char* what, const std::string& detail) {
    std::fprintf(stderr, "%s: %s\n", what, detail.c_str());
    std::abort();
}

// The record of an item's settings, read back, gives the same settings.
void checkRoundTrip(const Options& o) {
    const std::string record = sidecarText(o, {});
    Options back;
    try {
        back = parseMaterial(record);
    } catch (const ManifestError& e) {
        fail("a written record was refused", std::string(e.what()) + "\n" + record);
    }
    for (const Field& f : fields()) {
        if (fieldText(f, o) != fieldText(f, back))
            fail("a setting changed through its record", f.name);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const std::vector<BatchItem> items = parseManifest(text);
        const std::string lines = checkedItemsText(items);
        std::size_t start = 0;
        for (std::size_t end; (end = lines.find('\n', start)) != std::string::npos;
             start = end + 1) {
            if (!nlohmann::json::accept(lines.substr(start, end - start))) {
                fail("an item line is not JSON", lines.substr(start, end - start));
            }
        }
        for (const BatchItem& item : items) checkRoundTrip(item.options);
    } catch (const ManifestError&) {
    }
    try {
        checkRoundTrip(parseMaterial(text));
    } catch (const ManifestError&) {
    }
    try {
        (void)parseRecordFacts(text);
    } catch (const ManifestError&) {
    }
    return 0;
}
