#include "routes.h"

#include <httplib.h>

#include <algorithm>
#include <cctype>
#include <charconv>
#include <fstream>
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
    res.set_content(json{{"error", message}}.dump(), "application/json");
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
    if (ec != std::errc() || end != seq.data() + seq.size()) {
        return "X-Proctex-Seq: a whole number from 0";
    }
    return {};
}

// The settings of a request body or the export's `settings` parameter.
bool readSettings(const std::string& text, Options& out, httplib::Response& res) {
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
    ~RenderSlot() { state_.slots.release(); }
    RenderSlot(const RenderSlot&) = delete;
    RenderSlot& operator=(const RenderSlot&) = delete;

private:
    StudioState& state_;
};

void handleRender(StudioState& state, const httplib::Request& req, httplib::Response& res) {
    PageSequence page;
    if (const std::string why = pageSequence(req, page); !why.empty()) {
        return sendError(res, 400, why);
    }
    Options o;
    if (!readSettings(req.body, o, res)) return;
    const auto stale = [&] { sendError(res, 409, "a newer render of this page was asked for"); };
    if (!state.store.claim(page.page, page.sequence)) return stale();
    Render render;
    {
        const RenderSlot slot(state);
        // Waiting for the slot may have taken long enough for a newer request.
        if (!state.store.isNewest(page.page, page.sequence)) return stale();
        render = renderMaps(o);
    }
    if (!render.maps) return sendError(res, 400, render.error);
    if (!state.store.isNewest(page.page, page.sequence)) return stale();

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
        answer["maps"].push_back(
            {{"name", m.name},
             {"srgb", m.srgb},
             {"url", "/api/maps/" + std::to_string(id) + "/" + m.name + ".png"}});
    }
    res.set_content(answer.dump(), "application/json");
}

void handleMap(StudioState& state, const httplib::Request& req, httplib::Response& res) {
    std::uint64_t id = 0;
    const std::string idText = req.matches[1];
    const auto [end, ec] = std::from_chars(idText.data(), idText.data() + idText.size(), id);
    const StudioMap* map = findStudioMap(req.matches[2].str());
    if (ec != std::errc() || end != idText.data() + idText.size() || map == nullptr) {
        return sendError(res, 404, "no such map");
    }
    const MapsPtr maps = state.store.find(id);
    if (!maps)
        return sendError(res, 404, "render " + idText + " is gone (a newer one replaced it)");
    // ?encoding=quick: the page's live view, the same pixels sooner.
    const PngEncoding encoding =
        req.get_param_value("encoding") == "quick" ? PngEncoding::Quick : PngEncoding::Library;
    std::optional<std::string> png = mapPng(*maps, *map, encoding);
    if (!png) return sendError(res, 404, std::string(map->name) + " is not in this render");
    res.set_content(std::move(*png), "image/png");
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

void handleExport(StudioState& state, const httplib::Request& req, httplib::Response& res) {
    if (!req.has_param("settings")) return sendError(res, 400, "the settings parameter is missing");
    Options o;
    if (!readSettings(req.get_param_value("settings"), o, res)) return;
    Render render;
    {
        const RenderSlot slot(state);
        render = renderMaps(o);
    }
    if (!render.maps) return sendError(res, 400, render.error);
    const std::string base = downloadName(req.get_param_value("name"));
    res.set_content(exportZip(o, *render.maps, base), "application/zip");
    res.set_header("Content-Disposition", "attachment; filename=\"" + base + ".zip\"");
}

}  // namespace

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
    server.Post("/api/render", [&state](const httplib::Request& req, httplib::Response& res) {
        handleRender(state, req, res);
    });
    server.Get(R"(/api/maps/(\d{1,19})/([a-z0-9-]{1,16})\.png)",
               [&state](const httplib::Request& req, httplib::Response& res) {
                   handleMap(state, req, res);
               });
    server.Get("/api/export", [&state](const httplib::Request& req, httplib::Response& res) {
        handleExport(state, req, res);
    });
    server.set_exception_handler(
        [](const httplib::Request&, httplib::Response& res, std::exception_ptr) {
            sendError(res, 500, "the studio failed on this request");
        });
    // httplib's own refusals (413 for a large body, 404) as JSON, too.
    server.set_error_handler([](const httplib::Request&, httplib::Response& res) {
        if (res.body.empty()) {
            sendError(res, res.status,
                      res.status == 413 ? "the body is larger than 64 KiB" : "not found");
        }
    });
}

}  // namespace proctex::cli::studio
