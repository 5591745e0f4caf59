# SPDX-License-Identifier: GPL-2.0-or-later
# Entry points: make run, make test (see README.md).
BUILD   ?= build
JOBS    ?= $(shell nproc)
CMAKE_FLAGS ?=

.PHONY: all build deps test bench run package fuzz fuzz-build fuzz-merge sanitize clean configure

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

# The Debian packages build/lumivo-common_, lumivo_ and lumivo-agent_<version>_<arch>.deb (CPack).
package: deps
	$(MAKE) build
	cmake --build $(BUILD) --target package

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

# Bounded libFuzzer runs (clang), each target starting from its kept corpus
# fuzz/corpus/<target>/; new inputs go to $(BUILD)-fuzz/corpus/<target>/,
# faults to $(BUILD)-fuzz/artifacts/. FUZZ_TARGETS picks some targets.
# `make fuzz-merge` adds the new inputs that reach new code to fuzz/corpus,
# which `make test` replays without clang.
FUZZ_SECONDS ?= 20
FUZZ_TARGETS ?= $(patsubst fuzz/%.cpp,%,$(filter-out fuzz/replay_main.cpp,$(wildcard fuzz/*_*.cpp)))
FUZZ_BIN = $(BUILD)-fuzz/bin

fuzz-build:
	CC=clang CXX=clang++ cmake -S . -B $(BUILD)-fuzz -G Ninja -DLUMIVO_FUZZ=ON -DLUMIVO_BENCH=OFF -DBUILD_TESTING=OFF $(CMAKE_FLAGS)
	cmake --build $(BUILD)-fuzz -j $(JOBS) --target fuzzers

fuzz: deps
	@command -v clang++ >/dev/null || { echo "fuzz: clang++ not present, skipped"; exit 0; }; \
	$(MAKE) fuzz-build && mkdir -p $(BUILD)-fuzz/artifacts && \
	for t in $(FUZZ_TARGETS); do echo "== $$t"; mkdir -p $(BUILD)-fuzz/corpus/$$t; \
	  $(FUZZ_BIN)/fuzz_$$t -max_total_time=$(FUZZ_SECONDS) -timeout=30 -rss_limit_mb=2048 -print_final_stats=1 \
	    -artifact_prefix=$(BUILD)-fuzz/artifacts/$$t- $(BUILD)-fuzz/corpus/$$t fuzz/corpus/$$t || exit 1; done

fuzz-merge:
	@set -e; for t in $(FUZZ_TARGETS); do echo "== $$t"; mkdir -p $(BUILD)-fuzz/corpus/$$t; \
	  $(FUZZ_BIN)/fuzz_$$t -merge=1 -timeout=30 -rss_limit_mb=2048 fuzz/corpus/$$t $(BUILD)-fuzz/corpus/$$t; done

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
