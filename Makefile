# Top-level entry points: `make` (release build), `make test` (every test, also
# under AddressSanitizer + UndefinedBehaviorSanitizer), `make demo`.
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE ?= cmake

.PHONY: all setup build test test-release test-sanitize demo clean

all: build

# Installs missing Debian packages (g++, cmake, GoogleTest, Ghostscript, htslib) first.
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

# `make bench [SIZE=S|M|L]`: generates a cohort (cached outside the repository)
# and times velmora against PLINK 1.9 and the I/O floor; see bench/README.md.
# Not part of `make test`.
SIZE ?= S
BENCH_CXXFLAGS = -std=c++20 -O2 -Wall -Wextra -Werror -ffp-contract=off

.PHONY: bench
bench: build
	$(CXX) $(BENCH_CXXFLAGS) bench/gen/*.cpp -o build/bench-gen
	python3 bench/run_bench.py --size $(SIZE) --velmora build/velmora --gen build/bench-gen

# `make figures OUT=dir`: renders every EPS figure of a velmora output directory
# to PDF and PNG beside it, fitted and labelled (tools/figures/render_figures.sh;
# FIGURES_FLAGS passes options such as --resolution 300 or --out DIR).
.PHONY: figures
figures:
	@if [ -z "$(OUT)" ]; then echo "ERROR: name a velmora output directory: make figures OUT=dir" >&2; exit 1; fi
	./tools/figures/render_figures.sh $(FIGURES_FLAGS) "$(OUT)"
