# The two commands a user needs: `make run` and `make test`.
# Both install missing packages first (scripts/setup): `make run` only what
# building and running need, `make test` also what the tests need.

RUN_DIR := build/run
RELEASE_DIR := build/release
SANITIZE_DIR := build/sanitize
JOBS ?= 2
# The sanitizer and fuzzing build wants clang 16 or later with its runtime.
CLANG ?= $(shell command -v clang-16 2>/dev/null || command -v clang 2>/dev/null || echo clang)
CLANGXX ?= $(shell command -v clang++-16 2>/dev/null || command -v clang++ 2>/dev/null || echo clang++)

.PHONY: all setup setup-test program run test test-release test-sanitize bench install clean

all: program

setup:
	@bash scripts/setup

setup-test:
	@bash scripts/setup --test

# Only the program: no tests, benchmarks or fuzzers to find or compile.
$(RUN_DIR)/build.ninja:
	cmake -S . -B $(RUN_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release -DTINTWELL_TESTS=OFF

program: setup $(RUN_DIR)/build.ninja
	cmake --build $(RUN_DIR) -j $(JOBS) --target tintwell

run: program
	./$(RUN_DIR)/tintwell

install: program
	cmake --install $(RUN_DIR)

$(RELEASE_DIR)/build.ninja:
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release

test-release: setup-test $(RELEASE_DIR)/build.ninja
	cmake --build $(RELEASE_DIR) -j $(JOBS)
	ctest --test-dir $(RELEASE_DIR) -j $(JOBS) --output-on-failure

test: test-release
	$(MAKE) --no-print-directory test-sanitize

$(SANITIZE_DIR)/build.ninja:
	CC=$(CLANG) CXX=$(CLANGXX) cmake -S . -B $(SANITIZE_DIR) -G Ninja \
	  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DTINTWELL_FUZZ=ON

test-sanitize: setup-test $(SANITIZE_DIR)/build.ninja
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	ctest --test-dir $(SANITIZE_DIR) -j $(JOBS) --output-on-failure

bench: setup-test $(RELEASE_DIR)/build.ninja
	cmake --build $(RELEASE_DIR) -j $(JOBS)
	./$(RELEASE_DIR)/tintwell_bench

clean:
	rm -rf build
