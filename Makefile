# Quick start on a fresh Debian machine: `make demo`, then `make test`.
MAKEFLAGS += --no-print-directory
BUILD  := build/native
WINDOWS := build/windows
JOBS   ?= $(shell nproc)
PREFIX ?= /usr/local

.PHONY: deps deps-windows deps-fuzz configure build windows dist windows-test screenshots test demo bench asan tsan fuzz install clean

deps:
	@bash cmake/install-deps.sh

configure: deps
	@cmake --preset native >/dev/null

build: configure
	@cmake --build --preset native -j $(JOBS)

# The Windows deliverables (Spanfinder64.exe, Cfgprobe64.dll, Cfgprobe64.sys) and the
# tool (spanfinder.exe) in build/windows/bin.
deps-windows:
	@bash cmake/install-deps.sh windows

# The four shipped files are signed as they are built: with SIGN_PFX (a PKCS#12 file)
# and SIGN_PASSWORD_FILE (a file holding its password) when given, else with a test
# certificate made once in build/windows/test-signing.
windows: deps-windows
	@cmake --preset windows -DSIGN_PFX="$(if $(SIGN_PFX),$(abspath $(SIGN_PFX)))" \
	  -DSIGN_PASSWORD_FILE="$(if $(SIGN_PASSWORD_FILE),$(abspath $(SIGN_PASSWORD_FILE)))" >/dev/null
	@cmake --build --preset windows -j $(JOBS)

# The release package: build/dist/Spanfinder-VERSION-win64.zip.
dist: windows
	@cmake --build --preset windows --target dist

# The checks of the Windows build under Wine (a fresh Wine prefix in build/windows),
# run on the unpacked release package.
windows-test: dist
	@bash tests/windows/run-under-wine.sh $(WINDOWS)

# docs/screenshot-en.png and docs/screenshot-ja.png: the dialog after a Search, under Wine.
screenshots: windows
	@bash tests/windows/screenshot.sh $(WINDOWS)

test: build
	@bash cmake/install-deps.sh browser
	@ctest --preset native -j $(JOBS)
	@$(MAKE) windows-test

# Only the tool and the libraries it loads.
demo: configure
	@echo "make demo: building the tool and the libraries it loads into $(BUILD) (about two minutes on a fresh 2-core machine)..."
	@cmake --build --preset native -j $(JOBS) --target spanfinder >/dev/null
	@bash cmake/demo.sh $(BUILD)/bin/spanfinder

bench: build
	@$(BUILD)/bin/spanfinder_bench --benchmark_min_time=0.5

# Every test under the address and undefined-behaviour sanitizers (build/asan).
asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	@ctest --preset asan -j $(JOBS)

# The tests of the access library, the part that runs threads, under the thread
# sanitizer (build/tsan: only their program is built).
tsan: deps
	@cmake --preset tsan >/dev/null
	@cmake --build --preset tsan -j $(JOBS)
	@ctest --preset tsan -j $(JOBS)

# The libFuzzer targets of fuzz/ (clang, build/fuzz), FUZZ_SECONDS each (default 60).
deps-fuzz:
	@bash cmake/install-deps.sh fuzz

fuzz: deps-fuzz
	@cmake --preset fuzz >/dev/null
	@cmake --build --preset fuzz -j $(JOBS)
	@bash fuzz/run.sh build/fuzz

install: configure
	@cmake --build --preset native -j $(JOBS) --target spanfinder >/dev/null
	@cmake --install $(BUILD) --prefix $(PREFIX)
	@bash cmake/after-install.sh $(PREFIX)

clean:
	@rm -rf build
