# Thin wrapper over CMake. `make demo` and `make test` install what they need first.
JOBS ?= $(shell nproc)
BUILD := build
TEST_BUILD := build-asan

.PHONY: all deps build test demo bench clean

all: build

deps:
	@./scripts/install-deps.sh

build: deps
	@cmake -S . -B $(BUILD) -DCMAKE_BUILD_TYPE=Release -DTS_TESTS=OFF >/dev/null
	@cmake --build $(BUILD) -j $(JOBS)

test: deps
	@cmake -S . -B $(TEST_BUILD) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTS_SANITIZE=ON -DTS_BENCH=OFF >/dev/null
	@cmake --build $(TEST_BUILD) -j $(JOBS)
	@cd $(TEST_BUILD) && ctest --output-on-failure -j $(JOBS)

demo: build
	@./$(BUILD)/bin/tunestrip-sim

bench: build
	@./$(BUILD)/bin/tunestrip-bench

clean:
	rm -rf $(BUILD) $(TEST_BUILD)
