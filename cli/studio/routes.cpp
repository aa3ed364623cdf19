#include "routes.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <chrono>
#include <fstream>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <sstream>

#include "catalog.h"
#include "manifest.h"
#include "platform.h"
#include "render.h"
#include "token.h"

namespace proctex::cli::studio {

namespace {

using nlohmann::json;

void sendError(httplib::Response& res, int status, const std::string& message) {
    res.status = status;
    // A message may quote a request's bytes: ill-formed UTF-8 there is shown
    // as U+FFFD rather than failing the answer.
    res.set_content(json{{"error", message}}.dump(-1, ' ', false, json::error_handler_t::replace),
                    "application/json");
}

// A refused request may still have a body on its way: close rather than
// read it as the next request.
void refuse(httplib::Response& res, int status, const std::string& message) {
    sendError(res, status, message);
    res.set_header("Connection", "close");
}

std::string givenToken(const httplib::Request& req) {
    if (req.has_header("X-Proctex-Token")) return req.get_header_value("X-Proctex-Token");
    return req.get_param_value("token");
}

// Host first (a page of another site reaching us through DNS rebinding sends
// its own name), then the token for everything under /api/.
httplib::Server::HandlerResponse checkRequest(const StudioState& state, const httplib::Request& req,
                                              httplib::Response& res) {
    // Two lengths: httplib reads the first, a proxy in front may have read
    // another, and the body's end is then anyone's guess.
    if (req.headers.count("Content-Length") > 1) {
        refuse(res, 400, "Content-Length is given more than once");
        return httplib::Server::HandlerResponse::Handled;
    }
    const std::string host = req.get_header_value("Host");
    if (std::find(state.hosts.begin(), state.hosts.end(), host) == state.hosts.end()) {
        refuse(res, 403, "Host \"" + host.substr(0, 80) + "\" is not served here");
        return httplib::Server::HandlerResponse::Handled;
    }
    if (req.path.rfind("/api/", 0) == 0 && !state.token.empty() &&
        !sameToken(givenToken(req), state.token)) {
        refuse(res, 403, "a valid token is required (the URL proctex studio printed)");
        return httplib::Server::HandlerResponse::Handled;
    }
    return httplib::Server::HandlerResponse::Unhandled;
}

// The page's files by URL; nothing else on disk is reachable.
struct Asset {
    const char* url;
    const char* file;  // under the assets folder
    const char* type;
};

constexpr Asset kAssets[] = {
    {"/", "index.html", "text/html; charset=utf-8"},
    {"/studio.css", "studio.css", "text/css; charset=utf-8"},
    {"/studio.js", "studio.js", "text/javascript; charset=utf-8"},
    {"/ramp.js", "ramp.js", "text/javascript; charset=utf-8"},
    {"/layers.js", "layers.js", "text/javascript; charset=utf-8"},
    {"/three/three.module.js", "three/three.module.js", "text/javascript; charset=utf-8"},
    {"/three/addons/controls/OrbitControls.js", "three/addons/controls/OrbitControls.js",
     "text/javascript; charset=utf-8"},
    {"/three/addons/environments/RoomEnvironment.js",
     "three/addons/environments/RoomEnvironment.js", "text/javascript; charset=utf-8"},
};

void serveAsset(const StudioState& state, const Asset& asset, httplib::Response& res) {
    std::ifstream in(state.assets / asset.file, std::ios::binary);
    if (!in) {
        sendError(res, 404,
                  std::string(asset.file) + " is missing from " + utf8FromPath(state.assets));
        return;
    }
    std::ostringstream bytes;
    bytes << in.rdbuf();
    res.set_content(bytes.str(), asset.type);
    res.set_header("Cache-Control", "no-cache");
}

// A page's render requests carry its id and a number that grows with each.
struct PageSequence {
    std::string page;
    std::uint64_t sequence = 0;
};

// Sequence numbers the page's JavaScript counts exactly (2^53); a larger one
// could only come from a script meaning to outrun every later request.
constexpr std::uint64_t kLargestSequence = std::uint64_t{1} << 53;

std::string pageSequence(const httplib::Request& req, PageSequence& out) {
    out.page = req.get_header_value("X-Proctex-Page");
    if (out.page.size() > 64 || !std::all_of(out.page.begin(), out.page.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '-';
        })) {
        return "X-Proctex-Page: up to 64 letters, digits or '-'";
    }
    const std::string seq = req.get_header_value("X-Proctex-Seq");
    if (seq.empty()) return {};
    const auto [end, ec] = std::from_chars(seq.data(), seq.data() + seq.size(), out.sequence);
    if (ec != std::errc() || end != seq.data() + seq.size() || out.sequence > kLargestSequence) {
        return "X-Proctex-Seq: a whole number from 0 to 2^53";
    }
    return {};
}

// The settings of a request body or the export's `settings` parameter.
bool readSettings(const std::string& text, Options& out, httplib::Response& res) {
    if (!isUtf8(text)) {
        sendError(res, 400, "the settings are not valid UTF-8 text");
        return false;
    }
    try {
        out = parseMaterial(text);
    } catch (const ManifestError& e) {
        sendError(res, 400, e.what());
        return false;
    }
    if (const std::string why = studioRefusal(out); !why.empty()) {
        sendError(res, 400, why);
        return false;
    }
    return true;
}

// One of the render slots, held for a scope.
class RenderSlot {
public:
    explicit RenderSlot(StudioState& state) : state_(state) { state_.slots.acquire(); }
    // A slot the caller has acquired already.
    RenderSlot(StudioState& state, std::adopt_lock_t) : state_(state) {}
    ~RenderSlot() { state_.slots.release(); }
    RenderSlot(const RenderSlot&) = delete;
    RenderSlot& operator=(const RenderSlot&) = delete;

private:
    StudioState& state_;
};

// The body, read here rather than by httplib, whose limit a chunked body
// passes; false (and a 413 sent) when it is larger than kMaxBody.
bool readBody(const httplib::Request& req, const httplib::ContentReader& reader, std::string& body,
              httplib::Response& res) {
    // A declared length over the limit is refused before anything is read.
    const std::string declared = req.get_header_value("Content-Length");
    std::uint64_t length = 0;
    const auto [end, ec] =
        std::from_chars(declared.data(), declared.data() + declared.size(), length);
    if ((ec == std::errc() && length > kMaxBody) || ec == std::errc::result_out_of_range) {
        refuse(res, 413, "the body is larger than 64 KiB");
        return false;
    }
    bool tooLarge = false;
    const bool read = reader([&](const char* data, std::size_t length) {
        if (length > kMaxBody - body.size()) {
            tooLarge = true;
            return false;
        }
        body.append(data, length);
        return true;
    });
    if (tooLarge) {
        refuse(res, 413, "the body is larger than 64 KiB");
        return false;
    }
    if (!read) {
        refuse(res, 400, "the body could not be read");
        return false;
    }
    return true;
}

void handleRender(StudioState& state, const httplib::Request& req, httplib::Response& res,
                  const httplib::ContentReader& reader) {
    std::string body;
    if (!readBody(req, reader, body, res)) return;
    PageSequence page;
    if (const std::string why = pageSequence(req, page); !why.empty()) {
        return sendError(res, 400, why);
    }
    Options o;
    if (!readSettings(body, o, res)) return;
    // Only a page's own requests can be stale: without a page id there is
    // nothing a number could be newer than.
    const bool ordered = !page.page.empty();
    const auto stale = [&] { sendError(res, 409, "a newer render of this page was asked for"); };
    if (ordered && !state.store.claim(page.page, page.sequence)) return stale();
    Render render;
    {
        const RenderSlot slot(state);
        // Waiting for the slot may have taken long enough for a newer request.
        if (ordered && !state.store.isNewest(page.page, page.sequence)) return stale();
        // A newer request of the page, or the studio stopping, drops this one
        // at once instead of letting it finish for nobody.
        // The layers' masks come too: the page shows each beside its layer.
        render = renderMaps(
            o,
            [&] {
                return !state.stopping &&
                       (!ordered || state.store.isNewest(page.page, page.sequence));
            },
            true);
    }
    if (render.dropped) {
        return state.stopping ? sendError(res, 503, "the studio is stopping") : stale();
    }
    if (!render.maps) return sendError(res, 400, render.error);
    if (ordered && !state.store.isNewest(page.page, page.sequence)) return stale();

    const std::uint64_t id =
        state.store.keep(page.page, render.maps,
                         static_cast<std::size_t>(o.width) * static_cast<std::size_t>(o.height));
    json answer;
    answer["id"] = id;
    answer["width"] = o.width;
    answer["height"] = o.height;
    answer["milliseconds"] = render.milliseconds;
    answer["maps"] = json::array();
    for (const StudioMap& m : studioMaps()) {
        // A map the material has none of (the glow of a stone) is not offered.
        const bool present =
            m.map == PROCTEX_MAP_HEIGHT16
                ? proctex_maps_height16(render.maps.get(), nullptr, nullptr) != nullptr
                : proctex_maps_pixels(render.maps.get(), m.map, nullptr, nullptr, nullptr) !=
                      nullptr;
        if (!present) continue;
        answer["maps"].push_back(
            {{"name", m.name},
             {"srgb", m.srgb},
             {"url", "/api/maps/" + std::to_string(id) + "/" + m.name + ".png"}});
    }
    // One small grey image per layer: where it shows.
    answer["masks"] = json::array();
    for (int layer = 0; layer < layerMaskCount(*render.maps); ++layer) {
        answer["masks"].push_back("/api/masks/" + std::to_string(id) + "/" + std::to_string(layer) +
                                  ".png");
    }
    res.set_content(answer.dump(), "application/json");
}

// How long a map waits for a render slot before it is told to come back.
constexpr auto kMapSlotWait = std::chrono::seconds(3);

void handleMap(StudioState& state, const httplib::Request& req, httplib::Response& res) {
    std::uint64_t id = 0;
    const std::string idText = req.matches[1];
    const auto [end, ec] = std::from_chars(idText.data(), idText.data() + idText.size(), id);
    const StudioMap* map = findStudioMap(req.matches[2].str());
    if (ec != std::errc() || end != idText.data() + idText.size() || map == nullptr) {
        return sendError(res, 404, "no such map");
    }
    // Encoding a 4096² map takes hundreds of megabytes: it is done in a
    // render slot, held until the bytes are sent, so a burst of map requests
    // holds no more than two renders would. The slot comes before the
    // lookup: a waiting request must not keep a dropped render alive.
    if (!state.slots.try_acquire_for(kMapSlotWait)) {
        res.set_header("Retry-After", "1");
        return sendError(res, 503, "the studio is busy with other renders; try again in a moment");
    }
    auto slot = std::make_shared<RenderSlot>(state, std::adopt_lock);
    const MapsPtr maps = state.store.find(id);
    if (!maps)
        return sendError(res, 404, "render " + idText + " is gone (a newer one replaced it)");
    // ?encoding=quick: the page's live view, the same pixels sooner.
    const PngEncoding encoding =
        req.get_param_value("encoding") == "quick" ? PngEncoding::Quick : PngEncoding::Library;
    std::optional<std::string> png = mapPng(*maps, *map, encoding);
    if (!png) return sendError(res, 404, std::string(map->name) + " is not in this render");
    auto bytes = std::make_shared<std::string>(std::move(*png));
    res.set_content_provider(
        bytes->size(), "image/png",
        [bytes, slot](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            return sink.write(bytes->data() + offset, length);
        });
    res.set_header("Cache-Control", "private, max-age=3600");
}

// A layer's mask, shrunk to kMaskEdge: a few kilobytes made from bytes the
// render keeps, so no render slot is taken for it.
void handleMask(StudioState& state, const httplib::Request& req, httplib::Response& res) {
    std::uint64_t id = 0;
    const std::string idText = req.matches[1];
    const auto [end, ec] = std::from_chars(idText.data(), idText.data() + idText.size(), id);
    if (ec != std::errc() || end != idText.data() + idText.size()) {
        return sendError(res, 404, "no such mask");
    }
    const MapsPtr maps = state.store.find(id);
    if (!maps) {
        return sendError(res, 404, "render " + idText + " is gone (a newer one replaced it)");
    }
    const int layer = std::stoi(req.matches[2].str());
    std::optional<std::string> png = layerMaskPng(*maps, layer);
    if (!png)
        return sendError(res, 404, "render " + idText + " has no layer " + req.matches[2].str());
    res.set_content(*png, "image/png");
    res.set_header("Cache-Control", "private, max-age=3600");
}

// A file name the browser can save: letters, digits, '-' and '_'.
std::string downloadName(const std::string& wanted) {
    const bool plain =
        !wanted.empty() && wanted.size() <= 64 &&
        std::all_of(wanted.begin(), wanted.end(), [](char c) {
            return std::isalnum(static_cast<unsigned char>(c)) || c == '-' || c == '_';
        });
    return plain ? wanted : "material";
}

// An export's place among those in memory, held until its zip is sent.
class ExportPass {
public:
    explicit ExportPass(StudioState& state) : state_(state) {}
    ~ExportPass() { state_.exports.release(); }
    ExportPass(const ExportPass&) = delete;
    ExportPass& operator=(const ExportPass&) = delete;

private:
    StudioState& state_;
};

void handleExport(StudioState& state, const httplib::Request& req, httplib::Response& res) {
    if (!req.has_param("settings")) return sendError(res, 400, "the settings parameter is missing");
    Options o;
    if (!readSettings(req.get_param_value("settings"), o, res)) return;
    if (!state.exports.try_acquire_for(std::chrono::seconds(1))) {
        res.set_header("Retry-After", "2");
        return sendError(res, 503, "other exports are being made; try again in a moment");
    }
    auto pass = std::make_shared<ExportPass>(state);
    const std::string base = downloadName(req.get_param_value("name"));
    auto zip = std::make_shared<std::string>();
    {
        // The maps and the zip are made inside a render slot, and the maps
        // freed before it is left: an export weighs what a render does. One
        // export at a time, so renders always have a slot of their own.
        const std::lock_guard oneExport(state.exportBuild);
        const RenderSlot slot(state);
        Render render = renderMaps(o, [&] { return !state.stopping.load(); });
        if (render.dropped) return sendError(res, 503, "the studio is stopping");
        if (!render.maps) return sendError(res, 400, render.error);
        *zip = exportZip(o, *render.maps, base);
    }
    if (zip->empty()) return sendError(res, 500, "the export's files could not be encoded");
    // The pass goes with the zip, when the answer has been sent (or dropped).
    res.set_content_provider(
        zip->size(), "application/zip",
        [zip, pass](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
            return sink.write(zip->data() + offset, length);
        });
    res.set_header("Content-Disposition", "attachment; filename=\"" + base + ".zip\"");
}

}  // namespace

