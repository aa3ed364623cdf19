# Set-up and everyday targets. Each one installs what is missing first.
PRESET ?= release
BUILD_DIR := build/$(PRESET)

.PHONY: all deps build demo test sanitize bench format clean

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET)

demo: build
	@scripts/demo $(BUILD_DIR)/cli/proctex

test: build
	@ctest --preset $(PRESET)

# The whole suite under AddressSanitizer + UndefinedBehaviorSanitizer (leaks
# included), and the concurrency tests under ThreadSanitizer.
sanitize: deps
	@cmake --preset asan >/dev/null && cmake --build --preset asan && ctest --preset asan
	@cmake --preset tsan >/dev/null && cmake --build --preset tsan && ctest --preset tsan

bench: build
	@for b in $(BUILD_DIR)/bench/proctex_bench*; do [ -x "$$b" ] && "$$b"; done

format:
	@clang-format -i $$(git ls-files '*.h' '*.cpp')

clean:
	@rm -rf build
