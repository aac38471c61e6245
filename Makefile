# Quick start on a fresh Debian machine: `make demo`, then `make test`.
MAKEFLAGS += --no-print-directory
BUILD  := build/native
WINDOWS := build/windows
JOBS   ?= $(shell nproc)

.PHONY: deps deps-windows build windows windows-test test demo bench asan clean

deps:
	@bash cmake/install-deps.sh

build: deps
	@cmake --preset native >/dev/null
	@cmake --build --preset native -j $(JOBS)

# The Windows deliverables (Spanfinder64.exe, Cfgprobe64.dll) in build/windows/bin.
deps-windows:
	@bash cmake/install-deps.sh windows

windows: deps-windows
	@cmake --preset windows >/dev/null
	@cmake --build --preset windows -j $(JOBS)

# The checks of the Windows build under Wine (a fresh Wine prefix in build/windows).
windows-test: windows
	@bash tests/windows/run-under-wine.sh $(WINDOWS)

test: build
	@ctest --preset native -j $(JOBS)
	@$(MAKE) windows-test

demo: build
	@bash cmake/demo.sh $(BUILD)/bin/spanfinder

bench: build
	@$(BUILD)/bin/spanfinder_bench --benchmark_min_time=0.5

asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	@ctest --preset asan -j $(JOBS)

clean:
	@rm -rf build
