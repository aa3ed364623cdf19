#include "store.h"

#include <algorithm>

namespace proctex::cli::studio {

RenderStore::RenderStore(std::size_t renders, std::size_t pixels, std::size_t pages)
    : maxRenders_(renders), maxPixels_(pixels), maxPages_(pages) {}

bool RenderStore::claim(const std::string& page, std::uint64_t sequence) {
    std::lock_guard lock(mutex_);
    auto found = pages_.find(page);
    if (found == pages_.end()) {
        if (pages_.size() >= maxPages_) {
            // Forget the page heard from least recently.
            const auto oldest = std::min_element(
                pages_.begin(), pages_.end(),
                [](const auto& a, const auto& b) { return a.second.second < b.second.second; });
            pages_.erase(oldest);
        }
        found = pages_.emplace(page, std::make_pair(sequence, 0)).first;
    } else if (sequence < found->second.first) {
        return false;
    }
    found->second = {sequence, ++clock_};
    return true;
}

bool RenderStore::isNewest(const std::string& page, std::uint64_t sequence) {
    std::lock_guard lock(mutex_);
    const auto found = pages_.find(page);
    return found != pages_.end() && found->second.first == sequence;
}

std::uint64_t RenderStore::keep(const std::string& page, MapsPtr maps, std::size_t pixels) {
    std::lock_guard lock(mutex_);
    renders_.remove_if([&](const Kept& k) {
        if (k.page == page) keptPixels_ -= k.pixels;
        return k.page == page;
    });
    const std::uint64_t id = nextId_++;
    renders_.push_front({id, page, std::move(maps), pixels});
    keptPixels_ += pixels;
    while (renders_.size() > 1 && (renders_.size() > maxRenders_ || keptPixels_ > maxPixels_)) {
        keptPixels_ -= renders_.back().pixels;
        renders_.pop_back();
    }
    return id;
}

MapsPtr RenderStore::find(std::uint64_t id) {
    std::lock_guard lock(mutex_);
    const auto found =
        std::find_if(renders_.begin(), renders_.end(), [&](const Kept& k) { return k.id == id; });
    if (found == renders_.end()) return nullptr;
    renders_.splice(renders_.begin(), renders_, found);
    return renders_.front().maps;
}

}  // namespace proctex::cli::studio
