// The settings of one material: defaults, the caller's struct versions, and
// the rules a computation needs them to meet.
#pragma once

#include <proctex.h>

#include <cstddef>
#include <string>

namespace proctex {

// The command line's grey stone, with `size` set to this library's struct.
ProctexSettings defaultSettings();

// The settings GenerateTexture computes with before its arguments are put
// in, and what a caller's older struct gets for the members it does not
// hold: every newer member at the value that keeps the older results (pbr 0,
// no physical sizes).
ProctexSettings legacySettings();

// Whether a caller's struct of `size` bytes has the pbr member.
bool sizeCoversPbr(std::size_t size);

// Copies a caller's struct of any version into this library's: members the
// caller's size does not cover take their legacySettings() values. PROCTEX_OK, or
// PROCTEX_ERROR_ARGUMENT with a reason for a null pointer, a size below the
// first version, or a larger struct whose unknown bytes are not all zero.
int readCallerSettings(const ProctexSettings* caller, ProctexSettings& settings,
                       std::string& reason);

// Writes this library's settings into a caller's struct of `size` bytes:
// what both know is copied, any tail only the caller knows becomes zero.
int writeCallerSettings(const ProctexSettings& settings, ProctexSettings* caller, std::size_t size);

// PROCTEX_OK when the computation can run with these settings; otherwise
// PROCTEX_ERROR_SETTINGS and a one-line reason naming the member and rule.
int checkSettings(const ProctexSettings& settings, std::string& reason);

// checkSettings, and the option table's limits of the whole-number rows (an
// octave count the table refuses would run for ever): the settings API's
// check. GenerateTexture keeps checkSettings alone.
int checkApiSettings(const ProctexSettings& settings, std::string& reason);

// The map bits GenerateTexture produces for these settings.
unsigned mapsAsSettings(const ProctexSettings& settings);

// Copies a reason into the caller's buffer, cut to size - 1 bytes; a null
// buffer or a size of 0 is left alone.
void copyReason(const std::string& reason, char* buffer, std::size_t size);

}  // namespace proctex
