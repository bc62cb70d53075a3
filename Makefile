# Thin wrapper over CMake. `make demo` and `make test` install what they need first.
# `make` builds a release (warnings shown, not errors); `make test` builds with ASan + UBSan and
# warnings as errors, as CI does; `make target` builds the add-on for the phone, `make test-arm`
# runs every test built for 32-bit ARM, `make soak` the long soak. `make install PREFIX=DIR`
# installs the release build; `make deb` packs it as build/tunestrip_VERSION_ARCH.deb and
# `make deb-check` installs that package on this machine, runs it and removes it.
JOBS ?= $(shell nproc)
BUILD := build
TEST_BUILD := build-asan
ARM_BUILD := build-arm
ARMHF_BUILD := build-armhf
FUZZ_BUILD := build-fuzz
COVERAGE_BUILD := build-coverage
FUZZ_SECONDS ?= 60
FUZZ_JOBS ?= 1
PREFIX ?= /usr/local

# Quiet: no "Entering directory" lines from the build's own make.
MAKEFLAGS += --no-print-directory

.PHONY: all deps build test test-arm soak fuzz coverage demo bench install deb deb-check clean target

all: build

deps:
	@./scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DTS_WERROR=OFF -DTS_TESTS=OFF >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

# The test build is also packed as a .deb, which the package test unpacks and runs: gzip rather
# than xz keeps that to some ten seconds.
test: deps
	@cmake -S . -B $(TEST_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTS_SANITIZE=ON -DTS_WERROR=ON -DTS_BENCH=OFF >/dev/null
	@cmake --build $(TEST_BUILD) -j $(JOBS)
	@$(MAKE) target
	@cd $(TEST_BUILD) && cpack -G DEB -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip >/dev/null
	@cd $(TEST_BUILD) && ctest --output-on-failure -j $(JOBS)

# The phone, the tools and every test built for 32-bit ARM Linux (armhf) and run under qemu-arm
# (scripts/install-arm-deps.sh installs the cross compiler, qemu and the armhf libraries).
test-arm: deps
	@./scripts/install-arm-deps.sh
	@cmake -S . -B $(ARMHF_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/cmake/armhf-linux.cmake -DCMAKE_BUILD_TYPE=Release -DTS_WERROR=ON -DTS_BENCH=OFF >/dev/null
	@cmake --build $(ARMHF_BUILD) -j $(JOBS)
	@cd $(ARMHF_BUILD) && ctest --output-on-failure -j $(JOBS)

# The add-on for the phone: build-arm/TuneStrip.elf, with its sizes; fails over budget.
target: deps
	@cmake -S target -B $(ARM_BUILD) -DCMAKE_TOOLCHAIN_FILE=$(CURDIR)/target/arm-none-eabi.cmake >/dev/null
	@cmake --build $(ARM_BUILD) -j $(JOBS)

# The soak at full length under ASan + UBSan (SOAK_SCALE=0.1 runs the tenth that `make test` runs).
SOAK_SCALE ?= 1
soak: deps
	@cmake -S . -B $(TEST_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTS_SANITIZE=ON -DTS_WERROR=ON -DTS_BENCH=OFF >/dev/null
	@cmake --build $(TEST_BUILD) -j $(JOBS) --target tunestrip-soak
	@./$(TEST_BUILD)/bin/tunestrip-soak --scale $(SOAK_SCALE)

demo: build
	@./$(BUILD)/bin/tunestrip-sim

bench: build
	@./$(BUILD)/bin/tunestrip-bench

# Every libFuzzer target (fuzz/) for FUZZ_SECONDS each, FUZZ_JOBS at a time, from its seed
# corpus; a crash fails the run and leaves its input in $(FUZZ_BUILD)/findings/<target>/. After a
# clean run, the inputs that reach new code are merged into the committed corpora (fuzz/corpus/).
fuzz:
	@./scripts/install-deps.sh fuzz
	@CC=clang-14 CXX=clang++-14 cmake -S . -B $(FUZZ_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DTS_FUZZ=ON -DTS_TESTS=OFF -DTS_BENCH=OFF -DTS_WERROR=OFF >/dev/null
	@cmake --build $(FUZZ_BUILD) -j $(JOBS) --target fuzz_targets
	@./scripts/run-fuzz.sh $(FUZZ_BUILD) $(FUZZ_SECONDS) $(FUZZ_JOBS)

# Every test on an instrumented build, then line and branch coverage of src/, host/ and tools/
# (gcov and lcov); the whole report is $(COVERAGE_BUILD)/coverage/index.html.
coverage: deps
	@./scripts/install-deps.sh coverage
	@cmake -S . -B $(COVERAGE_BUILD) -DCMAKE_BUILD_TYPE=Debug -DTS_COVERAGE=ON -DTS_WERROR=ON -DTS_BENCH=OFF >/dev/null
	@cmake --build $(COVERAGE_BUILD) -j $(JOBS)
	@$(MAKE) target
	@./scripts/coverage.sh $(COVERAGE_BUILD) $(JOBS)

install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

# The Debian package of the release build, made by CPack from the install rules.
deb: build
	@./scripts/install-deps.sh deb
	@cd $(BUILD) && cpack -G DEB

# As root: lintian, then apt-get installs the package, the demo runs from /usr/bin and the package
# is purged again, leaving nothing behind.
deb-check: deb
	@./scripts/deb-check.sh $(BUILD)

clean:
	rm -rf $(BUILD) $(TEST_BUILD) $(ARM_BUILD) $(ARMHF_BUILD) $(FUZZ_BUILD) $(COVERAGE_BUILD)
