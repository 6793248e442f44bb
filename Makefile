# Entry points for a fresh Debian 12 machine: `make run` and `make test`.
PRESET ?= default
BUILD_DIR := build
JOBS ?= $(shell nproc)

.PHONY: run test deps configure build clean

run: build
	./$(BUILD_DIR)/bin/korvel

test: build
	cd $(BUILD_DIR) && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j $(JOBS)

deps:
	./scripts/install-deps.sh

configure: deps
	cmake --preset $(PRESET)

build: configure
	cmake --build --preset $(PRESET) -j $(JOBS)

clean:
	rm -rf $(BUILD_DIR)
