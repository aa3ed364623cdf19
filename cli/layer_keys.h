// The keys of a layer as the library's layer table describes them
// (proctex_layer_option_info): the command line's --help-layers and the
// studio's layer editor both read them here, never from a list of their own.
#pragma once

#include <proctex.h>

#include <span>
#include <string>

namespace proctex::cli {

// Every key, in the order the layers' text writes them.
std::span<const ProctexOptionInfo> layerKeys();

// A key's default as the layers' text writes it: "all", "0.5", "#808080", "own".
std::string layerKeyDefault(const ProctexOptionInfo& key);

// What a key takes, in words: "a number from 0 to 1", "one of all, height, ...",
// "#rrggbb", "1 or 0".
std::string layerKeyValues(const ProctexOptionInfo& key);

// The text of --help-layers: every key by group, with what it takes and its default.
std::string layerKeysHelp();

}  // namespace proctex::cli
