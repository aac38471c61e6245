# Quick start on a fresh Debian machine: `make demo`, then `make test`.
MAKEFLAGS += --no-print-directory
BUILD  := build/native
JOBS   ?= $(shell nproc)
PREFIX ?= /usr/local

.PHONY: deps configure build test demo bench asan install clean

deps:
	@bash cmake/install-deps.sh

configure: deps
	@cmake --preset native >/dev/null

build: configure
	@cmake --build --preset native -j $(JOBS)

test: build
	@ctest --preset native -j $(JOBS)

# Only the tool and the libraries it loads.
demo: configure
	@cmake --build --preset native -j $(JOBS) --target spanfinder >/dev/null
	@bash cmake/demo.sh $(BUILD)/bin/spanfinder

bench: build
	@$(BUILD)/bin/spanfinder_bench --benchmark_min_time=0.5

asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	@ctest --preset asan -j $(JOBS)

install: configure
	@cmake --build --preset native -j $(JOBS) --target spanfinder >/dev/null
	@cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	@rm -rf build
