// Sets PROCTEX_THREADS for the life of the object (null: unset) and puts the
// old value back. Only while no call runs: the environment is not guarded.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace proctex::test {

class ThreadsSetting {
public:
    explicit ThreadsSetting(const char* value) {
        if (const char* old = std::getenv(kName)) old_ = old;
        set(value);
    }
    ~ThreadsSetting() { set(old_ ? old_->c_str() : nullptr); }
    ThreadsSetting(const ThreadsSetting&) = delete;
    ThreadsSetting& operator=(const ThreadsSetting&) = delete;

    static void set(const char* value) {
        if (value != nullptr) {
            setenv(kName, value, 1);
        } else {
            unsetenv(kName);
        }
    }

private:
    static constexpr const char* kName = "PROCTEX_THREADS";
    std::optional<std::string> old_;
};

}  // namespace proctex::test
