# Entry points for a fresh Debian 12 machine: `make run` and `make test`.
PRESET ?= default
BUILD_DIR := build
JOBS ?= $(shell nproc)

.PHONY: run test test-asan fuzz fuzz-ci deps configure build clean

run: build
	./$(BUILD_DIR)/bin/korvel

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

# The Qt-free suite under the address and undefined-behaviour sanitizers.
test-asan: deps
	cmake --preset asan
	cmake --build --preset asan -j $(JOBS)
	ctest --preset asan -j $(JOBS)

# Every fuzzer for FUZZ_SECONDS, from the seeds of scripts/make-fuzz-seeds.sh.
FUZZ_SECONDS ?= 60
fuzz: deps
	cmake --preset fuzz
	cmake --build --preset fuzz -j $(JOBS) --target fuzzers
	./scripts/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS)

# The short run CI affords.
fuzz-ci:
	$(MAKE) fuzz FUZZ_SECONDS=30

deps:
	./scripts/install-deps.sh

configure: deps
	cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET) -j $(JOBS)

clean:
	rm -rf $(BUILD_DIR) build-asan build-fuzz
