// The proctex_ exports: settings, presets, maps in memory, saving, encoding.
// Each catches everything, so no exception reaches a C caller.
#include <proctex.h>

#include <climits>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "api/output_paths.h"
#include "api/pipeline.h"
#include "api/presets.h"
#include "api/settings.h"
#include "core/forced_unwind.h"
#include "core/progress.h"
#include "output/png16.h"
#include "output/png_writer.h"
#include "settings/option_table.h"

struct ProctexMaps {
    proctex::MapSet set;
};

namespace {

using proctex::copyReason;

constexpr std::size_t kMaxPathBytes = 511;

int fail(int status, const std::string& reason, char* buffer, std::size_t size) {
    copyReason(reason, buffer, size);
    return status;
}

int outOfMemory(char* buffer, std::size_t size) {
    return fail(PROCTEX_ERROR_MEMORY, "out of memory", buffer, size);
}

const proctex::ByteImage* byteMap(const ProctexMaps* maps, int map) {
    if (maps == nullptr || map < 0 || map >= proctex::kImageSlotCount) return nullptr;
    const proctex::ByteImage& image = maps->set.images[static_cast<std::size_t>(map)];
    return image.present() ? &image : nullptr;
}

void setIf(int* out, int value) {
    if (out != nullptr) *out = value;
}

bool holdsGltfMaps(const proctex::MapSet& set) {
    return set.images[PROCTEX_MAP_DIFFUSE].present() &&
           set.images[PROCTEX_MAP_NORMAL_GL].present() && set.images[PROCTEX_MAP_ORM].present();
}

// stb indexes rows and sizes its buffers with int arithmetic, and grows its
// output by doubling: keep every product it forms well inside an int.
bool encodableShape(int width, int height, int channels, int stride) {
    if (width <= 0 || height <= 0 || channels < 1 || channels > 4) return false;
    const int64_t row = int64_t{width} * channels;
    if (stride < row) return false;
    constexpr int64_t kLimit = int64_t{1} << 30;
    return (row + 1) * height <= kLimit && int64_t{stride} * height <= kLimit;
}

// The caller's callback as the current call's progress, on this thread and
// (through the pipeline's jobs) on every thread working for the call.
class Following {
public:
    Following(ProctexProgress callback, void* user)
        : progress_(callback, user),
          scope_(callback != nullptr ? &progress_ : nullptr),
          active_(callback != nullptr) {}
    void finish() {
        if (active_) progress_.finish();
    }

private:
    proctex::CallProgress progress_;
    proctex::ProgressScope scope_;
    bool active_;
};

}  // namespace

