# Set-up and everyday targets. Each one installs what is missing first.
PRESET ?= release
BUILD_DIR := build/$(PRESET)

.PHONY: all deps build demo test bench verify-math format clean

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

bench: build
	@for b in $(BUILD_DIR)/bench/proctex_bench*; do [ -x "$$b" ] && "$$b"; done

# The full check of sine, cosine (all 2^32 floats) and power (10^9 pairs)
# against MPFR: tens of minutes. VERIFY_THREADS sets the worker threads.
VERIFY_THREADS ?= 2
verify-math: build
	@nice -n 19 $(BUILD_DIR)/tools/verify-crmath --threads $(VERIFY_THREADS)

format:
	@clang-format -i $$(git ls-files '*.h' '*.cpp')

clean:
	@rm -rf build
