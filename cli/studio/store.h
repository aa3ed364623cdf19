// What the studio remembers between requests, bounded: the newest request
// number of each page and the latest render of each, a few pages at most.
#pragma once

#include <cstdint>
#include <list>
#include <map>
#include <mutex>
#include <string>

#include "render.h"

namespace proctex::cli::studio {

class RenderStore {
public:
    // At most `renders` results of `pixels` pixels in all are kept (the
    // newest always), and the request numbers of at most `pages` pages.
    RenderStore(std::size_t renders, std::size_t pixels, std::size_t pages);

    // Records `sequence` as the page's newest; false when the page already
    // asked for a newer render (this one is stale).
    bool claim(const std::string& page, std::uint64_t sequence);
    bool isNewest(const std::string& page, std::uint64_t sequence);

    // Keeps the render as the page's latest (dropping its previous one) and
    // returns its id for the map URLs.
    std::uint64_t keep(const std::string& page, MapsPtr maps, std::size_t pixels);

    // Null when the id was never given or has been dropped.
    MapsPtr find(std::uint64_t id);

private:
    struct Kept {
        std::uint64_t id;
        std::string page;
        MapsPtr maps;
        std::size_t pixels;
    };
    std::mutex mutex_;
    std::size_t maxRenders_;
    std::size_t maxPixels_;
    std::size_t maxPages_;
    std::size_t keptPixels_ = 0;
    std::uint64_t nextId_ = 1;
    std::list<Kept> renders_;  // most recently used first
    std::map<std::string, std::pair<std::uint64_t, std::uint64_t>> pages_;  // newest, last use
    std::uint64_t clock_ = 0;
};

}  // namespace proctex::cli::studio