bool isUtf8(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
        const unsigned lead = byte(i);
        std::size_t length = 0;
        unsigned low = 0x80, high = 0xBF;  // the allowed range of the second byte
        if (lead < 0x80) {
            ++i;
            continue;
        } else if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            if (lead == 0xE0) low = 0xA0;   // overlong
            if (lead == 0xED) high = 0x9F;  // surrogates
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            if (lead == 0xF0) low = 0x90;   // overlong
            if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
        } else {
            return false;
        }
        if (text.size() - i < length) return false;
        if (byte(i + 1) < low || byte(i + 1) > high) return false;
        for (std::size_t k = 2; k < length; ++k) {
            if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return false;
        }
        i += length;
    }
    return true;
}

std::vector<std::string> allowedHosts(const std::string& host, int port) {
    std::string suffix = ":";
    suffix += std::to_string(port);
    std::vector<std::string> names = {"127.0.0.1", "localhost"};
    if (host != "127.0.0.1" && host != "localhost") {
        names.push_back(host.find(':') != std::string::npos ? "[" + host + "]" : host);
    }
    std::vector<std::string> hosts;
    for (const std::string& name : names) {
        hosts.push_back(name + suffix);
        if (port == 80) hosts.push_back(name);
    }
    return hosts;
}

void installRoutes(httplib::Server& server, StudioState& state) {
    server.set_payload_max_length(kMaxBody);
    server.set_pre_routing_handler([&state](const httplib::Request& req, httplib::Response& res) {
        return checkRequest(state, req, res);
    });
    for (const Asset& asset : kAssets) {
        // httplib takes patterns: the dots of the file names match only dots.
        std::string pattern;
        for (const char* c = asset.url; *c != '\0'; ++c) {
            if (*c == '.') pattern += '\\';
            pattern += *c;
        }
        server.Get(pattern, [&state, &asset](const httplib::Request&, httplib::Response& res) {
            serveAsset(state, asset, res);
        });
    }
    server.Get("/api/presets", [](const httplib::Request&, httplib::Response& res) {
        res.set_content(catalogJson(), "application/json");
    });
    server.Post("/api/render", [&state](const httplib::Request& req, httplib::Response& res,
                                        const httplib::ContentReader& reader) {
        handleRender(state, req, res, reader);
    });
    server.Get(R"(/api/maps/(\d{1,19})/([a-z0-9-]{1,32})\.png)",
               [&state](const httplib::Request& req, httplib::Response& res) {
                   handleMap(state, req, res);
               });
    server.Get(R"(/api/masks/(\d{1,19})/([0-7])\.png)",
               [&state](const httplib::Request& req, httplib::Response& res) {
                   handleMask(state, req, res);
               });
    server.Get("/api/export", [&state](const httplib::Request& req, httplib::Response& res) {
        handleExport(state, req, res);
    });
    server.set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
            sendError(res, 500, "the studio failed on this request");
        });
    // httplib's own refusals as JSON, too.
    server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (!res.body.empty()) return;
        switch (res.status) {
            case 400:
                return sendError(res, 400, "the request is malformed");
            case 413:
                return sendError(res, 413, "the body is larger than 64 KiB");
            case 414:
                return sendError(res, 414, "the URL is too long");
            case 431:
                return sendError(res, 431, "the request's headers are too many or too large");
            default:
                return sendError(res, res.status, "not found");
        }
    });
}

}  // namespace proctex::cli::studio
