# Top-level entry points: `make` (release build), `make test` (every test, also
# under AddressSanitizer + UndefinedBehaviorSanitizer), `make demo`,
# `make fuzz` (libFuzzer targets of every reader; needs clang and
# libclang-rt-14-dev) and `make valgrind` (both demo analyses under memcheck).
JOBS ?= $(shell nproc 2>/dev/null || echo 2)
CMAKE ?= cmake

.PHONY: all setup build test test-release test-sanitize test-tsan check-format demo fuzz valgrind clean

all: build

# Installs missing Debian packages (g++, cmake, GoogleTest, Ghostscript, htslib) first.
setup:
	./tools/setup_deps.sh

build: setup
	$(CMAKE) -S . -B build -DCMAKE_BUILD_TYPE=Release
	$(CMAKE) --build build -j $(JOBS)

test: check-format test-release test-sanitize

# The committed .clang-format is the tree's format; a difference fails `make test`.
check-format: setup
	./tools/check_format.sh

test-release: build
	cd build && ctest --output-on-failure -j $(JOBS)

test-sanitize: setup
	$(CMAKE) -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DVELMORA_SANITIZE=ON
	$(CMAKE) --build build-sanitize -j $(JOBS)
	cd build-sanitize && ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j $(JOBS)

# The threaded paths (pair engine, genotyping reader, row writers) and the
# end-to-end runs under ThreadSanitizer; any report fails the target.
TSAN_TESTS = test_hh test_genome test_base test_e2e test_golden test_stats test_report test_query
test-tsan: setup
	$(CMAKE) -S . -B build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_TSAN=ON
	$(CMAKE) --build build-tsan -j $(JOBS) --target velmora annotsum $(TSAN_TESTS)
	cd build-tsan && for t in $(TSAN_TESTS); do \
	  TSAN_OPTIONS="halt_on_error=1 exitcode=66" ./$$t || exit 1; done

demo: build
	./examples/run_demo.sh

# FUZZ_SECONDS per target (default 60), FUZZ_JOBS targets at a time; findings
# are saved in tests/fuzz/regressions/<target>/, which `make test` replays.
FUZZ_SECONDS ?= 60
FUZZ_JOBS ?= 1
fuzz:
	@command -v clang++ >/dev/null || { echo "ERROR: clang++ is missing (apt-get install clang libclang-rt-14-dev)" >&2; exit 1; }
	FUZZ_SECONDS=$(FUZZ_SECONDS) FUZZ_JOBS=$(FUZZ_JOBS) ./fuzz/run_fuzzers.sh

# Both demo analyses of `make demo` under memcheck: any memory error, or a
# block lost at exit, fails the target.
VALGRIND = valgrind --error-exitcode=1 --leak-check=full --quiet
VALGRIND_BUILD ?= build
valgrind: build
	@command -v valgrind >/dev/null || { echo "ERROR: valgrind is missing (apt-get install valgrind)" >&2; exit 1; }
	mkdir -p examples/demo/out
	printf '5\n' | $(VALGRIND) $(VALGRIND_BUILD)/velmora examples/demo/analysis_with_controls.txt 2>$(VALGRIND_BUILD)/valgrind_with_controls.log \
	  || { grep -v '^[^=]' $(VALGRIND_BUILD)/valgrind_with_controls.log >&2; exit 1; }
	printf '5\n1 2 3 4 5 6\n\n' | $(VALGRIND) $(VALGRIND_BUILD)/velmora examples/demo/analysis_patients_only.txt 2>$(VALGRIND_BUILD)/valgrind_patients_only.log \
	  || { grep -v '^[^=]' $(VALGRIND_BUILD)/valgrind_patients_only.log >&2; exit 1; }
	$(VALGRIND) $(VALGRIND_BUILD)/annotsum examples/demo/annotation.txt
	@grep -h '^==' $(VALGRIND_BUILD)/valgrind_with_controls.log $(VALGRIND_BUILD)/valgrind_patients_only.log || echo "valgrind: no errors, no leaks"

clean:
	rm -rf build build-sanitize build-tsan build-fuzz

# `make bench [SIZE=S|M|L]`: generates a cohort (cached outside the repository)
# and times velmora against PLINK 1.9 and the I/O floor, then label permutation
# (cost beside a plain run, power and calibration); see bench/README.md.
# `make bench SIZE=growth [POINTS=600k-20,600k-100]`: the growth table instead.
# Not part of `make test`.
SIZE ?= S
BENCH_CXXFLAGS = -std=c++20 -O2 -Wall -Wextra -Werror -ffp-contract=off

.PHONY: bench
bench: build
	$(CXX) $(BENCH_CXXFLAGS) -Isrc bench/gen/*.cpp src/base/velmora_format.cpp -o build/bench-gen
	python3 bench/run_bench.py --size $(SIZE) $(if $(POINTS),--points $(POINTS)) --velmora build/velmora --gen build/bench-gen
ifneq ($(SIZE),growth)
	cmake --build build --target permutation_bench
	python3 bench/permutation_bench.py --size $(SIZE) --gen build/bench-gen
endif

# `make figures OUT=dir`: renders every EPS figure of a velmora output directory
# to PDF and PNG beside it, fitted and labelled (tools/figures/render_figures.sh;
# FIGURES_FLAGS passes options such as --resolution 300 or --out DIR).
.PHONY: figures
figures:
	@if [ -z "$(OUT)" ]; then echo "ERROR: name a velmora output directory: make figures OUT=dir" >&2; exit 1; fi
	./tools/figures/render_figures.sh $(FIGURES_FLAGS) "$(OUT)"
