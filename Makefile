# Front end for the CMake build. `make test` and `make demo` work on a fresh Debian machine.
BUILD      ?= build
ASAN_BUILD ?= build-asan
FUZZ_BUILD ?= build-fuzz
FUZZ_TIME  ?= 60
JOBS       ?= $(shell nproc)
CMAKE_FLAGS = -G Ninja -DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache
CTEST_FLAGS = --output-on-failure -j $(JOBS) --timeout 300
export QT_QPA_PLATFORM ?= offscreen
# A clean checkout in another folder still hits the compiler cache.
export CCACHE_BASEDIR ?= $(CURDIR)
export CCACHE_NOHASHDIR ?= 1

.PHONY: all deps configure build test test-asan bench fuzz demo package format clean

all: build

deps:
	@scripts/install-deps.sh

$(BUILD)/build.ninja:
	cmake -S . -B $(BUILD) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=RelWithDebInfo

configure: deps $(BUILD)/build.ninja

build: configure
	cmake --build $(BUILD) -j $(JOBS)

test: build
	ctest --test-dir $(BUILD) $(CTEST_FLAGS)

$(ASAN_BUILD)/build.ninja:
	cmake -S . -B $(ASAN_BUILD) $(CMAKE_FLAGS) -DCMAKE_BUILD_TYPE=Debug -DVANTRELIS_SANITIZE=ON

test-asan: deps $(ASAN_BUILD)/build.ninja
	cmake --build $(ASAN_BUILD) -j $(JOBS)
	ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
	  ctest --test-dir $(ASAN_BUILD) $(CTEST_FLAGS)

# Benchmarks that print their figures (not part of the tests); BENCHES names the programs to run and
# BENCH_ARGS what each is given. Then the unattended import on generated libraries of 5,000 and
# 50,000 documents, with the run's statements replayed through sqlite3 as the floor
# (IMPORT_BENCH_ARGS=--quick for the small one only, --full for 5,000 and 50,000 paths, --skip to
# leave it out).
BENCHES    ?= vantrelis-folder-bench
BENCH_ARGS ?=
IMPORT_BENCH_ARGS ?=

bench: build
	@for b in $(BENCHES); do echo "== $$b"; $(BUILD)/bin/$$b $(BENCH_ARGS) || exit 1; done
	@if [ "$(IMPORT_BENCH_ARGS)" != "--skip" ]; then echo "== import run"; scripts/bench.sh $(BUILD) $(IMPORT_BENCH_ARGS); fi

# The security template grammar under libFuzzer for FUZZ_TIME seconds (clang; not part of the tests).
$(FUZZ_BUILD)/build.ninja:
	CC=clang CXX=clang++ cmake -S . -B $(FUZZ_BUILD) -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVANTRELIS_FUZZ=ON

fuzz: $(FUZZ_BUILD)/build.ninja
	cmake --build $(FUZZ_BUILD) -j $(JOBS) --target security_template_fuzz
	mkdir -p $(FUZZ_BUILD)/corpus && cp -n fuzz/corpus/security_template/* $(FUZZ_BUILD)/corpus/
	$(FUZZ_BUILD)/bin/security_template_fuzz -max_total_time=$(FUZZ_TIME) -print_final_stats=1 $(FUZZ_BUILD)/corpus

demo: build
	@scripts/demo.sh $(BUILD)

# A Debian package of the program, vantrelis-dm, the readme, the menu entry and the icon.
package: build
	cd $(BUILD) && cpack -G DEB

format:
	@git ls-files '*.cpp' '*.h' | xargs -r clang-format -i

clean:
	rm -rf $(BUILD) $(ASAN_BUILD)
