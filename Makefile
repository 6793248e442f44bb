# Entry points for a fresh Debian 12 machine: `make run` and `make test`.
# PRESET picks the configuration; BUILD_DIR, derived from it, is the one directory that is
# configured, built and tested.
PRESET ?= default
BUILD_DIR ?= $(if $(filter default,$(PRESET)),build,build-$(PRESET))
JOBS ?= $(shell nproc)
# WERROR=ON turns every compiler warning in our own code into an error (CI does).
WERROR ?= OFF

.PHONY: run test test-asan test-windows package tidy fuzz fuzz-build fuzz-run fuzz-ci deps configure build clean

run: build
	./$(BUILD_DIR)/bin/korvel

test: build
	ctest --preset $(PRESET) --test-dir $(BUILD_DIR) -j $(JOBS)

# The Debian package, $(BUILD_DIR)/korvel_<version>_<arch>.deb.
package: build
	cd $(BUILD_DIR) && cpack -G DEB

# The Qt-free suite under the address and undefined-behaviour sanitizers.
test-asan:
	$(MAKE) test PRESET=asan

# The Qt-free core, the Win32 platform layer and the Windows self-extractor, cross-built
# with mingw-w64 and tested under Wine. The Wine prefix lives in the build directory and
# is created once before the tests, so that parallel tests do not race to create it.
WINE_ENV = WINEPREFIX=$(CURDIR)/build-windows/wineprefix WINEDEBUG=-all
test-windows: deps
	cmake --preset windows -DKORVEL_WERROR=$(WERROR)
	cmake --build build-windows -j $(JOBS)
	test -f build-windows/wineprefix/system.reg || $(WINE_ENV) wineboot --init
	$(WINE_ENV) wineserver --wait
	ctest --preset windows -j $(JOBS)

# The archive writer's deflating threads under the thread sanitizer: only the tests
# that run several threads, and only the program that holds them.
test-tsan: deps
	cmake --preset tsan -B build-tsan -DKORVEL_WERROR=$(WERROR)
	cmake --build build-tsan -j $(JOBS) --target archive_tests
	ctest --preset tsan --test-dir build-tsan -j $(JOBS)

# clang-tidy with the checks of .clang-tidy over the product's sources (not the tests').
tidy: configure
	run-clang-tidy -quiet -p $(BUILD_DIR) -j $(JOBS) \
		'^$(CURDIR)/(app|archive|editor|engine|help|platform|schedule|sfx|tasks|zipformat)/.*\.cpp$$'

# Every fuzzer for FUZZ_SECONDS, from the seeds of scripts/make-fuzz-seeds.sh.
FUZZ_SECONDS ?= 60
fuzz: fuzz-build fuzz-run

fuzz-build: deps
	cmake --preset fuzz -B build-fuzz
	cmake --build build-fuzz -j $(JOBS) --target fuzzers

fuzz-run:
	./scripts/run-fuzzers.sh build-fuzz $(FUZZ_SECONDS)

# The short run CI affords.
fuzz-ci:
	$(MAKE) fuzz FUZZ_SECONDS=30

deps:
	./scripts/install-deps.sh

configure: deps
	cmake --preset $(PRESET) -B $(BUILD_DIR) -DKORVEL_WERROR=$(WERROR)

build: configure
	cmake --build $(BUILD_DIR) -j $(JOBS)

clean:
	rm -rf build build-*
