# Quick start on a fresh Debian machine: `make demo`, then `make test`.
MAKEFLAGS += --no-print-directory
BUILD  := build/native
JOBS   ?= $(shell nproc)

.PHONY: deps build test demo bench asan tsan clean

deps:
	@bash cmake/install-deps.sh

build: deps
	@cmake --preset native >/dev/null
	@cmake --build --preset native -j $(JOBS)

test: build
	@ctest --preset native -j $(JOBS)

demo: build
	@bash cmake/demo.sh $(BUILD)/bin/spanfinder

bench: build
	@$(BUILD)/bin/spanfinder_bench --benchmark_min_time=0.5

asan: deps
	@cmake --preset asan >/dev/null
	@cmake --build --preset asan -j $(JOBS)
	@ctest --preset asan -j $(JOBS)

tsan: deps
	@cmake --preset tsan >/dev/null
	@cmake --build --preset tsan -j $(JOBS)
	@ctest --preset tsan -j $(JOBS)

clean:
	@rm -rf build
