# Top-level entry points: `make` (release build), `make test` (every test, also
# under AddressSanitizer + UndefinedBehaviorSanitizer), `make demo`.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE ?= cmake

.PHONY: all setup build test test-release test-sanitize demo clean

all: build

# Installs missing Debian packages (g++, cmake, GoogleTest, Ghostscript) first.
setup:
	./tools/setup_deps.sh

build: setup
	$(CMAKE) -S . -B build -DCMAKE_BUILD_TYPE=Release
	$(CMAKE) --build build -j $(JOBS)

test: test-release test-sanitize

test-release: build
	cd build && ctest --output-on-failure -j $(JOBS)

test-sanitize: setup
	$(CMAKE) -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON
	$(CMAKE) --build build-sanitize -j $(JOBS)
	cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

demo: build
	./examples/run_demo.sh

clean:
	rm -rf build build-sanitize
