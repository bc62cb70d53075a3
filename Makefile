# Thin wrapper over CMake. `make demo` and `make test` install what they need first.
# `make` builds a release (warnings shown, not errors); `make test` builds with ASan + UBSan and
# warnings as errors, as CI does. `make install PREFIX=DIR` installs the release build.
JOBS ?= $(shell nproc)
BUILD := build
TEST_BUILD := build-asan
PREFIX ?= /usr/local

# Quiet: no "Entering directory" lines from the build's own make.
MAKEFLAGS += --no-print-directory

.PHONY: all deps build test soak demo bench install clean

all: build

deps:
	@./scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DTS_WERROR=OFF -DTS_TESTS=OFF >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

test: deps
	@cmake -S . -B $(TEST_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTS_SANITIZE=ON -DTS_WERROR=ON -DTS_BENCH=OFF >/dev/null
	@cmake --build $(TEST_BUILD) -j $(JOBS)
	@cd $(TEST_BUILD) && ctest --output-on-failure -j $(JOBS)

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

install: build
	@cmake --install $(BUILD) --prefix $(PREFIX)

clean:
	rm -rf $(BUILD) $(TEST_BUILD)
