# Entry points: make run, make test (see README.md).
BUILD   ?= build
JOBS    ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all build deps test bench run fuzz sanitize clean configure

all: build

deps:
	@.ci/install-deps

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) -G Ninja $(CMAKE_FLAGS)

configure: $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: deps
	$(MAKE) build
	ctest --test-dir $(BUILD) --output-on-failure -j $(JOBS)

bench: deps
	$(MAKE) build
	@set -e; for b in $(BUILD)/bin/bench_*; do echo "== $$b"; $$b --benchmark_min_time=0.2; done

# Starts the editor on the sample project (or, before the editor exists, the
# command-line tool's view of it).
run: deps
	$(MAKE) build
	@if [ -x $(BUILD)/bin/lumivo ]; then $(BUILD)/bin/lumivo examples/welcome.qvndoc; \
	elif [ -x $(BUILD)/bin/lumivo-cli ]; then $(BUILD)/bin/lumivo-cli info examples/welcome.qvndoc; \
	else echo "run: nothing to start yet: the program is not built"; exit 1; fi

# Short bounded fuzz runs with clang's libFuzzer.
FUZZ_SECONDS ?= 20
fuzz: deps
	@command -v clang++ >/dev/null || { echo "fuzz: clang++ not present, skipped"; exit 0; }
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -G Ninja -DLUMIVO_FUZZ=ON -DLUMIVO_BENCH=OFF -DBUILD_TESTING=OFF
	cmake --build $(BUILD)-fuzz -j $(JOBS)
	@set -e; for f in $(BUILD)-fuzz/bin/fuzz_*; do echo "== $$f"; mkdir -p $(BUILD)-fuzz/corpus/$$(basename $$f); \
	  $$f -max_total_time=$(FUZZ_SECONDS) -rss_limit_mb=2048 $(BUILD)-fuzz/corpus/$$(basename $$f); done

# The whole suite under AddressSanitizer (leak checks on) and
# UndefinedBehaviorSanitizer in $(BUILD)-sanitize: -O1 with line tables only
# and no benchmarks, to keep the build short. Known noise of the system
# libraries is suppressed in .ci/sanitizer/.
SAN_DIR := $(CURDIR)/.ci/sanitizer
SAN_ENV := ASAN_OPTIONS=detect_leaks=1:detect_stack_use_after_return=1:check_initialization_order=1 \
	LSAN_OPTIONS=suppressions=$(SAN_DIR)/lsan.supp:print_suppressions=0 \
	UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
sanitize: deps
	cmake -S . -B $(BUILD)-sanitize -G Ninja $(CMAKE_FLAGS) \
	  -DLUMIVO_SANITIZE=ON -DLUMIVO_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
	  -DCMAKE_CXX_FLAGS_RELWITHDEBINFO="-O1 -g1" -DCMAKE_C_FLAGS_RELWITHDEBINFO="-O1 -g1"
	cmake --build $(BUILD)-sanitize -j $(JOBS)
	$(SAN_ENV) ctest --test-dir $(BUILD)-sanitize --output-on-failure -j $(JOBS)

clean:
	rm -rf $(BUILD) $(BUILD)-fuzz $(BUILD)-sanitize