extern "C" {

PROCTEX_API int PROCTEX_CALL proctex_settings_defaults(ProctexSettings* settings, size_t size) {
    return proctex::writeCallerSettings(
        proctex::sizeCoversPbr(size) ? proctex::defaultSettings() : proctex::legacySettings(),
        settings, size);
}

PROCTEX_API int PROCTEX_CALL proctex_settings_check(const ProctexSettings* settings, char* reason,
                                                    size_t size) {
    try {
        ProctexSettings s;
        std::string why;
        int status = proctex::readCallerSettings(settings, s, why);
        if (status == PROCTEX_OK) status = proctex::checkApiSettings(s, why);
        copyReason(why, reason, size);
        return status;
    }
    PROCTEX_PASS_FORCED_UNWIND catch (...) {
        return outOfMemory(reason, size);
    }
}

PROCTEX_API int PROCTEX_CALL proctex_settings_refusal(const ProctexSettings* settings, int* option,
                                                      char* reason, size_t size) {
    if (option != nullptr) *option = -1;
    try {
        ProctexSettings s;
        std::string why;
        int status = proctex::readCallerSettings(settings, s, why);
        if (status == PROCTEX_OK) {
            status = proctex::checkApiSettings(s, why);
            if (status != PROCTEX_OK && option != nullptr) *option = proctex::optionNamedBy(why);
        }
        copyReason(why, reason, size);
        return status;
    }
    PROCTEX_PASS_FORCED_UNWIND catch (...) {
        return outOfMemory(reason, size);
    }
}

PROCTEX_API int PROCTEX_CALL proctex_preset_count(void) {
    return static_cast<int>(proctex::presets().size());
}

PROCTEX_API const char* PROCTEX_CALL proctex_preset_name(int index) {
    if (index < 0 || index >= proctex_preset_count()) return nullptr;
    return proctex::presets()[static_cast<std::size_t>(index)].name;
}

PROCTEX_API const char* PROCTEX_CALL proctex_preset_description(int index) {
    if (index < 0 || index >= proctex_preset_count()) return nullptr;
    return proctex::presets()[static_cast<std::size_t>(index)].description;
}

PROCTEX_API int PROCTEX_CALL proctex_preset_settings(const char* name, ProctexSettings* settings,
                                                     size_t size) {
    const proctex::Preset* preset = proctex::findPreset(name);
    if (preset == nullptr) return PROCTEX_ERROR_ARGUMENT;
    return proctex::writeCallerSettings(
        proctex::presetSettings(*preset, proctex::sizeCoversPbr(size)), settings, size);
}

PROCTEX_API int PROCTEX_CALL proctex_generate(const ProctexSettings* settings, unsigned maps,
                                              ProctexMaps** result, char* reason, size_t size) {
    return proctex_generate_progress(settings, maps, result, nullptr, nullptr, reason, size);
}

PROCTEX_API int PROCTEX_CALL proctex_generate_progress(const ProctexSettings* settings,
                                                       unsigned maps, ProctexMaps** result,
                                                       ProctexProgress progress, void* user,
                                                       char* reason, size_t size) {
    if (result == nullptr) {
        return fail(PROCTEX_ERROR_ARGUMENT, "result is a null pointer", reason, size);
    }
    *result = nullptr;
    try {
        ProctexSettings s;
        std::string why;
        int status = proctex::readCallerSettings(settings, s, why);
        if (status == PROCTEX_OK) status = proctex::checkApiSettings(s, why);
        if (status != PROCTEX_OK) return fail(status, why, reason, size);
        if (maps == PROCTEX_MAPS_AS_SETTINGS) maps = proctex::mapsAsSettings(s);
        Following following(progress, user);
        *result = new ProctexMaps{
            proctex::computeMaps(s, maps & (PROCTEX_MAPS_ALL | PROCTEX_KEEP_LAYER_MASKS))};
        following.finish();
        copyReason({}, reason, size);
        return PROCTEX_OK;
    } catch (const proctex::CallCancelled&) {
        return fail(PROCTEX_CANCELLED, "cancelled by the progress callback", reason, size);
    } catch (const std::bad_alloc&) {
        return outOfMemory(reason, size);
    }
    PROCTEX_PASS_FORCED_UNWIND catch (...) {
        // Containers report impossible sizes with length_error: memory too.
        return outOfMemory(reason, size);
    }
}

PROCTEX_API const unsigned char* PROCTEX_CALL proctex_maps_pixels(const ProctexMaps* maps, int map,
                                                                  int* width, int* height,
                                                                  int* channels) {
    const proctex::ByteImage* image = byteMap(maps, map);
    if (image == nullptr) return nullptr;
    setIf(width, image->width);
    setIf(height, image->height);
    setIf(channels, image->channels);
    return image->pixels.get();
}

PROCTEX_API const float* PROCTEX_CALL proctex_maps_height(const ProctexMaps* maps, int* width,
                                                          int* height) {
    if (maps == nullptr || !maps->set.hasHeightField) return nullptr;
    setIf(width, maps->set.width);
    setIf(height, maps->set.height);
    return maps->set.heightField.data();
}

PROCTEX_API const unsigned char* PROCTEX_CALL proctex_maps_layer_mask(const ProctexMaps* maps,
                                                                      int layer, int* width,
                                                                      int* height) {
    if (maps == nullptr || layer < 0 ||
        static_cast<std::size_t>(layer) >= maps->set.layerMasks.size()) {
        return nullptr;
    }
    setIf(width, maps->set.width);
    setIf(height, maps->set.height);
    return maps->set.layerMasks[static_cast<std::size_t>(layer)].data();
}

PROCTEX_API const unsigned short* PROCTEX_CALL proctex_maps_height16(const ProctexMaps* maps,
                                                                     int* width, int* height) {
    if (maps == nullptr || maps->set.height16.empty()) return nullptr;
    setIf(width, maps->set.width);
    setIf(height, maps->set.height);
    return maps->set.height16.data();
}

PROCTEX_API void PROCTEX_CALL proctex_maps_free(ProctexMaps* maps) {
    delete maps;
}

PROCTEX_API int PROCTEX_CALL proctex_save(const ProctexMaps* maps, const char* path, char* reason,
                                          size_t size) {
    return proctex_save_files(maps, path, 0, reason, size);
}

PROCTEX_API int PROCTEX_CALL proctex_save_files(const ProctexMaps* maps, const char* path,
                                                unsigned flags, char* reason, size_t size) {
    return proctex_save_files_progress(maps, path, flags, nullptr, nullptr, reason, size);
}

PROCTEX_API int PROCTEX_CALL proctex_save_files_progress(const ProctexMaps* maps, const char* path,
                                                         unsigned flags, ProctexProgress progress,
                                                         void* user, char* reason, size_t size) {
    if (maps == nullptr || path == nullptr) {
        return fail(PROCTEX_ERROR_ARGUMENT,
                    maps == nullptr ? "maps is a null pointer" : "path is a null pointer", reason,
                    size);
    }
    try {
        const std::size_t length = std::strlen(path);
        if (length == 0) return fail(PROCTEX_ERROR_PATH, "path is empty", reason, size);
        if (length > kMaxPathBytes) {
            return fail(PROCTEX_ERROR_PATH,
                        "path must be at most 511 bytes (got " + std::to_string(length) + ")",
                        reason, size);
        }
        if ((flags & (PROCTEX_SAVE_GLTF | PROCTEX_SAVE_GLB)) != 0 && !holdsGltfMaps(maps->set)) {
            return fail(
                PROCTEX_ERROR_ARGUMENT,
                "the glTF material needs the diffuse, OpenGL normal and ORM maps "
                "(PROCTEX_MAP_DIFFUSE, PROCTEX_MAP_NORMAL_GL, PROCTEX_MAP_ORM) in the result",
                reason, size);
        }
        Following following(progress, user);
        const proctex::SaveOutcome outcome = proctex::saveMaps(maps->set, path, flags);
        if (outcome.status == PROCTEX_OK) following.finish();
        copyReason(outcome.reason, reason, size);
        return outcome.status;
    } catch (const proctex::CallCancelled&) {
        return fail(PROCTEX_CANCELLED, "cancelled by the progress callback", reason, size);
    }
    PROCTEX_PASS_FORCED_UNWIND catch (...) {
        return outOfMemory(reason, size);
    }
}

PROCTEX_API int PROCTEX_CALL proctex_map_path(const char* path, int map, char* out, size_t size) {
    const char* suffix = proctex::mapFileSuffix(map);
    if (out != nullptr && size > 0) out[0] = '\0';
    if (path == nullptr || out == nullptr || suffix == nullptr) return PROCTEX_ERROR_ARGUMENT;
    try {
        const std::string file = proctex::deriveOutputPath(path, suffix);
        if (file.size() >= size) return PROCTEX_ERROR_ARGUMENT;
        std::memcpy(out, file.c_str(), file.size() + 1);
        return PROCTEX_OK;
    }
    PROCTEX_PASS_FORCED_UNWIND catch (...) {
        return PROCTEX_ERROR_MEMORY;
    }
}

PROCTEX_API int PROCTEX_CALL proctex_encode_png(const unsigned char* pixels, int width, int height,
                                                int channels, int stride, unsigned char** bytes,
                                                size_t* length) {
    if (bytes != nullptr) *bytes = nullptr;
    if (length != nullptr) *length = 0;
    if (stride == 0 && width > 0 && channels > 0 && width <= INT_MAX / channels) {
        stride = width * channels;
    }
    if (pixels == nullptr || bytes == nullptr || length == nullptr ||
        !encodableShape(width, height, channels, stride)) {
        return PROCTEX_ERROR_ARGUMENT;
    }
    proctex::EncodedBytes png = proctex::encodePngBytes(pixels, width, height, channels, stride);
    if (png.empty()) return PROCTEX_ERROR_MEMORY;
    *length = png.size();
    *bytes = png.release();
    return PROCTEX_OK;
}

PROCTEX_API int PROCTEX_CALL proctex_encode_png16(const unsigned short* samples, int width,
                                                  int height, unsigned char** bytes,
                                                  size_t* length) {
    if (bytes != nullptr) *bytes = nullptr;
    if (length != nullptr) *length = 0;
    if (samples == nullptr || bytes == nullptr || length == nullptr ||
        !encodableShape(width, height, 2, width <= INT_MAX / 2 ? width * 2 : 0)) {
        return PROCTEX_ERROR_ARGUMENT;
    }
    proctex::EncodedBytes png = proctex::encodeGrey16Png(samples, width, height);
    if (png.empty()) return PROCTEX_ERROR_MEMORY;
    *length = png.size();
    *bytes = png.release();
    return PROCTEX_OK;
}

// Every buffer the library hands out comes from std::malloc (EncodedBytes::release).
PROCTEX_API void PROCTEX_CALL proctex_free(void* memory) {
    std::free(memory);
}

PROCTEX_API const char* PROCTEX_CALL proctex_version(void) {
    return PROCTEX_VERSION_TEXT;
}

}  // extern "C"
