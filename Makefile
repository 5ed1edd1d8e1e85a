# Horvane: `make test` and `make run` do all set-up on a fresh Debian 12 machine.
SHELL := /bin/bash
JOBS ?= $(shell nproc)
FUZZ_SECONDS ?= 20

.PHONY: all deps build build-native build-windows build-fuzz test test-native test-windows \
        test-fuzz run format clean bench-fetch release soak bench

all: build

deps:
	@bash tools/install-deps.sh

build: build-native build-windows

build-native: deps
	cmake --preset native >/dev/null
	cmake --build --preset native -j $(JOBS)

build-windows: deps
	cmake --preset windows >/dev/null
	cmake --build --preset windows -j $(JOBS)

build-fuzz: deps
	cmake --preset fuzz >/dev/null
	cmake --build --preset fuzz -j $(JOBS)

test: test-native test-fuzz test-windows

test-native: build-native
	ctest --preset native

test-fuzz: build-fuzz
	bash tools/run-fuzzers.sh build/fuzz $(FUZZ_SECONDS)

test-windows: build-windows
	bash tools/test-windows.sh build/windows

# Not a test: failover time and what fetching leaves alive (about two minutes).
bench-fetch: build-windows
	bash tools/bench-fetch.sh build/windows

# The shipped program: build/release/Horvane.exe (checked: system DLLs only, version resource,
# stripped; size printed) and build/release/Horvane.zip with a README.
release: deps
	cmake --preset release >/dev/null
	cmake --build --preset release -j $(JOBS)
	bash tools/release.sh build/release

# Not a test: the release exe for SOAK_MINUTES (10) against servers that keep failing and
# returning; memory, threads, sockets and the shown network time are watched throughout.
SOAK_MINUTES ?= 10
soak: release build-windows
	SOAK_MINUTES=$(SOAK_MINUTES) bash tools/soak.sh build/release/Horvane.exe build/windows build/soak

# Not a test: every benchmark, one table (about six minutes); results in docs/performance.md.
bench: release build-windows
	bash tools/bench.sh build/windows build/release build/bench

run: build-windows
	bash tools/run.sh build/windows

format:
	find time net app shell tests tools -name '*.cpp' -o -name '*.h' | xargs clang-format -i

clean:
	rm -rf build
