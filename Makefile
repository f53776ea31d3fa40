# The two commands a user needs: `make run` and `make test`.
# Both install missing Debian packages first (scripts/setup).

RELEASE_DIR := build/release
SANITIZE_DIR := build/sanitize
JOBS ?= 2

.PHONY: all setup release run test test-release test-sanitize bench install clean

all: release

setup:
	@bash scripts/setup

$(RELEASE_DIR)/build.ninja:
	cmake -S . -B $(RELEASE_DIR) -G Ninja -DCMAKE_BUILD_TYPE=Release

release: setup $(RELEASE_DIR)/build.ninja
	cmake --build $(RELEASE_DIR) -j $(JOBS)

run: release
	./$(RELEASE_DIR)/tintwell

test: release
	ctest --test-dir $(RELEASE_DIR) -j $(JOBS) --output-on-failure
	$(MAKE) --no-print-directory test-sanitize

$(SANITIZE_DIR)/build.ninja:
	CC=clang-16 CXX=clang++-16 cmake -S . -B $(SANITIZE_DIR) -G Ninja \
	  -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DTINTWELL_FUZZ=ON

test-sanitize: setup $(SANITIZE_DIR)/build.ninja
	cmake --build $(SANITIZE_DIR) -j $(JOBS)
	ctest --test-dir $(SANITIZE_DIR) -j $(JOBS) --output-on-failure

bench: release
	./$(RELEASE_DIR)/tintwell_bench

install: release
	cmake --install $(RELEASE_DIR)

clean:
	rm -rf build
