# Set-up and everyday targets. Each one installs what is missing first.
PRESET ?= release
BUILD_DIR := build/$(PRESET)
# Tests run side by side, one per core; the slowest start first (COST).
JOBS ?= $(shell nproc 2>/dev/null || echo 2)

.PHONY: all deps build demo install test sanitize bench windows test-windows verify-math format clean \
	blender-addon blender-renders package package-windows package-deb test-packages

all: build

deps:
	@scripts/install-deps

build: deps
	@cmake --preset $(PRESET) >/dev/null
	@cmake --build --preset $(PRESET)

demo: build
	@scripts/demo $(BUILD_DIR)/cli/proctex

# The tool, the library, its header, pkg-config and CMake files, the Python
# package and the studio's page under PREFIX (bin/, lib/, include/, share/).
PREFIX ?= /usr/local
install: build
	@cmake --install $(BUILD_DIR) --prefix $(PREFIX)
	@echo "install: $(PREFIX)/bin/proctex (put $(PREFIX)/bin on PATH if it is not)"

test: build
	@ctest --preset $(PRESET) -j $(JOBS)

# The whole suite under AddressSanitizer + UndefinedBehaviorSanitizer (leaks
# included), and the concurrency tests under ThreadSanitizer (only their
# program and the tool are built there).
sanitize: deps
	@cmake --preset asan >/dev/null && cmake --build --preset asan && ctest --preset asan -j $(JOBS)
	@cmake --preset tsan >/dev/null && \
		cmake --build --preset tsan --target concurrency_tests proctex_cli && ctest --preset tsan -j $(JOBS)

# Every benchmark program; the end-to-end one last, so its summary table of
# compute against encoding ends the output.
bench: build
	@for b in $(BUILD_DIR)/bench/proctex_bench*; do \
		case "$$b" in *end_to_end) continue ;; esac; [ -x "$$b" ] && "$$b"; done
	@$(BUILD_DIR)/bench/proctex_bench_end_to_end

# proctex.dll (64-bit, cross-built with MinGW-w64), its import library and
# proctex.exe, the whole command-line tool.
windows:
	@scripts/install-deps --windows
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows
	@echo "windows: build/windows/bin/proctex.exe and proctex.dll, import library build/windows/libproctex.dll.a"

# The release artefacts, named with the version in VERSION:
# build/proctex-VERSION-windows-x64.zip and build/proctex_VERSION_amd64.deb.
package: package-windows package-deb

package-windows: windows
	@cmake --preset release >/dev/null
	@cmake --build --preset release --target proctex
	@/usr/bin/python3 blender/package.py build/release build/windows/proctex_blender.zip \
		build/windows/bin/proctex.dll >/dev/null
	@/usr/bin/python3 scripts/package-windows build/windows build/windows/proctex_blender.zip

package-deb:
	@scripts/install-deps --package
	@cmake --preset package >/dev/null
	@cmake --build --preset package --target proctex proctex_cli
	@cd build/package && cpack -G DEB -B $(CURDIR)/build >/dev/null
	@rm -rf build/_CPack_Packages
	@echo "package-deb: $$(ls build/proctex_*_amd64.deb)"

# The Windows tool under Wine against the Linux tool, and the .deb installed
# into a scratch root.
test-packages:
	@scripts/test-packages

# The DLL's tables, the Wine host checks and the byte comparison with Linux.
test-windows:
	@scripts/test-windows

# The full check of sine, cosine (all 2^32 floats) and power (10^9 pairs)
# against MPFR: tens of minutes. VERIFY_THREADS sets the worker threads.
VERIFY_THREADS ?= 2
verify-math: build
	@nice -n 19 $(BUILD_DIR)/tools/verify-crmath --threads $(VERIFY_THREADS)

# The Blender add-on as a zip for Edit > Preferences > Add-ons > Install
# (with proctex.dll inside too when `make windows` has built it).
BLENDER_ZIP := build/blender/proctex_blender.zip
blender-addon: build
	@/usr/bin/python3 blender/package.py $(BUILD_DIR) $(BLENDER_ZIP)

# Every preset on a sphere under the same light, as one sheet for the README.
blender-renders: blender-addon
	@blender/render-sheet $(BLENDER_ZIP) docs/images/blender-presets.png

format:
	@clang-format -i $$(git ls-files '*.h' '*.cpp')

clean:
	@rm -rf build
