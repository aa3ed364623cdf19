#include "api/output_paths.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace proctex {
namespace {

TEST(DeriveOutputPath, ReplacesFromTheLastDotPng) {
    EXPECT_EQ(deriveOutputPath("tex/stone.png", "_diff.png"), "tex/stone_diff.png");
    EXPECT_EQ(deriveOutputPath("tex/stone.png", "_metal.png"), "tex/stone_metal.png");
    EXPECT_EQ(deriveOutputPath("out.png.tmp", "_diff.png"), "out_diff.png");
    EXPECT_EQ(deriveOutputPath("a.png/b.png", "_nmap.png"), "a.png/b_nmap.png");
    EXPECT_EQ(deriveOutputPath(".png", "_spec.png"), "_spec.png");
}

TEST(DeriveOutputPath, WithoutLowerCaseDotPngThePathStays) {
    EXPECT_EQ(deriveOutputPath("tex/stone", "_diff.png"), "tex/stone");
    EXPECT_EQ(deriveOutputPath("tex/stone.PNG", "_rough.png"), "tex/stone.PNG");
    EXPECT_EQ(deriveOutputPath("", "_diff.png"), "");
}

// Runs a test body in a given LC_CTYPE and restores the previous one.
class LocaleScope {
public:
    explicit LocaleScope(const char* name) : previous_(std::setlocale(LC_CTYPE, nullptr)) {
        active_ = std::setlocale(LC_CTYPE, name) != nullptr;
    }
    ~LocaleScope() { std::setlocale(LC_CTYPE, previous_.c_str()); }
    bool active() const { return active_; }

private:
    std::string previous_;
    bool active_ = false;
};

TEST(NarrowPath, AtMost511Bytes) {
    LocaleScope c("C");
    EXPECT_EQ(narrowPath(L"tex/stone.png"), "tex/stone.png");
    const std::wstring fits(511, L'a');
    EXPECT_EQ(narrowPath(fits.c_str()), std::string(511, 'a'));
    const std::wstring tooLong(512, L'a');
    EXPECT_EQ(narrowPath(tooLong.c_str()), "");
    EXPECT_EQ(narrowPath(nullptr), "");
    EXPECT_EQ(narrowPath(L""), "");
}

TEST(NarrowPath, UnrepresentableCharactersGiveTheEmptyPath) {
    LocaleScope c("C");
    EXPECT_EQ(narrowPath(L"tex/st\u4e2dne.png"), "");  // beyond every one-byte code page
}

TEST(NarrowPath, CountsBytesOfTheLocaleEncoding) {
    LocaleScope utf8("C.UTF-8");
    if (!utf8.active()) GTEST_SKIP() << "no UTF-8 locale on this machine";
    EXPECT_EQ(narrowPath(L"st\u00f6ne.png"), "st\xc3\xb6ne.png");
    // 509 ASCII bytes plus a two-byte character fit; one more byte does not.
    const std::wstring fits = std::wstring(509, L'a') + L"\u00f6";
    EXPECT_EQ(narrowPath(fits.c_str()).size(), 511u);
    const std::wstring tooLong = std::wstring(510, L'a') + L"\u00f6";
    EXPECT_EQ(narrowPath(tooLong.c_str()), "");
}

}  // namespace
}  // namespace proctex
